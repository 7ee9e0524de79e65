#include "platform/shell/VersionInfo.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Module.h"

namespace mx {

namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr size_t kMaxImage = 512u << 20;

std::optional<std::uint32_t> U32(std::string_view b, size_t o) {
  if (o > b.size() || b.size() - o < 4) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + o);
  return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}

std::optional<std::uint16_t> U16(std::string_view b, size_t o) {
  if (o > b.size() || b.size() - o < 2) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(b.data() + o);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

struct Section {
  std::uint32_t va, vsize, rawPtr, rawSize;
};

struct PeImage {
  bool pe64 = false;
  std::uint32_t resourceRva = 0, resourceSize = 0;
  std::vector<Section> sections;
};

std::optional<PeImage> ParsePe(std::string_view image) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  auto peOffset = U32(image, 0x3C);
  if (!peOffset || *peOffset > image.size() - 4 || image.substr(*peOffset, 4) != std::string_view("PE\0\0", 4))
    return std::nullopt;
  size_t coff = *peOffset + 4;
  auto sectionCount = U16(image, coff + 2);
  auto optSize = U16(image, coff + 16);
  if (!sectionCount || !optSize) return std::nullopt;
  size_t opt = coff + 20;
  auto magic = U16(image, opt);
  if (!magic || (*magic != 0x10B && *magic != 0x20B)) return std::nullopt;
  PeImage pe;
  pe.pe64 = *magic == 0x20B;
  size_t countAt = opt + (pe.pe64 ? 108 : 92);
  size_t dirs = opt + (pe.pe64 ? 112 : 96);
  auto rvaCount = U32(image, countAt);
  if (rvaCount && *rvaCount > 2 && dirs + 24 <= opt + *optSize) {
    pe.resourceRva = U32(image, dirs + 16).value_or(0);
    pe.resourceSize = U32(image, dirs + 20).value_or(0);
  }
  size_t table = opt + *optSize;
  for (unsigned i = 0; i < *sectionCount && i < 96; ++i) {
    size_t s = table + i * 40;
    auto vsize = U32(image, s + 8), va = U32(image, s + 12), rawSize = U32(image, s + 16), rawPtr = U32(image, s + 20);
    if (!vsize || !va || !rawSize || !rawPtr) return std::nullopt;
    pe.sections.push_back({*va, *vsize, *rawPtr, *rawSize});
  }
  return pe;
}

// File offset of an RVA with at least n bytes behind it inside its section's raw data.
std::optional<size_t> RvaToOffset(const PeImage& pe, std::string_view image, std::uint32_t rva, size_t n) {
  for (const auto& s : pe.sections) {
    std::uint64_t span = std::max(s.vsize, s.rawSize);
    if (rva < s.va || rva - s.va >= span) continue;
    std::uint64_t within = rva - s.va;
    if (within + n > s.rawSize) return std::nullopt;
    std::uint64_t offset = std::uint64_t{s.rawPtr} + within;
    if (offset + n > image.size()) return std::nullopt;
    return static_cast<size_t>(offset);
  }
  return std::nullopt;
}

// The first entry of a resource directory (with id when wanted >= 0); its OffsetToData field.
std::optional<std::uint32_t> DirectoryEntry(std::string_view image, size_t dir, size_t rsrcEnd, int wanted) {
  auto named = U16(image, dir + 12), ids = U16(image, dir + 14);
  if (!named || !ids) return std::nullopt;
  size_t count = static_cast<size_t>(*named) + *ids;
  for (size_t i = 0; i < count; ++i) {
    size_t e = dir + 16 + i * 8;
    if (e + 8 > rsrcEnd) return std::nullopt;
    auto name = U32(image, e), target = U32(image, e + 4);
    if (!name || !target) return std::nullopt;
    if (wanted >= 0 && (*name & 0x80000000u || *name != static_cast<std::uint32_t>(wanted))) continue;
    return *target;
  }
  return std::nullopt;
}

}  // namespace

bool IsPe64(std::string_view image) {
  auto pe = ParsePe(image);
  return pe && pe->pe64;
}

bool ExtractVersionResource(std::string_view image, std::string& block) {
  auto pe = ParsePe(image);
  if (!pe || !pe->resourceRva || !pe->resourceSize) return false;
  auto rsrc = RvaToOffset(*pe, image, pe->resourceRva, 16);
  if (!rsrc) return false;
  size_t rsrcEnd = std::min<size_t>(image.size(), *rsrc + pe->resourceSize);
  // type -> name -> language -> data entry; every level must be a subdirectory but the last.
  size_t dir = *rsrc;
  for (int level = 0; level < 3; ++level) {
    auto target = DirectoryEntry(image, dir, rsrcEnd, level == 0 ? static_cast<int>(kRtVersion) : -1);
    if (!target) return false;
    bool subdir = *target & 0x80000000u;
    size_t at = *rsrc + (*target & 0x7FFFFFFFu);
    if (at + 16 > rsrcEnd) return false;
    if (level < 2) {
      if (!subdir) return false;
      dir = at;
      continue;
    }
    if (subdir) return false;
    auto dataRva = U32(image, at), dataSize = U32(image, at + 4);
    if (!dataRva || !dataSize || *dataSize == 0) return false;
    auto data = RvaToOffset(*pe, image, *dataRva, *dataSize);
    if (!data) return false;
    block.assign(image.substr(*data, *dataSize));
    return true;
  }
  return false;
}

}  // namespace mx

namespace {

// The block GetFileVersionInfo hands out: a small header, the raw resource (UTF-16LE, as in the file) and
// room where VerQueryValue widens strings to this platform's wchar_t, at twice each string's raw offset.
constexpr char kMagic[4] = {'M', 'X', 'V', 'I'};
constexpr size_t kHeader = 8;

size_t BlockSize(size_t raw) { return kHeader + ((raw + 3) & ~size_t{3}) + raw * 2 + 8; }

size_t Align4(size_t v) { return (v + 3) & ~size_t{3}; }

struct Node {
  size_t start = 0, end = 0;     // within raw
  std::wstring key;
  size_t value = 0, valueBytes = 0;
  bool text = false;
  size_t children = 0;
};

std::optional<Node> ReadNode(std::string_view raw, size_t start, size_t limit) {
  auto length = mx::U16(raw, start), valueLength = mx::U16(raw, start + 2), type = mx::U16(raw, start + 4);
  if (!length || !valueLength || !type || *length < 6 || start + *length > limit) return std::nullopt;
  Node n;
  n.start = start;
  n.end = start + *length;
  size_t p = start + 6;
  while (p + 1 < n.end) {
    auto unit = mx::U16(raw, p);
    p += 2;
    if (*unit == 0) break;
    n.key.push_back(static_cast<wchar_t>(*unit));
  }
  n.text = *type == 1;
  n.value = Align4(p);
  n.valueBytes = n.text ? static_cast<size_t>(*valueLength) * 2 : *valueLength;
  if (n.value > n.end) n.value = n.end;
  if (n.value + n.valueBytes > n.end) n.valueBytes = n.end - n.value;
  n.children = Align4(n.value + n.valueBytes);
  return n;
}

}  // namespace

std::vector<BYTE> mx::VersionBlockFromResource(std::string_view raw) {
  std::vector<BYTE> block(BlockSize(raw.size()), 0);
  std::memcpy(block.data(), kMagic, 4);
  std::uint32_t rawSize = static_cast<std::uint32_t>(raw.size());
  std::memcpy(block.data() + 4, &rawSize, 4);
  std::memcpy(block.data() + kHeader, raw.data(), raw.size());
  return block;
}

namespace {

std::mutex g_moduleMutex;
std::string g_moduleResource;

// The raw resource of a file, or of the running program for its own path.
LONG ReadVersionResource(LPCWSTR path, std::string& raw) {
  if (mx::EqualsNoCase(path, mx::ProgramWinPath())) {
    std::lock_guard lock(g_moduleMutex);
    raw = g_moduleResource;
    return raw.empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_SUCCESS;
  }
  std::string image;
  const LONG rc = mx::ReadWinFile(path, image, mx::kMaxImage);
  if (rc != ERROR_SUCCESS) return rc;
  if (!mx::ExtractVersionResource(image, raw)) return mx::ParsePe(image) ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_BAD_FORMAT;
  return ERROR_SUCCESS;
}

void AppendWide(std::string& out, std::wstring_view text) {
  for (wchar_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  out.append(2, '\0');
}

void Pad4(std::string& out) { out.resize(Align4(out.size()), '\0'); }

// One node: its header, key, value and the children, each starting on a 4-byte boundary.
std::string VersionNode(std::wstring_view key, std::string_view value, WORD valueLength, WORD type,
                        const std::vector<std::string>& children = {}) {
  std::string out(6, '\0');
  AppendWide(out, key);
  Pad4(out);
  out += value;
  for (const auto& child : children) {
    Pad4(out);
    out += child;
  }
  const WORD length = static_cast<WORD>(out.size());
  std::memcpy(out.data(), &length, 2);
  std::memcpy(out.data() + 2, &valueLength, 2);
  std::memcpy(out.data() + 4, &type, 2);
  return out;
}

}  // namespace

std::string mx::BuildVersionResource(const WORD (&version)[4],
                                     const std::vector<std::pair<std::wstring, std::wstring>>& strings) {
  VS_FIXEDFILEINFO fixed;
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x10000;
  fixed.dwFileVersionMS = fixed.dwProductVersionMS = (DWORD{version[0]} << 16) | version[1];
  fixed.dwFileVersionLS = fixed.dwProductVersionLS = (DWORD{version[2]} << 16) | version[3];
  fixed.dwFileOS = 0x40004;  // VOS_NT_WINDOWS32
  fixed.dwFileType = 1;      // VFT_APP
  std::vector<std::string> table;
  for (const auto& [name, text] : strings) {
    std::string value;
    AppendWide(value, text);
    table.push_back(VersionNode(name, value, static_cast<WORD>(text.size() + 1), 1));
  }
  const std::string translation("\x09\x04\xB0\x04", 4);
  return VersionNode(
      L"VS_VERSION_INFO", std::string_view(reinterpret_cast<const char*>(&fixed), sizeof fixed), sizeof fixed, 0,
      {VersionNode(L"StringFileInfo", {}, 0, 1, {VersionNode(L"040904b0", {}, 0, 1, table)}),
       VersionNode(L"VarFileInfo", {}, 0, 1, {VersionNode(L"Translation", translation, 4, 0)})});
}

void mx::SetModuleVersionResource(std::string raw) {
  std::lock_guard lock(g_moduleMutex);
  g_moduleResource = std::move(raw);
}

namespace win {

DWORD GetFileVersionInfoSize(LPCWSTR path, LPDWORD handle) {
  if (handle) *handle = 0;
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string raw;
  const LONG rc = ReadVersionResource(path, raw);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return 0;
  }
  return static_cast<DWORD>(BlockSize(raw.size()));
}

BOOL GetFileVersionInfo(LPCWSTR path, DWORD /*handle*/, DWORD size, void* data) {
  if (!path || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string raw;
  const LONG rc = ReadVersionResource(path, raw);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
  }
  std::vector<BYTE> built = mx::VersionBlockFromResource(raw);
  if (size < built.size()) {
    // A short buffer holds nothing usable; Windows copies a prefix, we refuse so queries cannot read past it.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, built.data(), built.size());
  return TRUE;
}

BOOL VerQueryValue(const void* block, LPCWSTR subBlock, void** buffer, UINT* len) {
  if (buffer) *buffer = nullptr;
  if (len) *len = 0;
  if (!block || !subBlock || !buffer) return FALSE;
  auto* base = static_cast<unsigned char*>(const_cast<void*>(block));
  if (std::memcmp(base, kMagic, 4) != 0) return FALSE;
  std::uint32_t rawSize = 0;
  std::memcpy(&rawSize, base + 4, 4);
  std::string_view raw(reinterpret_cast<const char*>(base + kHeader), rawSize);
  auto root = ReadNode(raw, 0, raw.size());
  if (!root || root->key != L"VS_VERSION_INFO") return FALSE;
  Node node = *root;
  std::wstring_view path = subBlock;
  size_t pos = 0;
  while (pos < path.size()) {
    while (pos < path.size() && path[pos] == L'\\') ++pos;
    if (pos >= path.size()) break;
    size_t end = path.find(L'\\', pos);
    if (end == std::wstring_view::npos) end = path.size();
    std::wstring_view wanted = path.substr(pos, end - pos);
    pos = end;
    bool found = false;
    for (size_t c = node.children; c + 6 <= node.end;) {
      auto child = ReadNode(raw, c, node.end);
      if (!child) break;
      if (mx::EqualsNoCase(child->key, wanted)) {
        node = *child;
        found = true;
        break;
      }
      size_t next = Align4(child->end);
      if (next <= c) break;
      c = next;
    }
    if (!found) return FALSE;
  }
  if (node.text) {
    // Widen the string into the block's spare room so the caller gets a wchar_t string.
    size_t units = node.valueBytes / 2;
    auto* wide = reinterpret_cast<wchar_t*>(base + kHeader + Align4(rawSize) + node.value * 2);
    size_t n = 0;
    for (; n < units; ++n) {
      auto unit = mx::U16(raw, node.value + n * 2);
      if (!unit || *unit == 0) break;
      wide[n] = static_cast<wchar_t>(*unit);
    }
    wide[n] = 0;
    *buffer = wide;
    if (len) *len = static_cast<UINT>(n + 1);
    return TRUE;
  }
  if (node.valueBytes == 0) return FALSE;
  *buffer = base + kHeader + node.value;
  if (len) *len = static_cast<UINT>(node.valueBytes);
  return TRUE;
}

}  // namespace win
