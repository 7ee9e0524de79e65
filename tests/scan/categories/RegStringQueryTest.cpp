#include "scan/categories/RegStringQuery.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "support/TestPrefix.h"

namespace {

TEST(RegStringQuery, ReadsOnlyTerminatedStringsThatFitTheBuffer) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mx::RegKeyHandle key;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Qzx", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                key.receive(), nullptr),
            ERROR_SUCCESS);
  auto set = [&](const wchar_t* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(win::RegSetValueEx(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  };
  auto terminated = [](const std::wstring& text) { return mx::WideToUtf16Le(text + L'\0'); };
  set(L"plain", REG_SZ, terminated(L"C:\\Qzx\\a.exe"));
  set(L"expand", REG_EXPAND_SZ, terminated(L"%SystemRoot%\\a.exe"));
  set(L"inner", REG_SZ, mx::WideToUtf16Le(std::wstring(L"ab\0cd\0", 6)));
  set(L"nodata", REG_SZ, "");
  set(L"fits", REG_SZ, terminated(std::wstring(259, L'q')));
  set(L"long", REG_SZ, terminated(std::wstring(260, L'q')));
  set(L"unterminated", REG_SZ, mx::WideToUtf16Le(L"abc"));
  set(L"odd", REG_SZ, terminated(L"abc") + "x");
  set(L"number", REG_DWORD, std::string("\1\0\0\0", 4));

  struct Case {
    const wchar_t* name;
    LONG rc;
    std::wstring text;
  };
  const Case kCases[] = {
      {L"plain", ERROR_SUCCESS, L"C:\\Qzx\\a.exe"},
      {L"expand", ERROR_SUCCESS, L"%SystemRoot%\\a.exe"},  // never expanded
      {L"inner", ERROR_SUCCESS, L"ab"},
      {L"nodata", ERROR_SUCCESS, L""},
      {L"fits", ERROR_SUCCESS, std::wstring(259, L'q')},
      {L"long", ERROR_MORE_DATA, L""},
      {L"unterminated", ERROR_BAD_FORMAT, L""},
      {L"odd", ERROR_BAD_FORMAT, L""},
      {L"number", ERROR_BAD_FORMAT, L""},
      {L"absent", ERROR_FILE_NOT_FOUND, L""},
  };
  for (const Case& c : kCases) {
    std::wstring out = L"stale";
    EXPECT_EQ(QueryRegString(key.get(), c.name, out), c.rc) << mx::WideToUtf8(c.name);
    EXPECT_EQ(out, c.text) << mx::WideToUtf8(c.name);
  }
}

}  // namespace
