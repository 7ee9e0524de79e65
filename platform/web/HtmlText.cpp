#include "platform/web/HtmlText.h"

namespace web {

std::wstring HtmlText(const std::wstring& data) {
  std::wstring out;
  out.reserve(data.size());
  for (wchar_t c : data) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring HtmlLines(const std::wstring& data) {
  std::wstring out;
  size_t start = 0;
  while (true) {
    size_t end = data.find(L'\n', start);
    std::wstring line = data.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    out += HtmlText(line);
    if (end == std::wstring::npos) break;
    out += L"<br>";
    start = end + 1;
  }
  return out;
}

}  // namespace web
