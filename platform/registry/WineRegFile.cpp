#include "platform/registry/WineRegFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>

#include "platform/base/Text.h"

namespace mx::reg {

namespace {

constexpr std::uint64_t kEpochDiff = 116444736000000000ull;  // 1601-01-01 to 1970-01-01 in 100 ns
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxDepth = 512;  // Windows' limit of key levels; also keeps a hostile file from nesting without end
constexpr std::string_view kSignature = "WINE REGISTRY Version 2";

// Each byte's value as a hex digit, -1 for the others: every key's time and every byte of binary data is read
// through it.
constexpr auto kHexDigits = [] {
  std::array<signed char, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<size_t>(c)] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                                         : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                                : -1);
  return t;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

// Where the bytes from s[pos] that stand for themselves end: at the terminator, a backslash or a byte beyond
// ASCII. Eight bytes are looked at together; a word that holds any of them is then looked at byte by byte.
size_t PlainRunEnd(std::string_view s, size_t pos, char terminator) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  const std::uint64_t term = kOnes * static_cast<unsigned char>(terminator), slash = kOnes * '\\';
  auto hasZeroByte = [&](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  size_t i = pos;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x;
    std::memcpy(&x, s.data() + i, 8);
    if ((x & kHigh) | hasZeroByte(x ^ term) | hasZeroByte(x ^ slash)) break;
  }
  for (; i < s.size(); ++i) {
    const auto d = static_cast<unsigned char>(s[i]);
    if (d == static_cast<unsigned char>(terminator) || d == '\\' || d >= 0x80) break;
  }
  return i;
}

// Reads quoted or bracketed text up to the unescaped terminator at s[pos], unescaping into out. pos ends on
// the terminator. False when the line ends first or an escape is broken.
bool Unescape(std::string_view s, size_t& pos, char terminator, std::wstring& out) {
  out.clear();
  while (pos < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c == static_cast<unsigned char>(terminator)) return true;
    if (c >= 0x80) {
      // Wine writes ASCII only; take other bytes as UTF-8 text typed by hand.
      size_t end = pos;
      while (end < s.size() && static_cast<unsigned char>(s[end]) >= 0x80) ++end;
      out += Utf8ToWide(s.substr(pos, end - pos));
      pos = end;
      continue;
    }
    if (c != '\\') {
      // A run of plain characters is taken in at once: most names and strings are nothing else.
      const size_t end = PlainRunEnd(s, pos + 1, terminator);
      const size_t at = out.size();
      out.resize(at + (end - pos));
      wchar_t* to = out.data() + at;
      const auto* from = reinterpret_cast<const unsigned char*>(s.data() + pos);
      for (size_t i = 0; i < end - pos; ++i) to[i] = static_cast<wchar_t>(from[i]);
      pos = end;
      continue;
    }
    if (++pos >= s.size()) return false;
    char e = s[pos++];
    switch (e) {
      case 'a':
        out += L'\a';
        break;
      case 'b':
        out += L'\b';
        break;
      case 'e':
        out += static_cast<wchar_t>(27);
        break;
      case 'f':
        out += L'\f';
        break;
      case 'n':
        out += L'\n';
        break;
      case 'r':
        out += L'\r';
        break;
      case 't':
        out += L'\t';
        break;
      case 'v':
        out += L'\v';
        break;
      case 'x': {
        unsigned v = 0;
        int n = 0;
        for (; n < 4 && pos < s.size() && HexDigit(s[pos]) >= 0; ++n, ++pos) v = v * 16 + HexDigit(s[pos]);
        if (n == 0) return false;
        out += static_cast<wchar_t>(v);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = static_cast<unsigned>(e - '0');
          for (int n = 1; n < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++n, ++pos)
            v = v * 8 + static_cast<unsigned>(s[pos] - '0');
          out += static_cast<wchar_t>(v & 0xFFFF);
        } else {
          out += static_cast<wchar_t>(static_cast<unsigned char>(e));
        }
    }
  }
  return false;
}

// How many leading bytes of a and b, n at most, are the same; eight at a time.
size_t CommonPrefix(const char* a, const char* b, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) return i + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// A whole text of digits in base 10 or 16 that fits: what from_chars takes when it must reach the end,
// without its general machinery, which showed in the load of every key line.
bool ParseWhole(std::string_view s, int base, std::uint64_t& out) {
  if (s.empty()) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    const int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return false;
    if (v > (~std::uint64_t{0} - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) return false;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  out = v;
  return true;
}

bool IsHexUnit(wchar_t c) { return c < 128 && HexDigit(static_cast<char>(c)) >= 0; }

// Writes units [0, count) escaped the way Wine does; extra lists the characters that need a backslash besides
// the backslash itself.
void Escape(std::string& out, const wchar_t* s, size_t count, std::string_view extra) {
  static const char kLetters[32] = {0, 0, 0, 0, 0, 0, 0, 'a', 'b', 't', 'n', 'v', 'f', 'r', 0, 0,
                                    0, 0, 0, 0, 0, 0, 0, 0,   0,   0,   0,   'e', 0,   0,   0, 0};
  char buf[16];
  // The callers' extra characters are at most two.
  const wchar_t extra0 = extra.empty() ? L'\\' : static_cast<wchar_t>(extra[0]);
  const wchar_t extra1 = extra.size() < 2 ? extra0 : static_cast<wchar_t>(extra[1]);
  for (size_t i = 0; i < count; ++i) {
    // A run of printable ASCII that needs no backslash is copied at once: most names and strings are nothing else.
    size_t end = i;
    while (end < count && s[end] >= 32 && s[end] < 127 && s[end] != L'\\' && s[end] != extra0 && s[end] != extra1)
      ++end;
    if (end > i) {
      const size_t at = out.size();
      out.resize(at + (end - i));
      char* to = out.data() + at;
      for (size_t k = i; k < end; ++k) *to++ = static_cast<char>(s[k]);
      i = end;
      if (i == count) break;
    }
    wchar_t c = s[i];
    unsigned u = static_cast<unsigned>(c) & 0xFFFF;
    if (u > 127) {
      // The short form would swallow a following hex digit.
      bool pad = i + 1 < count && IsHexUnit(s[i + 1]);
      std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, u, 16);
      size_t len = static_cast<size_t>(r.ptr - buf);
      out += "\\x";
      if (pad) out.append(4 - std::min<size_t>(4, len), '0');
      out.append(buf, len);
      continue;
    }
    if (u < 32) {
      out += '\\';
      if (kLetters[u]) {
        out += kLetters[u];
      } else {
        bool pad = i + 1 < count && s[i + 1] >= L'0' && s[i + 1] <= L'7';
        std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, u, 8);
        size_t len = static_cast<size_t>(r.ptr - buf);
        if (pad) out.append(3 - len, '0');
        out.append(buf, len);
      }
      continue;
    }
    char a = static_cast<char>(u);
    if (a == '\\' || extra.find(a) != std::string_view::npos) out += '\\';
    out += a;
  }
}

void AppendHex(std::string& out, std::uint64_t v) {
  char buf[20];
  auto r = std::to_chars(buf, buf + sizeof buf, v, 16);
  out.append(buf, r.ptr);
}

void AppendDec(std::string& out, std::uint64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

std::vector<BYTE> UnitsToBytes(const std::wstring& units, bool terminate) {
  std::vector<BYTE> data((units.size() + (terminate ? 1 : 0)) * 2);
  BYTE* to = data.data();
  for (wchar_t c : units) {
    *to++ = static_cast<BYTE>(c & 0xFF);
    *to++ = static_cast<BYTE>((c >> 8) & 0xFF);
  }
  return data;  // the terminator's two bytes are the zeros the vector was made with
}

class Parser {
 public:
  Parser(std::string_view text, std::wstring_view file, Hive* hive, WineRegFile& out,
         std::vector<std::wstring>* warnings)
      : text_(text), file_(file), hive_(hive), out_(out), warnings_(warnings) {}

  bool Run(std::wstring* error) {
    out_.root = std::make_shared<Key>();
    out_.root->hive = hive_;
    std::string_view line;
    if (!NextLine(line) || line != kSignature) {
      if (error) *error = Where() + L"not a Wine registry file (" + WhyNotRegistry(line) + L")";
      return false;
    }
    // Wine never writes a zero byte; a file that holds one is damaged beyond reading line by line.
    if (const void* zero = std::memchr(text_.data(), 0, text_.size())) {
      size_t offset = static_cast<size_t>(static_cast<const char*>(zero) - text_.data());
      if (error)
        *error = std::wstring(file_) + L":" + std::to_wstring(LineOf(offset)) +
                 L": not a Wine registry file (it holds binary data: a zero byte at offset " +
                 std::to_wstring(offset) + L")";
      return false;
    }
    while (NextLine(line)) {
      if (line.empty()) continue;
      if (blockOwner_ && line[0] != '[') {
        (*blockOwner_->kept)[blockIndex_].text += Raw(lineBegin_);
        continue;
      }
      const size_t begin = lineBegin_;
      switch (line[0]) {
        case ';':
          if (line.starts_with(";; All keys relative to ")) {
            size_t pos = 24;
            std::string_view rest = line;
            std::wstring rel;
            Unescape(rest, pos, '\0', rel);  // runs to the end of the line
            out_.relativeTo = rel;
          }
          break;
        case '[':
          if (ParseKey(line)) {
            blockOwner_ = nullptr;
            ReserveValues(*current_);
          } else {
            // The key's values and options cannot go anywhere else: they stay with it, after the key before.
            current_ = nullptr;
            blockOwner_ = lastKey_ ? lastKey_ : out_.root.get();
            blockIndex_ = AddKept(*blockOwner_, lastKey_ ? KeptText::Place::AtEnd : KeptText::Place::BeforeAnyKey,
                                  "\n" + Raw(begin));
          }
          break;
        case '#':
          if (!ParseOption(line)) Keep(begin);
          break;
        case '@':
        case '"':
          if (!ParseValue(line)) Keep(begin);
          break;
        default:
          Warn(L"unexpected line; kept as it is");
          Keep(begin);
      }
    }
    return true;
  }

 private:
  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    lineBegin_ = pos_;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++lineNo_;
    return true;
  }

  // Says what the first line of a file that is not a registry file shows instead.
  std::wstring WhyNotRegistry(std::string_view first) const {
    auto starts = [&](std::string_view bytes) { return text_.substr(0, bytes.size()) == bytes; };
    if (text_.empty()) return L"the file is empty";
    if (starts("\xEF\xBB\xBF")) return L"it starts with a UTF-8 byte-order mark; Wine writes plain ASCII";
    if (starts("\xFF\xFE") || starts("\xFE\xFF")) return L"it is UTF-16 text; Wine writes plain ASCII";
    if (first.starts_with(kSignature) && first.size() > kSignature.size() && first[kSignature.size()] == '\r')
      return L"its lines end in a carriage return only; Wine ends them with a line feed";
    if (first.starts_with("WINE REGISTRY Version "))
      return L"it is of another version of the format, \"" + Utf8ToWide(first.substr(0, 40)) +
             L"\"; only version 2 can be read";
    if (std::memchr(first.data(), 0, std::min<size_t>(first.size(), 512)))
      return L"it holds binary data";
    return L"no \"WINE REGISTRY Version 2\" line";
  }

  size_t LineOf(size_t offset) const {
    return 1 + static_cast<size_t>(std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
  }

  std::wstring Where() const { return std::wstring(file_) + L":" + std::to_wstring(lineNo_) + L": "; }

  bool Warn(std::wstring_view why) {
    if (warnings_) warnings_->push_back(Where() + std::wstring(why));
    return false;
  }

  // The file's text from begin to the end of the line last read, ending in a line feed.
  std::string Raw(size_t begin) const {
    std::string raw(text_.substr(begin, std::min(pos_, text_.size()) - begin));
    if (raw.empty() || raw.back() != '\n') raw += '\n';
    return raw;
  }

  static size_t AddKept(Key& key, KeptText::Place place, std::string text, std::wstring afterValue = {}) {
    if (!key.kept) key.kept = std::make_unique<std::vector<KeptText>>();
    key.kept->push_back({place, std::move(afterValue), std::move(text)});
    return key.kept->size() - 1;
  }

  // Keeps the lines from begin on where they stand: after the last value read of the current key.
  void Keep(size_t begin) {
    if (pos_ >= text_.size()) {
      std::string raw = Raw(begin);
      std::string_view last(raw);
      last.remove_suffix(1);
      if (!last.empty() && last.back() == '\r') last.remove_suffix(1);
      if (!last.empty() && last.back() == '\\') {
        AddKept(*out_.root, KeptText::Place::AtEndOfFile, std::move(raw));
        return;
      }
    }
    if (!current_)
      AddKept(*out_.root, KeptText::Place::BeforeAnyKey, Raw(begin));
    else if (hasLastValue_)
      AddKept(*current_, KeptText::Place::AfterValue, Raw(begin), lastValueName_);
    else
      AddKept(*current_, KeptText::Place::AfterHeader, Raw(begin));
  }

  bool ParseKey(std::string_view line) {
    current_ = nullptr;
    hasLastValue_ = false;
    // Key lines come in order, so most of a path is the last key line's. Leading names written as plain text
    // and matching that line byte for byte are the same keys: only the names after them are unescaped.
    const std::string_view path = line.substr(1);
    size_t shared = 0;
    size_t pos = 1;
    if (!lastPlainEnds_.empty()) {
      const size_t n = std::min(path.size(), lastPath_.size());
      const size_t common = CommonPrefix(path.data(), lastPath_.data(), n);
      while (shared < lastPlainEnds_.size() && lastPlainEnds_[shared] + 2 <= common) ++shared;
      if (shared) pos = 1 + lastPlainEnds_[shared - 1] + 2;
    }
    if (!Unescape(line, pos, ']', scratch_)) return Warn(L"key line without its closing bracket; key kept as it is");
    std::uint64_t seconds = 0;
    std::string_view rest = line.substr(pos + 1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (!rest.empty() && !ParseWhole(rest, 10, seconds)) return Warn(L"bad time on key line; key kept as it is");
    std::uint64_t time = UnixToFileTime(seconds);
    // The names after the shared ones; only a path of no names at all ("[]", the root) may be empty.
    names_.clear();
    const std::wstring_view names = scratch_;
    for (size_t start = 0;;) {
      size_t i = names.find(L'\\', start);
      if (i == std::wstring_view::npos) i = names.size();
      if (i == start && !(i == names.size() && start == 0 && shared == 0))
        return Warn(L"empty key name in path; key kept as it is");
      if (i - start > kMaxKeyName) return Warn(L"key name longer than 255 characters; key kept as it is");
      if (i > start) names_.push_back(names.substr(start, i - start));
      if (i == names.size()) break;
      start = i + 1;
    }
    if (shared + names_.size() > kMaxDepth) return Warn(L"key nested deeper than 512 levels; key kept as it is");
    size_t common = shared;
    while (common < shared + names_.size() && common < chain_.size() &&
           EqualsNoCase(chain_[common]->name, names_[common - shared]))
      ++common;
    chain_.resize(common);
    Key* key = common ? chain_.back() : out_.root.get();
    for (size_t i = common - shared; i < names_.size(); ++i) {
      key = key->Add(names_[i], time);
      chain_.push_back(key);
    }
    key->modified = time;
    current_ = key;
    lastKey_ = key;
    // Where this path's leading plain names end, for the next key line; the shared ones end where they did.
    lastPath_ = path;
    lastPlainEnds_.resize(shared);
    for (size_t i = shared ? lastPlainEnds_.back() + 2 : 0; i < path.size();) {
      size_t end = i;
      while (end < path.size() && IsPlainPathByte(path[end])) ++end;
      if (end == i || end + 1 >= path.size() || path[end] != '\\' || path[end + 1] != '\\') break;
      lastPlainEnds_.push_back(end);
      i = end + 2;
    }
    return true;
  }

  // A byte that stands for itself in a key path: not an escape, not its end, not part of a character beyond ASCII.
  static bool IsPlainPathByte(char c) { return kPlainPathBytes[static_cast<unsigned char>(c)]; }
  static constexpr auto kPlainPathBytes = [] {
    std::array<bool, 256> t{};
    for (int c = 0x20; c < 0x7f; ++c) t[static_cast<size_t>(c)] = c != '\\' && c != ']';
    return t;
  }();

  // Values arrive one by one into the key's sorted list: room for the lines that follow is made at once.
  void ReserveValues(Key& key) const {
    size_t count = 0;
    for (size_t at = pos_; at < text_.size();) {
      const char c = text_[at];
      if (c == '[') break;
      if (c == '"' || c == '@') ++count;
      const void* end = std::memchr(text_.data() + at, '\n', text_.size() - at);
      if (!end) break;
      at = static_cast<size_t>(static_cast<const char*>(end) - text_.data()) + 1;
    }
    key.values.reserve(key.values.size() + count);
  }

  bool ParseOption(std::string_view line) {
    if (line.starts_with("#arch=")) {
      std::string_view a = line.substr(6);
      if (a == "win64")
        out_.arch = Arch::Win64;
      else if (a == "win32")
        out_.arch = Arch::Win32;
      else
        return Warn(L"unknown architecture; line kept as it is");
      out_.hasArch = true;
      return true;
    }
    if (!current_) return Warn(L"option before any key; line kept as it is");
    if (line.starts_with("#time=")) {
      std::string_view v = line.substr(6);
      std::uint64_t t = 0;
      if (!ParseWhole(v, 16, t)) return Warn(L"bad #time; line kept as it is");
      current_->modified = t;
    } else if (line == "#link") {
      current_->isLink = true;
    } else if (line.starts_with("#class=\"")) {
      size_t pos = 8;
      if (!Unescape(line, pos, '"', scratch_) || pos + 1 != line.size()) return Warn(L"bad #class; line kept as it is");
      current_->keyClass = scratch_;
      current_->hasClass = true;
    } else {
      return Warn(L"unknown option; line kept as it is");
    }
    return true;
  }

  bool ParseValue(std::string_view line) {
    if (!current_) return Warn(L"value before any key; line kept as it is");
    size_t pos = 1;
    std::wstring& name = valueName_;
    name.clear();
    if (line[0] != '@') {
      if (!Unescape(line, pos, '"', name)) return Warn(L"value name without its closing quote; line kept as it is");
      if (name.size() > kMaxValueName) return Warn(L"value name too long; line kept as it is");
      ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') return Warn(L"value name not followed by '='; line kept as it is");
    std::string_view data = line.substr(pos + 1);
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
    if (data.starts_with("\"") || data.starts_with("str(")) {
      size_t p = 0;
      if (data[0] == 's') {
        if (!ParseTypeNumber(data, 4, ')', type, p) || p + 1 >= data.size() || data[p + 1] != ':')
          return Warn(L"bad str() type; line kept as it is");
        p += 2;
        if (p >= data.size() || data[p] != '"') return Warn(L"str() without quoted text; line kept as it is");
      }
      ++p;
      if (!Unescape(data, p, '"', scratch_)) return Warn(L"text without its closing quote; line kept as it is");
      if (p + 1 != data.size()) return Warn(L"text after the closing quote; line kept as it is");
      bytes = UnitsToBytes(scratch_, true);
    } else if (data.starts_with("dword:")) {
      std::string_view d = data.substr(6);
      std::uint32_t v = 0;
      auto r = std::from_chars(d.data(), d.data() + d.size(), v, 16);
      if (d.empty() || d.size() > 8 || r.ec != std::errc() || r.ptr != d.data() + d.size())
        return Warn(L"bad dword; line kept as it is");
      type = REG_DWORD;
      bytes = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)};
    } else if (data.starts_with("hex")) {
      size_t p = 3;
      type = REG_BINARY;
      if (p < data.size() && data[p] == '(') {
        if (!ParseTypeNumber(data, 4, ')', type, p)) return Warn(L"bad hex() type; line kept as it is");
        ++p;
      }
      if (p >= data.size() || data[p] != ':') return Warn(L"hex without ':'; line kept as it is");
      if (!ParseHex(data.substr(p + 1), bytes)) return false;
    } else {
      return Warn(L"unknown value type; line kept as it is");
    }
    current_->SetValue(name, type, std::move(bytes));
    // Damaged lines that follow are kept after this value; the buffers trade places, no copy is made.
    lastValueName_.swap(valueName_);
    hasLastValue_ = true;
    return true;
  }

  // Reads a hex type number from data[start] up to close; p ends on close.
  static bool ParseTypeNumber(std::string_view data, size_t start, char close, DWORD& type, size_t& p) {
    size_t end = data.find(close, start);
    if (end == std::string_view::npos || end == start || end - start > 8) return false;
    auto r = std::from_chars(data.data() + start, data.data() + end, type, 16);
    if (r.ec != std::errc() || r.ptr != data.data() + end) return false;
    p = end;
    return true;
  }

  // Bytes "xx,xx,...", continued on the next lines after a trailing backslash.
  bool ParseHex(std::string_view s, std::vector<BYTE>& bytes) {
    size_t startLine = lineNo_;
    bytes.reserve(s.size() / 3 + 1);  // "xx," a byte
    for (;;) {
      size_t i = 0;
      bool more = false;
      while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == ',') {
          ++i;
          continue;
        }
        if (c == '\\' && i + 1 == s.size()) {
          more = true;
          break;
        }
        int hi = HexDigit(c);
        int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
        if (hi < 0 || lo < 0) {
          SkipContinuation(s);
          return Warn(L"bad hex data; value kept as it is");
        }
        bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
        i += 2;
        if (i < s.size() && s[i] != ',' && !(s[i] == '\\' && i + 1 == s.size())) {
          SkipContinuation(s);
          return Warn(L"bad hex data; value kept as it is");
        }
      }
      if (!more) return true;
      if (!NextLine(s)) {
        return Warn(L"hex data cut off at the end of the file (started on line " + std::to_wstring(startLine) +
                    L"); value kept as it is");
      }
    }
  }

  void SkipContinuation(std::string_view s) {
    while (!s.empty() && s.back() == '\\' && NextLine(s)) {
    }
  }

  std::string_view text_;
  std::wstring_view file_;
  Hive* hive_;
  WineRegFile& out_;
  std::vector<std::wstring>* warnings_;
  size_t pos_ = 0;
  size_t lineBegin_ = 0;
  size_t lineNo_ = 0;
  Key* current_ = nullptr;
  Key* lastKey_ = nullptr;        // the last key line read well
  Key* blockOwner_ = nullptr;     // after a damaged key line: the key its lines are kept with
  size_t blockIndex_ = 0;
  std::wstring valueName_, lastValueName_;
  bool hasLastValue_ = false;
  std::wstring scratch_;
  std::vector<std::wstring_view> names_;  // into scratch_
  std::vector<Key*> chain_;               // the keys of the last key line read well, from the root down
  std::string_view lastPath_;             // that line's text after its '['
  std::vector<size_t> lastPlainEnds_;     // where its leading plain names followed by a separator end
};

void FormatValue(std::string& out, const Value& v) {
  size_t lineStart = out.size();
  if (v.name.empty()) {
    out += '@';
  } else {
    out += '"';
    Escape(out, v.name.data(), v.name.size(), "\"");
    out += '"';
  }
  out += '=';
  const size_t n = v.data.size();
  if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ) && n >= 2 && n % 2 == 0 &&
      v.data[n - 1] == 0 && v.data[n - 2] == 0) {
    if (v.type != REG_SZ) {
      out += "str(";
      AppendHex(out, v.type);
      out += "):";
    }
    thread_local std::wstring units;  // kept from value to value: one text each would be one allocation each
    units.resize(n / 2 - 1);
    for (size_t i = 0; i + 1 < n / 2; ++i) units[i] = static_cast<wchar_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
    out += '"';
    Escape(out, units.data(), units.size(), "\"");
    out += "\"\n";
    return;
  }
  if (v.type == REG_DWORD && n == 4) {
    char buf[16];
    std::uint32_t d = static_cast<std::uint32_t>(v.data[0]) | (static_cast<std::uint32_t>(v.data[1]) << 8) |
                      (static_cast<std::uint32_t>(v.data[2]) << 16) | (static_cast<std::uint32_t>(v.data[3]) << 24);
    auto r = std::to_chars(buf, buf + sizeof buf, d, 16);
    out += "dword:";
    out.append(8 - static_cast<size_t>(r.ptr - buf), '0');
    out.append(buf, r.ptr);
    out += '\n';
    return;
  }
  if (v.type == REG_BINARY) {
    out += "hex:";
  } else {
    out += "hex(";
    AppendHex(out, v.type);
    out += "):";
  }
  static const char kDigits[] = "0123456789abcdef";
  size_t column = out.size() - lineStart;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[v.data[i] >> 4];
    out += kDigits[v.data[i] & 15];
    column += 2;
    if (i + 1 < n) {
      out += ',';
      ++column;
      if (column > 76) {
        out += "\\\n  ";
        column = 2;
      }
    }
  }
  out += '\n';
}

void FormatKeyPath(std::string& out, const Key& key) {
  std::vector<const Key*> chain;
  for (const Key* k = &key; k->parent; k = k->parent) chain.push_back(k);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) out += "\\\\";
    Escape(out, (*it)->name.data(), (*it)->name.size(), "[]");
  }
}

// A key's values with the damaged lines kept among them, each where it was read.
void FormatKeptBody(std::string& out, const Key& key) {
  using Place = KeptText::Place;
  const auto& kept = *key.kept;
  for (const auto& k : kept)
    if (k.place == Place::AfterHeader) out += k.text;
  for (const Value& v : key.values) {
    FormatValue(out, v);
    for (const auto& k : kept)
      if (k.place == Place::AfterValue && EqualsNoCase(k.afterValue, v.name)) out += k.text;
  }
  // Lines whose value is gone since stay with the key.
  for (const auto& k : kept)
    if (k.place == Place::AfterValue && !key.FindValue(k.afterValue)) out += k.text;
  for (const auto& k : kept)
    if (k.place == Place::AtEnd) out += k.text;
}

}  // namespace

std::uint64_t UnixToFileTime(std::uint64_t seconds) { return seconds * 10000000ull + kEpochDiff; }
std::uint64_t FileTimeToUnix(std::uint64_t fileTime) {
  return fileTime > kEpochDiff ? (fileTime - kEpochDiff) / 10000000ull : 0;
}

bool WineRegFile::Parse(std::string_view text, std::wstring_view fileName, Hive* hive,
                        std::vector<std::wstring>* warnings, std::wstring* error) {
  relativeTo.clear();
  hasArch = false;
  readSize = text.size();
  Parser parser(text, fileName, hive, *this, warnings);
  return parser.Run(error);
}

std::string WineRegFile::Format() const {
  // Room for the text as it was read and some more: growing by doubling had copied it over and over.
  std::string out;
  out.reserve(std::max<size_t>(1 << 16, readSize + readSize / 8));
  out += kSignature;
  out += "\n;; All keys relative to ";
  Escape(out, relativeTo.data(), relativeTo.size(), "");
  out += "\n\n#arch=";
  out += arch == Arch::Win64 ? "win64" : "win32";
  out += '\n';
  if (!root) return out;
  // Lines kept from before the first key head the file; those read under an explicit root key line ("[]")
  // follow that line, where a second load finds them again.
  bool rootBody = false;
  if (root->kept)
    for (const auto& k : *root->kept) {
      if (k.place == KeptText::Place::BeforeAnyKey)
        out += k.text;
      else if (k.place != KeptText::Place::AtEndOfFile)
        rootBody = true;
    }
  // Depth first; a key is written when it has values, has no sub-keys, or carries a class, a link or kept
  // lines; the others are implied by their sub-keys. Volatile keys are never written.
  // Each key's path is its parent's, written once, and its own name: path holds the escaped path of the key
  // being written, and each key on the stack the length of its parent's.
  std::string path;
  FormatKeyPath(path, *root);
  struct Pending {
    const Key* key;
    size_t parentPath;
  };
  std::vector<Pending> stack{{root.get(), path.size()}};
  while (!stack.empty()) {
    const auto [key, parentPath] = stack.back();
    stack.pop_back();
    if (key->isVolatile) continue;
    if (key != root.get()) {
      path.resize(parentPath);
      if (!path.empty()) path += "\\\\";
      Escape(path, key->name.data(), key->name.size(), "[]");
    }
    const bool kept = key->kept && (key != root.get() || rootBody);
    if (!key->values.empty() || key->subkeys.empty() || key->hasClass || key->isLink || kept) {
      out += "\n[";
      out += path;
      out += "] ";
      AppendDec(out, FileTimeToUnix(key->modified));
      out += "\n#time=";
      AppendHex(out, key->modified);
      out += '\n';
      if (key->hasClass) {
        out += "#class=\"";
        Escape(out, key->keyClass.data(), key->keyClass.size(), "\"");
        out += "\"\n";
      }
      if (key->isLink) out += "#link\n";
      if (kept)
        FormatKeptBody(out, *key);
      else
        for (const Value& v : key->values) FormatValue(out, v);
    }
    for (auto it = key->subkeys.rbegin(); it != key->subkeys.rend(); ++it) stack.push_back({it->get(), path.size()});
  }
  if (root->kept)
    for (const auto& k : *root->kept)
      if (k.place == KeptText::Place::AtEndOfFile) out += k.text;
  return out;
}

}  // namespace mx::reg
