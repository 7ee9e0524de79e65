#include "platform/system/SystemInfo.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/system/FixturePrefixCache.h"
#include "platform/system/Module.h"
#include "platform/system/Sfc.h"
#include "platform/system/Wow64Redirection.h"
#include "support/TestPrefix.h"

namespace {

TEST(SystemInfo, IdentityComesFromTheFixturePrefix) {
  mxtest::UseSharedFixture fixture;
  BOOL wow64 = FALSE;
  EXPECT_TRUE(win::IsWow64Process(nullptr, &wow64));
  EXPECT_TRUE(wow64);
  OSVERSIONINFOW info;
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(win::GetVersionEx(&info));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_STREQ(info.szCSDVersion, L"Service Pack 1");
  EXPECT_EQ(mx::CurrentUserSid(), L"S-1-5-21-0-0-0-1000");

  wchar_t name[16];
  DWORD size = 2;
  EXPECT_FALSE(win::GetUserName(name, &size));
  EXPECT_EQ(size, 5u);
  EXPECT_TRUE(win::GetUserName(name, &size));
  EXPECT_STREQ(name, L"root");

  OSVERSIONINFOEXW ex;
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(win::GetVersionEx(&ex));
  EXPECT_EQ(ex.wServicePackMajor, 1);
  EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);
  SYSTEM_INFO native, own;
  win::GetNativeSystemInfo(&native);
  win::GetSystemInfo(&own);
  EXPECT_EQ(native.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
  EXPECT_EQ(own.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_EQ(native.dwNumberOfProcessors, 8u) << "as the prefix's NUMBER_OF_PROCESSORS says";

  mx::PinOsVersion(5, 1);
  ASSERT_TRUE(win::GetVersionEx(&info));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  mx::PinOsVersion(0, 0);

  info.dwOSVersionInfoSize = 4;
  EXPECT_FALSE(win::GetVersionEx(&info));
}

TEST(SystemInfo, ProgramLivesInProgramFilesMappedToItsBuildFolder) {
  mxtest::UseSharedFixture fixture;
  wchar_t path[MAX_PATH + 1];
  DWORD n = win::GetModuleFileName(nullptr, path, MAX_PATH + 1);
  EXPECT_EQ(std::wstring(path, n), L"C:\\Program Files (x86)\\Tarvolen\\Mendrix\\mendrix.exe");
  wchar_t shortBuffer[10];
  EXPECT_EQ(win::GetModuleFileName(nullptr, shortBuffer, 10), 10u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(shortBuffer), L"C:\\Progra");
  EXPECT_EQ(mx::ProgramHostDir(), std::filesystem::read_symlink("/proc/self/exe").parent_path());

  mxtest::TestPrefix win32(mxtest::Arch::Win32);
  EXPECT_EQ(mx::ProgramWinPath(), L"C:\\Program Files\\Tarvolen\\Mendrix\\mendrix.exe");
}

TEST(Wow64Redirection, PerThreadOnA64BitPrefixOnly) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  EXPECT_TRUE(mx::IsFsRedirectionActive());
  void* old = nullptr;
  ASSERT_TRUE(win::Wow64DisableWow64FsRedirection(&old));
  EXPECT_FALSE(mx::IsFsRedirectionActive());
  bool otherThread = false;
  std::thread([&] { otherThread = mx::IsFsRedirectionActive(); }).join();
  EXPECT_TRUE(otherThread) << "a new thread starts with redirection on";
  // Nested disable and revert restore each level.
  void* inner = nullptr;
  ASSERT_TRUE(win::Wow64DisableWow64FsRedirection(&inner));
  ASSERT_TRUE(win::Wow64RevertWow64FsRedirection(inner));
  EXPECT_FALSE(mx::IsFsRedirectionActive());
  ASSERT_TRUE(win::Wow64RevertWow64FsRedirection(old));
  EXPECT_TRUE(mx::IsFsRedirectionActive());
  EXPECT_FALSE(win::Wow64RevertWow64FsRedirection(reinterpret_cast<void*>(0x1234)));
  {
    mx::ScopedFsRedirectionOff off;
    EXPECT_FALSE(mx::IsFsRedirectionActive());
  }
  EXPECT_TRUE(mx::IsFsRedirectionActive());

  mxtest::TestPrefix win32(mxtest::Arch::Win32);
  EXPECT_FALSE(win::Wow64DisableWow64FsRedirection(&old));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_FALSE(mx::IsFsRedirectionActive());
  BOOL wow64 = TRUE;
  EXPECT_TRUE(win::IsWow64Process(nullptr, &wow64));
  EXPECT_FALSE(wow64);
}

TEST(Sfc, NothingIsProtectedUnlessATestSaysSo) {
  EXPECT_FALSE(win::SfcIsFileProtected(nullptr, L"C:\\windows\\system32\\kernel32.dll"));
  EXPECT_FALSE(win::SfcIsKeyProtected(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0));
  mx::SetProtectedFiles({L"C:\\Windows\\System32\\gone.dll"});
  mx::SetProtectedKeys({{L"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID", KEY_WOW64_64KEY}});
  EXPECT_TRUE(win::SfcIsFileProtected(nullptr, L"c:/windows/system32/GONE.DLL"));
  EXPECT_FALSE(win::SfcIsFileProtected(nullptr, L"C:\\Windows\\System32\\gone.dl"));
  EXPECT_TRUE(win::SfcIsKeyProtected(HKEY_LOCAL_MACHINE, L"software\\classes\\clsid\\{x}", KEY_WOW64_64KEY));
  EXPECT_TRUE(win::SfcIsKeyProtected(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0));
  EXPECT_FALSE(win::SfcIsKeyProtected(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", KEY_WOW64_32KEY));
  EXPECT_FALSE(win::SfcIsKeyProtected(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSIDX", KEY_WOW64_64KEY));
  EXPECT_FALSE(win::SfcIsKeyProtected(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID", 0));
  mx::SetProtectedFiles({});
  mx::SetProtectedKeys({});
}

}  // namespace
