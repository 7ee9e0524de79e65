#include "app/StringTokens.h"

CStringTokens::CStringTokens(const std::wstring& text, const std::wstring& separator) {
  if (separator.size() != 1) {
    m_tokens.emplace_back();
  } else {
    size_t start = 0;
    for (size_t pos = text.find(separator[0]); pos != std::wstring::npos; pos = text.find(separator[0], start)) {
      m_tokens.push_back(text.substr(start, pos - start));
      start = pos + 1;
    }
    m_tokens.push_back(text.substr(start));
  }
  m_nCount = static_cast<int>(m_tokens.size());
}

std::wstring CStringTokens::GetToken(int index) const {
  return index >= 0 && index < m_nCount ? m_tokens[static_cast<size_t>(index)] : std::wstring();
}
