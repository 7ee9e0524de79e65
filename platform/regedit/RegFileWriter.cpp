#include "platform/regedit/RegFileWriter.h"

#include <cstdint>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace mx {

namespace {

// A hex list breaks once its line has reached this many characters, so no line passes column 80.
constexpr size_t kWrapColumn = 77;

std::wstring Quote(std::wstring_view text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out.push_back(L'\\');
    out.push_back(c);
  }
  out.push_back(L'"');
  return out;
}

std::wstring NamePart(std::wstring_view name) { return name.empty() ? std::wstring(L"@") : Quote(name); }

// The text of a REG_SZ that survives the quoted form unchanged: whole UTF-16 units, one terminating NUL and
// no other, no line break (a quoted string cannot span lines).
bool CleanString(std::span<const BYTE> data, std::wstring& text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  size_t units = data.size() / 2;
  text.clear();
  for (size_t i = 0; i < units; ++i) {
    auto u = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    bool last = i + 1 == units;
    if ((u == 0) != last) return false;
    if (u == L'\r' || u == L'\n') return false;
    if (!last) text.push_back(u);
  }
  return true;
}

wchar_t HexChar(unsigned v) { return static_cast<wchar_t>(v < 10 ? L'0' + v : L'a' + v - 10); }

}  // namespace

RegFileWriter::RegFileWriter() : bytes_("\xFF\xFE", 2) { put(L"Windows Registry Editor Version 5.00\r\n\r\n"); }

void RegFileWriter::streamTo(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }

void RegFileWriter::put(std::wstring_view text) {
  constexpr size_t kPiece = size_t{1} << 20;
  if (sink_ && bytes_.size() >= kPiece) {
    sink_(bytes_);
    handedOn_ += bytes_.size();
    bytes_.clear();
  }
  const size_t at = bytes_.size();
  bytes_.resize(at + 2 * text.size());
  char* out = bytes_.data() + at;
  for (wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(c) & 0xFFFF;
    *out++ = static_cast<char>(u & 0xFF);
    *out++ = static_cast<char>(u >> 8);
  }
}

void RegFileWriter::addKey(std::wstring_view fullName) {
  if (keyOpen_) put(L"\r\n");
  put(L"[");
  put(fullName);
  put(L"]\r\n");
  keyOpen_ = true;
}

void RegFileWriter::addValue(std::wstring_view name, DWORD type, std::span<const BYTE> data) {
  std::wstring line = NamePart(name);
  line += L"=";
  std::wstring text;
  if (type == REG_SZ && CleanString(data, text)) {
    put(line);
    put(Quote(text));
    put(L"\r\n");
    return;
  }
  if (type == REG_DWORD && data.size() == 4) {
    std::uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    line += L"dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line.push_back(HexChar((v >> shift) & 0xF));
    line += L"\r\n";
    put(line);
    return;
  }
  if (type == REG_BINARY) {
    line += L"hex:";
  } else {
    line += L"hex(";
    bool digits = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
      unsigned d = (type >> shift) & 0xF;
      if (d || digits || shift == 0) {
        line.push_back(HexChar(d));
        digits = true;
      }
    }
    line += L"):";
  }
  addHex(std::move(line), data);
}

void RegFileWriter::addHex(std::wstring line, std::span<const BYTE> data) {
  size_t column = line.size();
  for (size_t i = 0; i < data.size(); ++i) {
    line.push_back(HexChar(data[i] >> 4));
    line.push_back(HexChar(data[i] & 0xF));
    column += 2;
    if (i + 1 == data.size()) break;
    line.push_back(L',');
    ++column;
    if (column >= kWrapColumn) {
      line += L"\\\r\n  ";
      column = 2;
    }
  }
  line += L"\r\n";
  put(line);
}

std::wstring RegFileWriter::text() const {
  std::wstring text = Utf16LeToWide(std::string_view(bytes_).substr(handedOn_ ? 0 : 2));
  return keyOpen_ ? text + L"\r\n" : text;
}

const std::string& RegFileWriter::fileBytes() {
  if (keyOpen_) put(L"\r\n");
  keyOpen_ = false;  // the blank line written is the one the next key would start with
  return bytes_;
}

}  // namespace mx
