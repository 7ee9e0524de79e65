#pragma once
// The tokens of a text split at a one-character separator: n separators give n + 1 tokens, empty ones
// included; any other separator gives one empty token.
#include <string>
#include <vector>

class CStringTokens {
 public:
  CStringTokens(const std::wstring& text, const std::wstring& separator);
  int GetCount() const { return m_nCount; }
  // "" for an index outside the tokens.
  std::wstring GetToken(int index) const;

 private:
  int m_nCount = 0;
  std::vector<std::wstring> m_tokens;
};
