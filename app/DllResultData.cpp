#include "app/DllResultData.h"

#include <cstdint>

#include "app/XmlDocument.h"

int ParseDllOrder(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t' || text[i] == L'\r' || text[i] == L'\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<std::int64_t>(INT_MAX) + 1) value = static_cast<std::int64_t>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

BOOL ReadDllResultItem(CXmlDocument& doc, DLL_RESULT_DATA_EX& record) {
  if (doc.currentPos_ == 0) return FALSE;
  const std::uint32_t firstChild = doc.index_[doc.currentPos_].firstChild;
  auto read = [&](std::wstring_view name, std::wstring& field) {
    if (std::uint32_t found = doc.NextMatch(firstChild, name)) field = doc.GetElementTextAt(static_cast<int>(found));
  };
  read(L"filename", record.filename);
  read(L"hash", record.hash);
  read(L"filedescription", record.filedescription);
  read(L"url", record.url);
  read(L"bits", record.bits);
  read(L"osname", record.osname);
  read(L"fileversion", record.fileversion);
  if (std::uint32_t found = doc.NextMatch(firstChild, L"order")) {
    record.order = ParseDllOrder(doc.GetElementTextAt(static_cast<int>(found)));
  }
  read(L"langname", record.langname);
  return TRUE;
}
