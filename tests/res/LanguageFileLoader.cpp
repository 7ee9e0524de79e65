#include "res/LanguageFileLoader.h"

#include <filesystem>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"

namespace langtest {

namespace fs = std::filesystem;

IniFile LoadStrict(const std::string& name, std::vector<std::string>& faults) {
  IniFile ini;
  std::string bytes;
  if (!mx::ReadWholeFile(fs::path(MX_SOURCE_DIR) / "res" / name, bytes)) {
    faults.push_back("cannot read");
    return ini;
  }
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE' || bytes.size() % 2 != 0) {
    faults.push_back("not UTF-16LE with a byte-order mark");
    return ini;
  }
  const std::wstring text = mx::Utf16LeToWide(std::string_view(bytes).substr(2));
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0 || c == 0xFFFE || c == 0xFFFF) {
      faults.push_back("invalid code unit at " + std::to_string(i));
    } else if (c == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
      faults.push_back("line feed without carriage return at " + std::to_string(i));
    }
  }

  std::wstring section;
  size_t start = 0;
  int lineNo = 0;
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 2;
    ++lineNo;
    const std::string where = "line " + std::to_string(lineNo) + ": ";
    if (line.empty()) continue;
    if (line.front() == L'[') {
      if (line.back() != L']') faults.push_back(where + "bad section header");
      section = line.substr(1, line.size() - 2);
      if (ini.count(section)) faults.push_back(where + "section repeated");
      ini[section];
      continue;
    }
    const size_t eq = line.find(L'=');
    if (section.empty() || eq == std::wstring::npos || eq == 0) {
      faults.push_back(where + "neither a section header nor key=value");
      continue;
    }
    const std::wstring key = line.substr(0, eq);
    const std::wstring value = line.substr(eq + 1);
    if (!ini[section].emplace(key, value).second) faults.push_back(where + "key repeated");
    // The reader trims values, drops a leading quote and reads at most one buffer: a text that depends
    // on any of these would not show as written.
    if (value.empty() || mx::Trim(value) != value) faults.push_back(where + "empty, or blank at an end");
    if (!value.empty() && value.front() == L'"') faults.push_back(where + "starts with a quote");
    if (value.size() >= kReaderBufferUnits) faults.push_back(where + "longer than the reader's buffer");
  }
  return ini;
}

}  // namespace langtest
