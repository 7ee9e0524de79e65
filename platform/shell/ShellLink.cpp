#include "platform/shell/ShellLink.h"

#include <cstring>
#include <optional>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Environment.h"

namespace mx {

namespace {

constexpr DWORD kHasIdList = 0x1;
constexpr DWORD kHasLinkInfo = 0x2;
constexpr DWORD kHasName = 0x4;
constexpr DWORD kHasRelativePath = 0x8;
constexpr DWORD kHasWorkingDir = 0x10;
constexpr DWORD kHasArguments = 0x20;
constexpr DWORD kHasIconLocation = 0x40;
constexpr DWORD kIsUnicode = 0x80;
constexpr DWORD kForceNoLinkInfo = 0x100;
constexpr DWORD kHasExpString = 0x200;
constexpr DWORD kHasDarwinId = 0x1000;

constexpr DWORD kEnvironmentBlock = 0xA0000001;
constexpr DWORD kDarwinBlock = 0xA0000006;

const unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Bounds-checked little-endian reads over the file's bytes.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : b_(bytes) {}
  size_t size() const { return b_.size(); }
  bool Has(size_t offset, size_t n) const { return offset <= b_.size() && n <= b_.size() - offset; }
  std::optional<std::uint32_t> U32(size_t o) const {
    if (!Has(o, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(Byte(o)) | static_cast<std::uint32_t>(Byte(o + 1)) << 8 |
           static_cast<std::uint32_t>(Byte(o + 2)) << 16 | static_cast<std::uint32_t>(Byte(o + 3)) << 24;
  }
  std::optional<std::uint16_t> U16(size_t o) const {
    if (!Has(o, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(Byte(o) | Byte(o + 1) << 8);
  }
  // A null-terminated 8-bit string starting at o and ending before limit.
  std::optional<std::wstring> Ansi(size_t o, size_t limit) const {
    limit = std::min(limit, b_.size());
    if (o >= limit) return std::nullopt;
    size_t end = b_.find('\0', o);
    if (end == std::string_view::npos || end >= limit) return std::nullopt;
    return Latin1ToWide(b_.substr(o, end - o));
  }
  // A null-terminated UTF-16 string starting at o and ending before limit.
  std::optional<std::wstring> Unicode(size_t o, size_t limit) const {
    limit = std::min(limit, b_.size());
    for (size_t p = o; p + 1 < limit; p += 2) {
      if (Byte(p) == 0 && Byte(p + 1) == 0) return Utf16LeToWide(b_.substr(o, p - o));
    }
    return std::nullopt;
  }
  std::string_view Slice(size_t o, size_t n) const { return Has(o, n) ? b_.substr(o, n) : std::string_view(); }

 private:
  unsigned Byte(size_t o) const { return static_cast<unsigned char>(b_[o]); }
  std::string_view b_;
};

// The file-system path of a target ID list: My Computer, a drive, then folder and file items.
std::wstring IdListPath(const Reader& r, size_t start, size_t end) {
  std::wstring path;
  size_t o = start;
  bool first = true;
  while (o + 2 <= end) {
    auto size = r.U16(o);
    if (!size || *size == 0) break;
    if (*size < 3 || o + *size > end) return {};
    unsigned type = static_cast<unsigned char>(r.Slice(o + 2, 1)[0]);
    if (first && type == 0x1F) {
      // The root item (a CLSID): only My Computer leads to a drive path.
    } else if ((type & 0x70) == 0x20) {
      auto drive = r.Ansi(o + 3, o + *size);
      if (!drive || drive->size() < 2 || (*drive)[1] != L':') return {};
      path = drive->substr(0, 2) + L"\\";
    } else if ((type & 0x70) == 0x30) {
      if (path.empty()) return {};
      // Short name after 12 bytes of header, then (Windows 2000 on) an extension block with the long name.
      size_t itemEnd = o + *size;
      auto shortName = r.Ansi(o + 14, itemEnd);
      if (!shortName) return {};
      std::wstring name = *shortName;
      // The extension block starts on an even offset within the item.
      size_t rel = 14 + shortName->size() + 1;
      if (rel % 2) ++rel;
      size_t ext = o + rel;
      auto extSize = r.U16(ext);
      auto extVersion = r.U16(ext + 2);
      auto signature = r.U32(ext + 4);
      if (extSize && extVersion && signature && *signature == 0xBEEF0004 && ext + *extSize <= itemEnd) {
        size_t longAt = 0;
        switch (*extVersion) {
          case 3: longAt = 0x0E; break;
          case 7: longAt = 0x12; break;
          case 8: longAt = 0x16; break;
          case 9: longAt = 0x1A; break;
          default: break;
        }
        if (longAt) {
          if (auto longName = r.Unicode(ext + longAt, ext + *extSize); longName && !longName->empty()) name = *longName;
        }
      }
      if (path.back() != L'\\') path += L'\\';
      path += name;
    } else {
      return {};
    }
    first = false;
    o += *size;
  }
  return path;
}

}  // namespace

bool ParseShellLink(std::string_view bytes, ShellLinkData& out) {
  out = ShellLinkData{};
  Reader r(bytes);
  auto headerSize = r.U32(0);
  if (!headerSize || *headerSize != 0x4C || !r.Has(0, 0x4C) || std::memcmp(bytes.data() + 4, kLinkClsid, 16) != 0)
    return false;
  DWORD flags = *r.U32(0x14);
  out.fileAttributes = *r.U32(0x18);
  out.iconIndex = static_cast<int>(*r.U32(0x38));
  out.showCommand = *r.U32(0x3C);
  size_t o = 0x4C;
  if (flags & kHasIdList) {
    auto size = r.U16(o);
    if (!size || !r.Has(o + 2, *size)) return false;
    out.idListPath = IdListPath(r, o + 2, o + 2 + *size);
    o += 2 + *size;
  }
  if ((flags & kHasLinkInfo) && !(flags & kForceNoLinkInfo)) {
    auto size = r.U32(o);
    auto headerLen = r.U32(o + 4);
    auto infoFlags = r.U32(o + 8);
    if (!size || !headerLen || !infoFlags || *size < 0x1C || !r.Has(o, *size)) return false;
    size_t end = o + *size;
    auto localOffset = r.U32(o + 0x10);
    auto netOffset = r.U32(o + 0x14);
    auto suffixOffset = r.U32(o + 0x18);
    if (!localOffset || !netOffset || !suffixOffset) return false;
    std::optional<std::uint32_t> localUnicode, suffixUnicode;
    if (*headerLen >= 0x24) {
      localUnicode = r.U32(o + 0x1C);
      suffixUnicode = r.U32(o + 0x20);
    }
    if (*infoFlags & 0x1) {
      auto local = localUnicode && *localUnicode ? r.Unicode(o + *localUnicode, end) : r.Ansi(o + *localOffset, end);
      if (local) out.localBasePath = *local;
    }
    if (*suffixOffset || (suffixUnicode && *suffixUnicode)) {
      auto suffix =
          suffixUnicode && *suffixUnicode ? r.Unicode(o + *suffixUnicode, end) : r.Ansi(o + *suffixOffset, end);
      if (suffix) out.commonPathSuffix = *suffix;
    }
    if ((*infoFlags & 0x2) && *netOffset) {
      size_t n = o + *netOffset;
      auto netSize = r.U32(n);
      auto netNameOffset = r.U32(n + 8);
      if (netSize && netNameOffset && *netSize >= 0x14 && n + *netSize <= end) {
        std::optional<std::wstring> share;
        if (*netNameOffset > 0x14) {
          if (auto uni = r.U32(n + 0x14); uni && *uni) share = r.Unicode(n + *uni, n + *netSize);
        }
        if (!share) share = r.Ansi(n + *netNameOffset, n + *netSize);
        if (share) out.networkShare = *share;
      }
    }
    o = end;
  }
  const bool unicode = flags & kIsUnicode;
  std::wstring* strings[] = {&out.description, &out.relativePath, &out.workingDir, &out.arguments, &out.iconLocation};
  const DWORD stringFlags[] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation};
  for (int i = 0; i < 5; ++i) {
    if (!(flags & stringFlags[i])) continue;
    auto count = r.U16(o);
    if (!count) return false;
    size_t bytesLen = static_cast<size_t>(*count) * (unicode ? 2 : 1);
    if (!r.Has(o + 2, bytesLen)) return false;
    std::string_view raw = r.Slice(o + 2, bytesLen);
    *strings[i] = unicode ? Utf16LeToWide(raw) : Latin1ToWide(raw);
    o += 2 + bytesLen;
  }
  // Extra data blocks until the terminal block; a damaged tail ends the walk but keeps what was read.
  for (int guard = 0; guard < 64; ++guard) {
    auto size = r.U32(o);
    if (!size || *size < 8 || !r.Has(o, *size)) break;
    auto signature = r.U32(o + 4);
    if ((*signature == kEnvironmentBlock && (flags & kHasExpString)) ||
        (*signature == kDarwinBlock && (flags & kHasDarwinId))) {
      if (*size >= 0x314) {
        auto uni = r.Unicode(o + 8 + 260, o + 8 + 260 + 520);
        auto ansi = r.Ansi(o + 8, o + 8 + 260);
        std::wstring text = uni && !uni->empty() ? *uni : ansi.value_or(L"");
        (*signature == kEnvironmentBlock ? out.environmentTarget : out.darwinId) = text;
      }
    }
    o += *size;
  }
  return true;
}

std::wstring ShellLinkTarget(const ShellLinkData& link, DWORD flags) {
  if (!link.environmentTarget.empty()) return ExpandEnvironment(link.environmentTarget);
  std::wstring local, network;
  if (!link.localBasePath.empty()) {
    local = link.localBasePath;
    if (!link.commonPathSuffix.empty()) {
      if (local.back() != L'\\') local += L'\\';
      local += link.commonPathSuffix;
    }
  }
  if (!link.networkShare.empty()) {
    network = link.networkShare;
    if (!link.commonPathSuffix.empty()) {
      if (network.back() != L'\\') network += L'\\';
      network += link.commonPathSuffix;
    }
  }
  if ((flags & SLGP_UNCPRIORITY) && !network.empty()) return network;
  if (!local.empty()) return local;
  if (!network.empty()) return network;
  return link.idListPath;
}

std::wstring ShellLinkTarget(const ShellLinkData& link) { return ShellLinkTarget(link, 0); }

}  // namespace mx

namespace win {

namespace {

HRESULT CopyString(const std::wstring& text, LPWSTR buffer, int size) {
  if (!buffer || size <= 0) return E_INVALIDARG;
  size_t n = std::min<size_t>(text.size(), static_cast<size_t>(size) - 1);
  text.copy(buffer, n);
  buffer[n] = 0;
  return S_OK;
}

}  // namespace

HRESULT ShellLink::Load(LPCWSTR path, DWORD /*mode*/) {
  loaded_ = false;
  data_ = mx::ShellLinkData{};
  if (!path) return E_INVALIDARG;
  std::string bytes;
  // A link is a few kilobytes; anything huge is not one.
  if (mx::ReadWinFile(path, bytes, 1u << 20) != ERROR_SUCCESS) return E_FAIL;
  if (!mx::ParseShellLink(bytes, data_)) {
    data_ = mx::ShellLinkData{};
    return E_FAIL;
  }
  loaded_ = true;
  return S_OK;
}

HRESULT ShellLink::GetPath(LPWSTR buffer, int size, void* /*findData*/, DWORD flags) {
  if (!buffer || size <= 0) return E_INVALIDARG;
  buffer[0] = 0;
  if (!loaded_) return E_FAIL;
  std::wstring target = mx::ShellLinkTarget(data_, flags);
  if (target.empty() || target.size() >= MAX_PATH) return S_FALSE;
  return CopyString(target, buffer, size);
}

HRESULT ShellLink::GetArguments(LPWSTR buffer, int size) { return CopyString(data_.arguments, buffer, size); }

HRESULT ShellLink::GetWorkingDirectory(LPWSTR buffer, int size) { return CopyString(data_.workingDir, buffer, size); }

HRESULT ShellLink::GetDescription(LPWSTR buffer, int size) { return CopyString(data_.description, buffer, size); }

HRESULT ShellLink::GetIconLocation(LPWSTR buffer, int size, int* index) {
  if (index) *index = data_.iconIndex;
  return CopyString(data_.iconLocation, buffer, size);
}

}  // namespace win
