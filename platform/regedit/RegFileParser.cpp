#include "platform/regedit/RegFileParser.h"

#include <cstdint>
#include <optional>

#include "platform/base/Text.h"
#include "platform/regedit/AnsiText.h"

namespace mx {

namespace {

constexpr std::wstring_view kVersion5 = L"Windows Registry Editor Version 5.00";
constexpr std::wstring_view kVersion4 = L"REGEDIT4";
// The largest value a file may set. It bounds what a hostile file can make us allocate per value.
constexpr size_t kMaxValueBytes = 4 * 1024 * 1024;

struct ParseFailure {
  int line;
  std::string message;
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view TrimBlanks(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Up to maxDigits hex digits, the whole of s.
std::optional<std::uint32_t> ParseHexNumber(std::wstring_view s, size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  std::uint32_t v = 0;
  for (wchar_t c : s) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return v;
}

void AppendUtf16Le(std::vector<BYTE>& out, std::wstring_view text) {
  for (wchar_t c : text) {
    auto u = static_cast<std::uint32_t>(c);
    out.push_back(static_cast<BYTE>(u & 0xFF));
    out.push_back(static_cast<BYTE>((u >> 8) & 0xFF));
  }
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Splits text into lines at CR LF, LF or a lone CR, keeping their numbers.
class LineReader {
 public:
  explicit LineReader(std::wstring_view text) : text_(text) {}
  bool next(std::wstring_view& line) {
    if (pos_ > text_.size() || (pos_ == text_.size() && ended_)) return false;
    size_t end = text_.find_first_of(L"\r\n", pos_);
    if (end == std::wstring_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      ended_ = true;
      if (line.empty()) return false;
    } else {
      line = text_.substr(pos_, end - pos_);
      pos_ = end + ((text_[end] == L'\r' && end + 1 < text_.size() && text_[end + 1] == L'\n') ? 2 : 1);
      if (pos_ == text_.size()) ended_ = true;
    }
    ++number_;
    return true;
  }
  int number() const { return number_; }

 private:
  std::wstring_view text_;
  size_t pos_ = 0;
  bool ended_ = false;
  int number_ = 0;
};

class Parser {
 public:
  Parser(std::wstring_view text, RegTextOptions options) : lines_(text), options_(options) {}

  std::optional<ParseFailure> run(RegScript& script) {
    std::wstring_view line;
    bool first = true;
    while (lines_.next(line)) {
      if (first) {
        first = false;
        std::wstring_view header = TrimBlanks(line);
        if (header == kVersion5) continue;
        if (header == kVersion4) {
          version4_ = true;
          continue;
        }
        if (!options_.headerOptional)
          return fail("not a registry file: the first line must be \"Windows Registry Editor Version 5.00\" or "
                      "\"REGEDIT4\"");
      }
      if (auto failure = parseLine(line, script)) return failure;
    }
    if (!options_.headerOptional && first) return ParseFailure{1, "empty file, not a registry file"};
    return std::nullopt;
  }

 private:
  ParseFailure fail(std::string message) const { return ParseFailure{lines_.number(), std::move(message)}; }

  std::optional<ParseFailure> parseLine(std::wstring_view raw, RegScript& script) {
    std::wstring_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == L';') return std::nullopt;
    if (line.front() == L'[') return parseKey(line, script);
    if (line.front() == L'"' || line.front() == L'@') return parseValue(line, script);
    return fail("not a key, value or comment line");
  }

  std::optional<ParseFailure> parseKey(std::wstring_view line, RegScript& script) {
    size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos || close == 0) return fail("key line without closing \"]\"");
    if (!TrimBlanks(line.substr(close + 1)).empty()) return fail("text after the key name");
    std::wstring_view name = line.substr(1, close - 1);
    bool remove = !name.empty() && name.front() == L'-';
    if (remove) name.remove_prefix(1);
    RegOperation op;
    op.kind = remove ? RegOperationKind::DeleteKey : RegOperationKind::CreateKey;
    op.line = lines_.number();
    if (std::string error = SplitRegKeyName(name, &op.root, &op.path); !error.empty()) return fail(error);
    if (remove && op.path.empty()) return fail("a root key cannot be deleted");
    haveKey_ = true;
    keyDeleted_ = remove;
    currentRoot_ = op.root;
    currentPath_ = op.path;
    script.push_back(std::move(op));
    return std::nullopt;
  }

  // A quoted text starting at s[pos] == '"'; leaves pos after the closing quote.
  std::optional<ParseFailure> parseQuoted(std::wstring_view s, size_t& pos, std::wstring& out,
                                          const char* what) const {
    ++pos;
    while (pos < s.size()) {
      wchar_t c = s[pos++];
      if (c == L'"') return std::nullopt;
      if (c == L'\\') {
        if (pos >= s.size()) break;
        wchar_t e = s[pos++];
        if (e != L'\\' && e != L'"')
          return fail(std::string("bad escape \"\\") + WideToUtf8(std::wstring(1, e)) + "\" in " + what);
        c = e;
      }
      out.push_back(c);
    }
    return fail(std::string("unterminated ") + what);
  }

  std::optional<ParseFailure> parseValue(std::wstring_view line, RegScript& script) {
    if (!haveKey_) return fail("value before the first key line");
    if (keyDeleted_) return fail("value under a key that is being deleted");
    RegOperation op;
    op.line = lines_.number();
    op.root = currentRoot_;
    op.path = currentPath_;
    size_t pos = 0;
    if (line.front() == L'@') {
      pos = 1;
    } else if (auto failure = parseQuoted(line, pos, op.valueName, "value name")) {
      return failure;
    }
    if (op.valueName.size() > kMaxRegValueNameLength)
      return fail("value name longer than " + std::to_string(kMaxRegValueNameLength) + " characters");
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != L'=') return fail("expected \"=\" after the value name");
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    std::wstring_view data = line.substr(pos);

    if (data == L"-") {
      op.kind = RegOperationKind::DeleteValue;
    } else if (!data.empty() && data.front() == L'"') {
      std::wstring text;
      size_t p = 0;
      if (auto failure = parseQuoted(data, p, text, "string")) return failure;
      if (!TrimBlanks(data.substr(p)).empty()) return fail("text after the closing quote");
      op.kind = RegOperationKind::SetValue;
      op.type = REG_SZ;
      text.push_back(L'\0');
      AppendUtf16Le(op.data, text);
    } else if (StartsWithNoCase(data, L"dword:")) {
      auto v = ParseHexNumber(data.substr(6), 8);
      if (!v) return fail("dword: needs one to eight hexadecimal digits");
      op.kind = RegOperationKind::SetValue;
      op.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) op.data.push_back(static_cast<BYTE>((*v >> (8 * i)) & 0xFF));
    } else if (StartsWithNoCase(data, L"hex")) {
      std::wstring_view rest = data.substr(3);
      op.kind = RegOperationKind::SetValue;
      op.type = REG_BINARY;
      if (!rest.empty() && rest.front() == L'(') {
        size_t close = rest.find(L')');
        if (close == std::wstring_view::npos) return fail("hex( without closing \")\"");
        auto type = ParseHexNumber(rest.substr(1, close - 1), 8);
        if (!type) return fail("hex(N): needs a hexadecimal type number");
        op.type = *type;
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != L':') return fail("expected \":\" after hex");
      rest.remove_prefix(1);
      if (auto failure = parseHexBytes(rest, op.data)) return failure;
      // REGEDIT4 writes the string types one ANSI byte per character.
      if (version4_ && IsStringType(op.type)) {
        std::string bytes(op.data.begin(), op.data.end());
        op.data.clear();
        AppendUtf16Le(op.data, AnsiToWide(bytes));
      }
    } else {
      return fail("unrecognised value data (expected a string, dword:, hex: or hex(N):)");
    }
    script.push_back(std::move(op));
    return std::nullopt;
  }

  // Comma-separated bytes; a line ending in a backslash continues on the next one.
  std::optional<ParseFailure> parseHexBytes(std::wstring_view text, std::vector<BYTE>& out) {
    int startLine = lines_.number();
    for (;;) {
      std::wstring_view chunk = TrimBlanks(text);
      bool more = !chunk.empty() && chunk.back() == L'\\';
      if (more) chunk = TrimBlanks(chunk.substr(0, chunk.size() - 1));
      size_t pos = 0;
      while (pos < chunk.size()) {
        size_t comma = chunk.find(L',', pos);
        bool last = comma == std::wstring_view::npos;
        std::wstring_view token = TrimBlanks(chunk.substr(pos, last ? std::wstring_view::npos : comma - pos));
        auto byte = ParseHexNumber(token, 2);
        if (!byte) return fail("bad hex byte \"" + WideToUtf8(token.substr(0, 16)) + "\"");
        if (out.size() >= kMaxValueBytes)
          return ParseFailure{startLine, "value data larger than " + std::to_string(kMaxValueBytes) + " bytes"};
        out.push_back(static_cast<BYTE>(*byte));
        if (last) {
          // Bytes must be comma-separated across a continuation too.
          if (more) return fail("missing comma before the line continuation");
          break;
        }
        pos = comma + 1;
      }
      if (!more) return std::nullopt;
      std::wstring_view next;
      if (!lines_.next(next))
        return ParseFailure{startLine, "hex data continues past the end of the file"};
      text = next;
    }
  }

  LineReader lines_;
  RegTextOptions options_;
  bool version4_ = false;
  bool haveKey_ = false;
  bool keyDeleted_ = false;
  HKEY currentRoot_ = nullptr;
  std::wstring currentPath_;
};

}  // namespace

RegParseResult ParseRegText(std::wstring_view text, RegTextOptions options) {
  RegParseResult result;
  Parser parser(text, options);
  if (auto failure = parser.run(result.script)) {
    result.script.clear();
    result.error = "line " + std::to_string(failure->line) + ": " + failure->message;
  }
  return result;
}

RegParseResult ParseRegFile(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) {
      RegParseResult result;
      result.error = "line 1: UTF-16 text with an odd number of bytes (truncated file)";
      return result;
    }
    return ParseRegText(Utf16LeToWide(bytes));
  }
  return ParseRegText(AnsiToWide(bytes));
}

}  // namespace mx
