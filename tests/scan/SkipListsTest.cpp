#include <gtest/gtest.h>

#include <set>

#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/DeepScanExclusions.h"
#include "scan/SkipLists.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

TEST(PathSkipList, SystemFilesVendorsAndUnexpandedFoldersAreNotReportable) {
  const wchar_t* const skipped[] = {
      L"C:\\WINDOWS\\SYSTEM32\\NTOSKRNL.EXE", L"C:\\Program Files\\HPQ\\tool.exe",
      L"C:\\Program Files\\NORTON\\Engine\\x.dll", L"%windir%\\tracing\\qzx.log",
      L"C:\\Qzx\\unins000.exe",
  };
  for (const wchar_t* path : skipped) EXPECT_FALSE(IsReportablePath(path)) << mx::WideToUtf8(path);
  EXPECT_TRUE(IsReportablePath(L"C:\\Qzx\\Tools\\qzx.exe"));

  // the check consults the list before it expands variables
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mxtest::StubCategory category;
  FileCheckOptions withList;
  withList.bUsePathSkipList = true;
  EXPECT_TRUE(category.IsFileReferenceValid(L"%windir%\\tracing\\qzxgone.dll", withList));
  EXPECT_FALSE(category.IsFileReferenceValid(L"%windir%\\qzxgone.dll", withList));
}

TEST(KeySkipList, SystemAreasStandardGuidsAndWordsAreNotReportable) {
  const wchar_t* const skipped[] = {
      L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Qzx",
      L"HKEY_CLASSES_ROOT\\CLSID\\{12345678-9abc-11D2-8000-00aa00bbccdd}\\InprocServer32",
      L"HKEY_CURRENT_USER\\Software\\Qzx\\AutoUPDATE", L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Security",
      L"HKEY_CLASSES_ROOT\\exefile\\shell\\open\\command", L"HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives",
  };
  for (const wchar_t* key : skipped) EXPECT_FALSE(IsReportableKey(key)) << mx::WideToUtf8(key);
}

// The areas the categories examine must stay reportable, or those categories would never report anything.
TEST(KeySkipList, AreasTheCategoriesExamineStayReportable) {
  const wchar_t* const reportable[] = {
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qzx.exe",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\HTML Help",
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QzxTool",
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
      L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemAsterisk\\.Current",
      L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\Close\\.Current",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.qzx",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
      L"{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\qzx",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList",
      L"HKEY_CLASSES_ROOT\\QzxFile\\shell\\open\\command", L"HKEY_CLASSES_ROOT\\QzxFile\\DefaultIcon",
      L"HKEY_CLASSES_ROOT\\.qzx", L"HKEY_CLASSES_ROOT\\Directory\\shell\\QzxVerb\\command",
      L"HKEY_CLASSES_ROOT\\CLSID\\{6A1F0C11-7E2D-4B5A-9C3E-5F0D2B7A9E41}\\InprocServer32",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{6A1F0C11-7E2D-4B5A-9C3E-5F0D2B7A9E41}",
      L"HKEY_CLASSES_ROOT\\TypeLib\\{6A1F0C11-7E2D-4B5A-9C3E-5F0D2B7A9E41}\\1.0\\0\\win32",
      L"HKEY_CLASSES_ROOT\\Interface\\{6A1F0C11-7E2D-4B5A-9C3E-5F0D2B7A9E41}\\ProxyStubClsid32",
      L"HKEY_CLASSES_ROOT\\AppID\\{6A1F0C11-7E2D-4B5A-9C3E-5F0D2B7A9E41}",
      L"HKEY_CURRENT_USER\\Software\\QzxVendor\\Settings",
  };
  for (const wchar_t* key : reportable) EXPECT_TRUE(IsReportableKey(key)) << mx::WideToUtf8(key);
}

// Every string that names a file in a registry that Wine wrote, walked in both views: what is missing lies in
// the system's own areas, which the key skip list keeps out of the results.
void CollectReportable(CCategory& category, HKEY root, const std::wstring& rootName, const std::wstring& path,
                       REGSAM view, std::vector<std::string>& found) {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(root, path.c_str(), 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS) return;
  std::vector<std::wstring> names;
  EnumValueNames(key.get(), names);
  for (const std::wstring& name : names) {
    std::wstring text;
    (view == KEY_WOW64_32KEY ? ReadRegString32 : ReadRegString64)(text, root, path, name);
    const std::wstring lower = mx::ToLower(text);
    if (lower.find(L":\\") == std::wstring::npos && lower.find(L".dll") == std::wstring::npos &&
        lower.find(L".exe") == std::wstring::npos)
      continue;
    const std::wstring full = rootName + L"\\" + path;
    if (!category.IsFileReferenceValid(text, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE, FALSE) && IsReportableKey(full))
      found.push_back(mx::WideToUtf8(full + L" | " + name + L" = " + text));
  }
  std::vector<std::wstring> subKeys;
  EnumSubKeys(key.get(), subKeys);
  for (const std::wstring& sub : subKeys)
    CollectReportable(category, root, rootName, path.empty() ? sub : path + L"\\" + sub, view, found);
}

TEST(KeySkipList, MissingReferencesOfTheSamplePrefixAreAllInSkippedAreas) {
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  void* redirection = nullptr;
  DisableWow64Redirection(&redirection);
  mxtest::StubCategory category;
  std::vector<std::string> found;
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    CollectReportable(category, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software", view, found);
    CollectReportable(category, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"", view, found);
    CollectReportable(category, HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"", view, found);
  }
  RevertWow64Redirection(redirection);
  EXPECT_TRUE(found.empty()) << found.size() << " reportable, first: " << found.front();
}

TEST(DeepScanExclusions, TableAndMatching) {
  std::set<std::wstring_view> distinct(DeepScanExclusionList.begin(), DeepScanExclusionList.end());
  EXPECT_EQ(distinct.size(), 330u);
  for (std::wstring_view entry : DeepScanExclusionList) EXPECT_EQ(std::wstring(entry), mx::ToLower(entry));

  EXPECT_TRUE(IsDeepScanExcludedKey(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\CLSID\\{x}\\InprocServer32"));
  EXPECT_TRUE(IsDeepScanExcludedKey(L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Qzx"));
  EXPECT_TRUE(IsDeepScanExcludedKey(L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps"));
  EXPECT_FALSE(IsDeepScanExcludedKey(L"HKEY_LOCAL_MACHINE\\Software\\QzxVendor\\Settings"));
}

}  // namespace
