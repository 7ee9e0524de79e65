#include "platform/system/Environment.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/system/FixturePrefixCache.h"
#include "support/TestPrefix.h"

namespace {

std::wstring Expand(const wchar_t* text) {
  wchar_t buffer[2048];
  DWORD n = win::ExpandEnvironmentStrings(text, buffer, 2048);
  EXPECT_GT(n, 0u);
  return std::wstring(buffer, n - 1);
}

TEST(Environment, FixtureVariablesAsOur32BitProgramSeesThem) {
  mxtest::UseSharedFixture fixture;
  struct Case {
    const wchar_t* text;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"%ProgramFiles%", L"C:\\Program Files (x86)"},
      {L"%PROGRAMFILES(X86)%", L"C:\\Program Files (x86)"},
      {L"%ProgramW6432%", L"C:\\Program Files"},
      {L"%CommonProgramFiles%", L"C:\\Program Files (x86)\\Common Files"},
      {L"%CommonProgramW6432%", L"C:\\Program Files\\Common Files"},
      {L"%SystemRoot%\\system32", L"C:\\windows\\system32"},
      {L"%windir%", L"C:\\windows"},
      {L"%SystemDrive%", L"C:"},
      {L"%ProgramData%|%ALLUSERSPROFILE%|%PUBLIC%", L"C:\\ProgramData|C:\\ProgramData|C:\\users\\Public"},
      {L"%USERPROFILE%|%USERNAME%", L"C:\\users\\root|root"},
      {L"%APPDATA%|%LOCALAPPDATA%", L"C:\\users\\root\\AppData\\Roaming|C:\\users\\root\\AppData\\Local"},
      // the user's TEMP wins over the machine's %SystemRoot%\temp
      {L"%TEMP%|%tmp%", L"C:\\users\\root\\Temp|C:\\users\\root\\Temp"},
      {L"%ComSpec%", L"C:\\windows\\system32\\cmd.exe"},
      {L"%NoSuchVariable%\\x", L"%NoSuchVariable%\\x"},
      {L"100% sure", L"100% sure"},
      {L"%%windir%", L"%C:\\windows"},
      {L"%", L"%"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << mx::WideToUtf8(c.text);
  std::wstring path = mx::GetEnv(L"path").value_or(L"");
  EXPECT_EQ(path.rfind(L"C:\\windows\\system32;C:\\windows;", 0), 0u) << mx::WideToUtf8(path);
}

TEST(Environment, BufferSizesFollowWindows) {
  mxtest::UseSharedFixture fixture;
  wchar_t small[5] = {L'x', L'x', L'x', L'x', 0};
  // "C:\windows" is 10 characters: the size with the null is 11, also when the buffer is too short.
  EXPECT_EQ(win::ExpandEnvironmentStrings(L"%windir%", small, 5), 11u);
  EXPECT_EQ(small[0], L'x');
  EXPECT_EQ(win::ExpandEnvironmentStrings(L"%windir%", nullptr, 0), 11u);
  wchar_t exact[11];
  EXPECT_EQ(win::ExpandEnvironmentStrings(L"%windir%", exact, 11), 11u);
  EXPECT_STREQ(exact, L"C:\\windows");

  EXPECT_EQ(win::GetEnvironmentVariable(L"WINDIR", small, 5), 11u);
  EXPECT_EQ(win::GetEnvironmentVariable(L"WINDIR", exact, 11), 10u);
  EXPECT_EQ(win::GetEnvironmentVariable(L"NoSuchVariable", exact, 11), 0u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST(Environment, NeverTheHostsEnvironment) {
  ::setenv("MX_HOST_ONLY_VARIABLE", "host", 1);
  mxtest::UseSharedFixture fixture;
  EXPECT_FALSE(mx::GetEnv(L"MX_HOST_ONLY_VARIABLE"));
  EXPECT_FALSE(mx::GetEnv(L"HOME"));
  EXPECT_EQ(Expand(L"%MX_HOST_ONLY_VARIABLE%"), L"%MX_HOST_ONLY_VARIABLE%");
}

TEST(Environment, ProcessVariablesAndA32BitPrefix) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager\Environment]
"PATH"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00
"Tools"="D:\\tools"

[HKEY_CURRENT_USER\Environment]
"PATH"="C:\\mine"
)");
  // No registry folders in this prefix: Windows' defaults apply, and a 32-bit machine has no x86 twin.
  EXPECT_EQ(Expand(L"%ProgramFiles%"), L"C:\\Program Files");
  EXPECT_EQ(Expand(L"%ProgramFiles(x86)%"), L"%ProgramFiles(x86)%");
  // the user's PATH is appended to the machine's
  EXPECT_EQ(Expand(L"%PATH%"), L"C:\\windows;C:\\mine");
  EXPECT_EQ(Expand(L"%TOOLS%"), L"D:\\tools");
  // Nothing in this registry names the user: Wine's defaults.
  EXPECT_EQ(Expand(L"%USERPROFILE%|%TEMP%"), L"C:\\users\\user|C:\\users\\user\\Temp");

  EXPECT_TRUE(win::SetEnvironmentVariable(L"Tools", L"E:\\other"));
  EXPECT_EQ(Expand(L"%tools%"), L"E:\\other");
  EXPECT_TRUE(win::SetEnvironmentVariable(L"TOOLS", nullptr));
  EXPECT_EQ(Expand(L"%tools%"), L"%tools%");
  EXPECT_FALSE(win::SetEnvironmentVariable(L"a=b", L"x"));
}

}  // namespace
