#include "scan/categories/RegStringQuery.h"

#include <string>

#include "platform/base/Text.h"

LONG QueryRegString(HKEY key, const std::wstring& valueName, std::wstring& out, DWORD maxChars) {
  out.clear();
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG rc = win::RegQueryValueEx(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_BAD_FORMAT;
  if (size > maxChars * 2) return ERROR_MORE_DATA;
  if (size % 2 != 0) return ERROR_BAD_FORMAT;
  if (size == 0) return ERROR_SUCCESS;  // a string without data reads as the empty text

  std::string bytes(size, '\0');
  DWORD read = size;
  rc = win::RegQueryValueEx(key, valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(bytes.data()), &read);
  if (rc != ERROR_SUCCESS) return rc;
  if (read != size || (type != REG_SZ && type != REG_EXPAND_SZ)) return ERROR_BAD_FORMAT;  // changed under us
  std::wstring text = mx::Utf16LeToWide(bytes);
  if (text.empty() || text.back() != L'\0') return ERROR_BAD_FORMAT;
  text.resize(text.find(L'\0'));
  out = std::move(text);
  return ERROR_SUCCESS;
}
