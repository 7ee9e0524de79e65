#include "scan/categories/HistoryLists.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/win/Sync.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EnglishTexts.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kUser = L"HKEY_CURRENT_USER\\";
const std::wstring kExplorer = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::wstring kCommonPrograms = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::wstring kUserPrograms = L"C:\\users\\qzx\\Start Menu\\Programs";

std::wstring Encoded(std::wstring name) {
  Rot13InPlace(name);
  return name;
}

// Escapes backslashes and quotes for a .reg string.
std::wstring RegString(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

void ImportProgramsFolders(TestPrefix& prefix) {
  prefix.import(L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
                L"\"Common Programs\"=\"" + RegString(kCommonPrograms) + L"\"\n"
                L"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
                L"\"Programs\"=\"" + RegString(kUserPrograms) + L"\\\\\"\n");
}

std::wstring TypeAndName(const CProblem& p) { return std::to_wstring(p.EntryType) + L" " + p.ValueName; }

}  // namespace

TEST(HistoryLists, FileDialogAndRecentFileListsNameMissingFilesOrFolders) {
  TestPrefix prefix(Arch::Win64);
  mxtest::EnglishTextsScope texts;
  prefix.createFile(L"C:\\Qzx\\reports\\q2.qzx");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32\OpenSaveMRU\qzx]
"a"="C:\\Qzx\\reports\\q1.qzx"
"b"="C:\\Qzx\\reports\\q2.qzx"
"MRUList"="C:\\Qzx\\not\\tested.qzx"
"c"=dword:00000001
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Applets\Wordpad\Recent File List]
"File1"="C:\\Qzx\\letters\\gone.wri"
"File2"="C:\\Qzx\\reports\\q2.qzx"
[HKEY_CURRENT_USER\Software\WinRAR\DialogEditHistory\ExtrPath]
"0"="C:\\Qzx\\reports\\q2.qzx"
"1"="C:\\Qzx\\reports"
)");
  int result = 0;
  const auto problems = mxtest::ScanIndexed<CHistoryLists>(TypeAndName, {}, &result);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(problems.size(), 3u);
  const std::wstring invalid = mxtest::EnglishText(L"IDS_HISTLIST_INVALID");
  ASSERT_FALSE(invalid.empty());

  const CProblem& dialog = problems.at(L"27 a");
  EXPECT_EQ(dialog.Key, kExplorer + L"ComDlg32\\OpenSaveMRU\\qzx");
  EXPECT_EQ(dialog.ValueData, L"C:\\Qzx\\reports\\q1.qzx");
  EXPECT_EQ(dialog.m_n32BitEntry, 0);
  EXPECT_EQ(dialog.m_arrDetails,
            (std::vector<std::wstring>{L"File " + invalid + L" q1.qzx", L"C:\\Qzx\\reports", L"File"}));

  const CProblem& wordpad = problems.at(L"28 File1");
  EXPECT_EQ(wordpad.Key, kUser + L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List");
  EXPECT_EQ(wordpad.m_arrDetails,
            (std::vector<std::wstring>{L"Wordpad " + invalid + L" gone.wri", L"C:\\Qzx\\letters", L"Wordpad"}));
  // The extraction-path list names folders: an existing file there is no folder.
  EXPECT_EQ(problems.at(L"28 0").Key, kUser + L"Software\\WinRAR\\DialogEditHistory\\ExtrPath");
}

TEST(HistoryLists, FileExtensionKeysThatHoldNothing) {
  TestPrefix prefix(Arch::Win64);
  mxtest::EnglishTextsScope texts;
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxlog]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxval]
"Progid"="QzxVal.File"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxdesc\OpenWithList]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxcase\openwithlist]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxused\OpenWithList]
"a"="qzxedit.exe"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxtwo\OpenWithList]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxtwo\UserChoice]
[HKEY_CLASSES_ROOT\.qzxdesc]
@="QzxDesc.File"
[HKEY_CLASSES_ROOT\QzxDesc.File]
@="Qzx Description"
)");
  const auto problems = mxtest::ScanIndexed<CHistoryLists>([](const CProblem& p) { return p.GetDetail(1); });
  ASSERT_EQ(problems.size(), 2u);
  const std::wstring unneeded = mxtest::EnglishText(L"IDS_HISTLIST_UNNEEDED");
  const CProblem& log = problems.at(L".qzxlog");
  EXPECT_EQ(log.EntryType, 26);
  EXPECT_EQ(log.Key, kExplorer + L"FileExts\\.qzxlog");
  EXPECT_EQ(log.AlternateKey, kExplorer + L"FileExts\\.qzxlog\\OpenWithList");
  EXPECT_EQ(log.ValueName, L"");
  EXPECT_EQ(log.GetDetail(0), L"Explorer " + unneeded + L" .QZXLOG file (*.qzxlog)");
  EXPECT_EQ(problems.at(L".qzxdesc").GetDetail(0), L"Explorer " + unneeded + L" Qzx Description (*.qzxdesc)");
}

TEST(HistoryLists, LaunchRecordsOfStartMenuShortcutsAndFolders) {
  TestPrefix prefix(Arch::Win64);
  mxtest::EnglishTextsScope texts;
  prefix.createFile(kUserPrograms + L"\\QzxSuite\\Qzx Here.lnk");
  prefix.createFile(kCommonPrograms + L"\\QzxShared\\readme.txt");
  const auto entry = [](const std::wstring& plain) {
    return L"\"" + RegString(Encoded(plain)) + L"\"=hex:01,00,00,00\n";
  };
  prefix.import(L"[" + kExplorer + L"UserAssist\\{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count]\n" +
                entry(L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Old.lnk") +
                entry(L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Here.lnk") +
                entry(L"UEME_RUNPIDL:%csidl2%\\Qzx Root.lnk") +
                entry(L"UEME_RUNPIDL:%csidl2%\\QzxGoneDir") +
                entry(L"UEME_RUNPIDL:%csidl2%\\QzxShared") +
                entry(L"UEME_RUNPIDL:%csidl23%\\QzxOther\\Qzx.lnk") +
                entry(L"UEME_RUNPATH:C:\\Qzx\\gone.exe"));

  // While the Programs folders are unknown, nothing can be tested against them.
  EXPECT_TRUE(mxtest::ScanCategory<CHistoryLists>().empty());

  ImportProgramsFolders(prefix);
  const auto problems = mxtest::ScanIndexed<CHistoryLists>([](const CProblem& p) {
    std::wstring plain = p.ValueName;
    Rot13InPlace(plain);
    return plain;
  });
  ASSERT_EQ(problems.size(), 3u);
  const std::wstring count = kExplorer + L"UserAssist\\{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count";
  const auto details = [&](const wchar_t* id) { return problems.at(id).m_arrDetails; };
  for (const auto& [id, problem] : problems) {
    EXPECT_EQ(problem.Key, count);
    EXPECT_EQ(problem.ValueData, L"");
    EXPECT_EQ(problem.ValueName, Encoded(id)) << "the name as stored";
  }
  EXPECT_EQ(problems.at(L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Old.lnk").EntryType, 29);
  EXPECT_EQ(details(L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Old.lnk"),
            (std::vector<std::wstring>{L"Program usage entry for a missing shortcut: Qzx Old.lnk", L"Qzx Old.lnk",
                                       L"QzxSuite"}));
  EXPECT_EQ(details(L"UEME_RUNPIDL:%csidl2%\\Qzx Root.lnk"),
            (std::vector<std::wstring>{L"Program usage entry for a missing shortcut: Qzx Root.lnk", L"Qzx Root.lnk",
                                       L"<Root folder>"}));
  EXPECT_EQ(problems.at(L"UEME_RUNPIDL:%csidl2%\\QzxGoneDir").EntryType, 30);
  EXPECT_EQ(details(L"UEME_RUNPIDL:%csidl2%\\QzxGoneDir"),
            (std::vector<std::wstring>{L"Program usage entry for a missing folder: QzxGoneDir", L"QzxGoneDir",
                                       L"QzxGoneDir"}));
}

TEST(HistoryLists, AStopRequestEndsTheScanWithTwo) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxlog]
)");
  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, TRUE, nullptr));
  HANDLE stopHandle = stop.get();
  CHistoryLists category;
  category.m_pStopEvent = &stopHandle;
  int result = 0;
  EXPECT_TRUE(mxtest::RunCategoryScan(category, {}, &result).empty());
  EXPECT_EQ(result, 2);
}

TEST(HistoryLists, TheUntouchedSamplePrefixHasNothingToReport) {
  TestPrefix prefix = TestPrefix::FromFixture();
  const auto problems = mxtest::ScanCategory<CHistoryLists>();
  EXPECT_TRUE(problems.empty()) << mx::WideToUtf8(problems.empty() ? L"" : problems[0].Key);
}
