#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <random>
#include <set>

#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/DeepScanExclusions.h"
#include "scan/SkipLists.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/RegistryDump.h"
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

// The indexed lookup must answer as a plain search for every entry in the whole path would: on every key
// of the sample prefix (as the deep scan passes it, below its root, and with the root's name) and on paths
// built from the entries, their near misses and pieces of real keys, in mixed case.
TEST(DeepScanExclusions, IndexedLookupAgreesWithAPlainSearch) {
  auto plain = [](const std::wstring& path) {
    const std::wstring lower = mx::ToLower(path);
    return std::any_of(DeepScanExclusionList.begin(), DeepScanExclusionList.end(),
                       [&](std::wstring_view entry) { return lower.find(entry) != std::wstring::npos; });
  };
  std::vector<std::wstring> paths;
  std::vector<std::wstring> components;
  {
    mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
    for (const auto& [line, data] : mxtest::DumpRegistry()) {
      if (!data.empty()) continue;  // a value, not a key
      const std::wstring full = line.substr(line.find(L':') + 1);  // "hklm\software\..."
      const size_t below = full.find(L'\\');
      paths.push_back(full);
      if (below == std::wstring::npos) continue;
      paths.push_back(full.substr(below + 1));
      for (size_t at = below + 1, end; at < full.size(); at = end + 1) {
        end = std::min(full.find(L'\\', at), full.size());
        components.push_back(full.substr(at, end - at));
      }
    }
  }
  const size_t samplePaths = paths.size();
  ASSERT_GT(samplePaths, 50000u) << "both views of the sample prefix";

  std::mt19937 random(36);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  auto mixCase = [&](std::wstring text) {
    for (wchar_t& c : text)
      if (pick(2)) c = static_cast<wchar_t>(std::towupper(c));
    return text;
  };
  for (std::wstring_view entry : DeepScanExclusionList) {
    const std::wstring e(entry);
    for (const std::wstring& path : {e, e.substr(1), e.substr(0, e.size() - 1), L"Software\\" + mixCase(e) + L"\\x",
                                     L"q" + e.substr(1) + L"q"})
      paths.push_back(path);
  }
  const std::wstring kGlue[] = {L"\\", L"\\", L"", L".", L"-", L" "};
  for (int n = 0; n < 3000; ++n) {
    std::wstring path;
    for (size_t pieces = 1 + pick(5); pieces > 0; --pieces) {
      std::wstring piece;
      const std::wstring entry(DeepScanExclusionList[pick(DeepScanExclusionList.size())]);
      switch (pick(3)) {
        case 0: piece = components[pick(components.size())]; break;
        case 1: piece = entry; break;
        default: {  // a piece of an entry: mostly misses that share its start or its end
          const size_t from = pick(entry.size()), length = 1 + pick(entry.size() - from);
          piece = entry.substr(from, length);
        }
      }
      path += (path.empty() ? L"" : kGlue[pick(std::size(kGlue))]) + mixCase(piece);
    }
    paths.push_back(path);
  }

  size_t hits = 0, sampleHits = 0, disagreements = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    const bool expected = plain(paths[i]);
    hits += expected;
    sampleHits += expected && i < samplePaths;
    if (IsDeepScanExcludedKey(paths[i]) != expected && ++disagreements <= 10)
      ADD_FAILURE() << mx::WideToUtf8(paths[i]) << " should " << (expected ? "" : "not ") << "be excluded";
  }
  EXPECT_EQ(disagreements, 0u) << "of " << paths.size() << " paths";
  // Both answers must be common, or the comparison would prove little.
  EXPECT_GT(sampleHits, samplePaths / 20) << samplePaths;
  EXPECT_LT(sampleHits, samplePaths - samplePaths / 20) << samplePaths;
  EXPECT_GT(hits - sampleHits, 1000u);
  EXPECT_GT(paths.size() - samplePaths - (hits - sampleHits), 1000u);
}

// The plain search the matcher stands for: the lower-cased text searched for each entry in turn.
bool ContainsAnyEntry(const std::wstring& text, const std::vector<std::wstring>& entries) {
  const std::wstring lower = mx::ToLower(text);
  for (const std::wstring& entry : entries)
    if (lower.find(entry) != std::wstring::npos) return true;
  return false;
}

// The matcher the problem filter uses answers as a search of the text for each entry does: entries of one
// unit, entries at the very end, entries that overlap each other or start inside another entry's start.
TEST(SkipListMatcher, AnswersAsASearchForEveryEntry) {
  const std::vector<std::wstring> entries = {L"ab", L"abc", L"b", L"cab", L"\\x", L"xy\\", L"bca", L"\u00e9\u00e9"};
  const SkipListMatcher matcher(entries);
  std::mt19937 random(37);
  const std::wstring alphabet = L"abcxy\\z\u00e9";
  size_t hits = 0;
  for (int i = 0; i < 20000; ++i) {
    std::wstring text(std::uniform_int_distribution<size_t>(0, 8)(random), L' ');
    for (wchar_t& c : text) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
    const bool expected = ContainsAnyEntry(text, entries);
    hits += expected;
    ASSERT_EQ(matcher.FoundIn(text), expected) << mx::WideToUtf8(text);
    ASSERT_EQ(matcher.FoundInAnyCase(mx::ToUpper(text)), expected) << mx::WideToUtf8(text);
  }
  EXPECT_GT(hits, 2000u);
  EXPECT_LT(hits, 18000u);
  EXPECT_FALSE(SkipListMatcher({}).FoundIn(L"anything"));
}

// A list too large for the compact table (more than 65,536 states) answers the same way.
TEST(SkipListMatcher, ALargeListAnswersAsASearchForEveryEntry) {
  std::mt19937 random(41);
  const std::wstring alphabet = L"abcdefghij\\";
  auto text = [&](size_t size) {
    std::wstring out(size, L' ');
    for (wchar_t& c : out) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
    return out;
  };
  std::vector<std::wstring> entries;
  for (int i = 0; i < 6000; ++i) entries.push_back(text(16));
  const SkipListMatcher matcher(entries);
  for (int i = 0; i < 400; ++i) {
    std::wstring sample = text(40);
    if (i % 2 == 0) sample.replace(12, 16, entries[static_cast<size_t>(i) * 7 % entries.size()]);
    ASSERT_EQ(matcher.FoundIn(sample), ContainsAnyEntry(sample, entries)) << mx::WideToUtf8(sample);
    if (i % 2 == 0) {
      ASSERT_TRUE(matcher.FoundIn(sample));
    }
  }
}

}  // namespace
