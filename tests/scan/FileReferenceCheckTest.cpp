#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/system/Environment.h"
#include "platform/system/Sfc.h"
#include "platform/win/Sync.h"
#include "scan/Category.h"
#include "scan/FileReferenceCheck.h"
#include "scan/ScanPathKinds.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::StubCategory;

// Options by position: 1 path skip list, 2 folder skip list, 4 twin only for Program Files, 5 no system-folder
// twin, 6 arguments, 7 network paths.
FileCheckOptions Options(std::initializer_list<int> positions) {
  FileCheckOptions o;
  for (int p : positions) {
    if (p == 1) o.bUsePathSkipList = true;
    if (p == 2) o.bUseFolderSkipList = true;
    if (p == 4) o.bWow64TwinOnlyForProgramFiles = true;
    if (p == 5) o.bNoSystemFolderTwin = true;
    if (p == 6) o.bCheckArguments = true;
    if (p == 7) o.bCheckNetworkPaths = true;
  }
  return o;
}

// A 64-bit machine with a fixed C:, a removable D:, files in both system folders and both Program Files
// folders, a folder on PATH, an App Paths entry and a variable of our own; the scan's file-system view.
class FileReference : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* file : {L"C:\\Qzx\\app.exe", L"C:\\windows\\system32\\qzxsys.dll",
                                L"C:\\windows\\syswow64\\qzxwow.dll", L"C:\\Program Files (x86)\\Qzx\\x86only.exe",
                                L"C:\\Qzx\\Folder\\inside.txt", L"C:\\Qzx\\OnPath\\onpath.dll",
                                L"C:\\Qzx\\Named\\registered.exe"})
      prefix.createFile(file);
    std::filesystem::create_directories(prefix.root() / "drive_d");
    std::filesystem::create_directory_symlink("../drive_d", prefix.root() / "dosdevices" / "d:");
    mx::ResetDrives();
    mx::SetDriveTypeOverride(L'd', DRIVE_REMOVABLE);
    ASSERT_EQ(win::GetDriveType(L"D:\\"), DRIVE_REMOVABLE);
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxregistered.exe]
@="C:\\Qzx\\Named\\registered.exe"
)");
    mx::ResetEnvironment();
    win::SetEnvironmentVariable(L"QZXHOME", L"C:\\Qzx");
    const std::wstring path = mx::GetEnv(L"PATH").value_or(L"");
    win::SetEnvironmentVariable(L"PATH", (path + L";C:\\Qzx\\OnPath").c_str());
    DisableWow64Redirection(&redirection_);
  }
  void TearDown() override {
    RevertWow64Redirection(redirection_);
    mx::SetDriveTypeOverride(L'd', DRIVE_UNKNOWN);
    mx::SetProtectedFiles({});
    SetChkREmovableMedia = 1;
    mx::ResetEnvironment();
  }

  bool Check(const std::wstring& reference, const FileCheckOptions& options = {}) {
    StubCategory category;
    return category.IsFileReferenceValid(reference, options);
  }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  void* redirection_ = nullptr;
};

struct Case {
  std::wstring reference;
  FileCheckOptions options;
  bool valid;
  const char* why;
};

TEST_F(FileReference, AnswersOfTheCheck) {
  const std::wstring longName(297, L'a');
  const Case cases[] = {
      {L"abc", {}, true, "shorter than four characters"},
      {L".\\gone.exe", {}, true, "relative to a current folder we cannot know"},
      {L"C:\\Qzx\\app.exe", {}, true, "exists"},
      {L"C:\\Qzx\\gone.exe", {}, false, "missing program"},
      {L"C:\\Qzx\\app.exe /S", {}, true, "cut after .exe"},
      {L"C:\\Qzx\\gone.exe /S", {}, false, "cut after .exe, still missing"},
      {L"\"C:\\Program Files\\Qzx\\gone.exe\" /arg", {}, false, "quoted missing program with arguments"},
      {L"\"C:\\Qzx\\app.exe\" /arg", {}, true, "quoted existing program"},
      {L"\"C:\\Qzx\\gone.exe /arg", {}, true, "unclosed quote cannot be read"},
      {L"D:\\Qzx\\gone.exe", {}, true, "removable drive"},
      {L"Q:\\Qzx\\gone.exe", {}, true, "no such drive"},
      {L"%QZXHOME%\\app.exe", {}, true, "variable expanded"},
      {L"%QZXHOME%\\gone.exe", {}, false, "variable expanded, missing"},
      {L"@%SystemRoot%\\system32\\qzxsys.dll,-101", {}, true, "resource reference"},
      {L"@%SystemRoot%\\system32\\qzxgone.dll,-101", {}, false, "resource reference to a missing library"},
      {L"onpath.dll", {}, true, "found on PATH"},
      {L"qzxregistered.exe", {}, true, "registered under App Paths"},
      {L"qzxsys.dll", {}, true, "in the system folder"},
      {L"qzxwow.dll", {}, true, "in the 32-bit system folder"},
      {L"qzxgone.dll", {}, false, "bare library found nowhere"},
      {L"qzxnotes.txt", {}, true, "bare name of no module type"},
      {L"C:\\windows\\syswow64\\qzxsys.dll", {}, true, "twin in the system folder"},
      {L"C:\\windows\\syswow64\\qzxsys.dll", Options({5}), false, "system-folder twin switched off"},
      {L"C:\\windows\\syswow64\\qzxsys.dll", Options({4}), false, "twin only for Program Files"},
      {L"C:\\Program Files\\Qzx\\x86only.exe", Options({4}), true, "Program Files twin"},
      {L"rundll32.exe C:\\Qzx\\gone.dll,Entry", {}, false, "rundll32 with a missing library"},
      {L"rundll32.exe onpath.dll,Entry", {}, true, "rundll32 with a library on PATH"},
      {L"rundll32.exe C:\\Qzx\\gone.dll,Entry C:\\Qzx\\app.exe,1", {}, true, "entry point's own file exists"},
      {L"http://qzx.example/gone.exe", {}, true, "web address"},
      {L"file:///C:/Qzx/gone.exe", {}, false, "file URL of a missing file"},
      {L"file:///C:/Qzx/app.exe", {}, true, "file URL of an existing file"},
      {L"C:\\Qzx\\Folder\\*", {}, true, "folder with a trailing wildcard"},
      {L"C:\\Qzx\\*\\gone.dll", {}, true, "wildcard folder"},
      {L"C:\\Qzx\\gone?.dll*", {}, true, "wildcard and question mark"},
      {L"C:\\Qzx\\gone.exe;C:\\Other", {}, true, "a list, not a path"},
      {L"Qzx.Lib, Version=1.0.0.0, Culture=neutral, PublicKeyToken=0123456789abcdef", {}, true, "assembly"},
      {L"\\\\server\\share\\gone.exe", {}, true, "network path"},
      {L"C:\\" + longName, {}, true, "longer than a path can be"},
      {std::wstring(1100, L'x'), {}, true, "long text without folders"},
      {L"C:\\Qzx\\gone.exe\\" + std::wstring(1100, L'b'), {}, false, "long text naming a missing file"},
      {L"C:\\Qzx\\Norton\\gone.exe", Options({1, 2}), true, "path skip list"},
      {L"C:\\Qzx\\Norton\\gone.exe", {}, false, "path skip list not asked for"},
      {L"C:\\Program Files\\Common Files\\Microsoft\\gone.dll", Options({2}), true, "folder skip list"},
      {L"C:\\Qzx\\app.exe /quiet", Options({6}), true, "switch tail holds no file"},
      {L"C:\\Qzx\\app.exe C:\\Qzx\\gone.txt", Options({6}), false, "missing argument file"},
  };
  for (const Case& c : cases) EXPECT_EQ(Check(c.reference, c.options), c.valid) << c.why;
}

TEST_F(FileReference, RemovableMediaSettingAndProtectedFiles) {
  SetChkREmovableMedia = 0;
  EXPECT_FALSE(Check(L"D:\\Qzx\\gone.exe"));
  SetChkREmovableMedia = 1;
  mx::SetProtectedFiles({L"C:\\Qzx\\guarded.exe", L"C:\\windows\\system32\\qzxguard.dll"});
  EXPECT_TRUE(Check(L"C:\\Qzx\\GUARDED.exe"));
  EXPECT_TRUE(Check(L"qzxguard.dll"));
}

TEST_F(FileReference, OnlyValidAnswersAreRememberedAndOnlyForOneScanAndOneSetOfOptions) {
  StubCategory scan;
  EXPECT_FALSE(scan.IsFileReferenceValid(L"C:\\Qzx\\later.exe", {}));
  prefix.createFile(L"C:\\Qzx\\later.exe");
  EXPECT_TRUE(scan.IsFileReferenceValid(L"C:\\Qzx\\later.exe", {}));
  std::filesystem::remove(prefix.hostPath(L"C:\\Qzx\\later.exe"));
  EXPECT_TRUE(scan.IsFileReferenceValid(L"C:\\Qzx\\later.exe", {}));  // remembered within the scan

  StubCategory nextScan;
  EXPECT_FALSE(nextScan.IsFileReferenceValid(L"C:\\Qzx\\later.exe", {}));
  EXPECT_TRUE(nextScan.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", Options({1})));
  EXPECT_FALSE(nextScan.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", {}));
}

// Within a scan a reference found to name no file stays so for every category that reads it again, under
// the same options only; a stopped check leaves nothing behind, and the next scan looks again.
TEST_F(FileReference, MissingAnswersAreKeptForOneScanAndOneSetOfOptions) {
  HANDLE stop = win::CreateEvent(nullptr, TRUE, TRUE, nullptr);
  StubCategory first, second;
  {
    const ScanPathKindScope scan;
    first.m_pStopEvent = &stop;
    EXPECT_TRUE(first.IsFileReferenceValid(L"C:\\Qzx\\late.exe", {}));
    win::ResetEvent(stop);
    EXPECT_FALSE(first.IsFileReferenceValid(L"C:\\Qzx\\late.exe", {}));
    prefix.createFile(L"C:\\Qzx\\late.exe");
    EXPECT_FALSE(second.IsFileReferenceValid(L"C:\\Qzx\\late.exe", {})) << "the scan's files are as it began";
    EXPECT_FALSE(second.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", {}));
    EXPECT_TRUE(second.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", Options({1}))) << "other options ask again";
  }
  EXPECT_TRUE(second.IsFileReferenceValid(L"C:\\Qzx\\late.exe", {})) << "after the scan";
  std::filesystem::remove(prefix.hostPath(L"C:\\Qzx\\late.exe"));
  {
    const ScanPathKindScope scan;
    EXPECT_FALSE(first.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", {}));
  }
  {
    const ScanPathKindScope nextScan;  // the same categories: the last scan's answer is not this one's
    prefix.createFile(L"C:\\Qzx\\Norton\\gone.exe");
    EXPECT_TRUE(first.IsFileReferenceValid(L"C:\\Qzx\\Norton\\gone.exe", {}));
  }
  win::CloseHandle(stop);
}

TEST_F(FileReference, StopRequestMakesEveryCheckValidWithoutRememberingIt) {
  HANDLE stop = win::CreateEvent(nullptr, TRUE, TRUE, nullptr);
  StubCategory category;
  category.m_pStopEvent = &stop;
  EXPECT_TRUE(category.IsFileReferenceValid(L"C:\\Qzx\\gone.exe", {}));
  win::ResetEvent(stop);
  EXPECT_FALSE(category.IsFileReferenceValid(L"C:\\Qzx\\gone.exe", {}));
  win::CloseHandle(stop);
}

// The prefixes of a text that names no file are judged from their folder's listing where that is safe; the
// answers are the file system's own, also for a file made in the same step of its folder's modification time.
TEST_F(FileReference, PrefixesOfATextAreAnsweredAsTheFileSystemWould) {
  struct Case {
    const wchar_t* text;
    int kind;
    const char* why;
  };
  const Case kCases[] = {
      {L"C:\\Qzx\\app.exe,0", 1, "a file followed by an icon index"},
      {L"c:\\qzx\\APP.EXE.,1", 1, "trailing dots of a name do not count"},
      {L"C:\\Qzx\\Folder\\x.y,1", -1, "a folder is no file, and nothing in it matches"},
      {L"C:\\Qzx\\Gone\\app.exe,1", -1, "a missing folder holds nothing"},
      {L"C:\\Qzx\\Folder\\INSIDE.TXT\\more", 1, "a file on the way"},
  };
  for (const Case& c : kCases) EXPECT_EQ(FindFileInText(c.text), c.kind) << c.why;
  {
    // During a scan the folders' names and the prefixes below a drive's root are kept: asked twice, the same.
    prefix.createFile(L"C:\\qzxroot.txt");
    const ScanPathKindScope scan;
    for (int round = 0; round < 2; ++round) {
      for (const Case& c : kCases) EXPECT_EQ(FindFileInText(c.text), c.kind) << c.why << " in a scan";
      EXPECT_EQ(FindFileInText(L"C:\\QZXROOT.TXT,1"), 1) << "a file right below the root";
      EXPECT_EQ(FindFileInText(L"C:\\qzxroot.tx\\x,1"), -1) << "a root-level name's shorter start";
    }
    std::filesystem::remove(prefix.hostPath(L"C:\\qzxroot.txt"));
  }

  // A listing taken as the folder changed may lack a name made in the same step of its modification time.
  const std::string folder = prefix.hostPath(L"C:\\Qzx").string();
  struct stat before {};
  ASSERT_EQ(::stat(folder.c_str(), &before), 0);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx\\later.txt,1"), -1);
  prefix.createFile(L"C:\\Qzx\\later.txt");
  const struct timespec same[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), same, 0), 0);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx\\later.txt,1"), 1);
}

TEST_F(FileReference, HelpersOfTheCheck) {
  EXPECT_EQ(FindFileInText(L"see C:\\Qzx\\app.exe for details"), 1);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx\\gone.txt"), -1);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx\\Folder"), 0);
  EXPECT_EQ(FindFileInText(L"no drive here.txt"), 0);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx|x.txt"), 0);
  EXPECT_EQ(FindFileInText(L"C:\\Qzx\\CONFIG.TXT"), -1);  // "C:\QZX\CON" is a device, not a file

  EXPECT_TRUE(EndsWithDeviceName(L"c:\\x\\con"));
  EXPECT_TRUE(EndsWithDeviceName(L"C:\\CLOCK$"));
  EXPECT_FALSE(EndsWithDeviceName(L"\\CON"));
  EXPECT_FALSE(EndsWithDeviceName(L"C:\\CONFIG"));

  std::wstring text = L"C:\\QZX\\A.EXE /S";
  EXPECT_TRUE(TruncateAfterExtension(text, L".exe"));
  EXPECT_EQ(text, L"c:\\qzx\\a.exe");
  EXPECT_FALSE(TruncateAfterExtension(text, L".exe"));
  text = L".exe x";
  EXPECT_FALSE(TruncateAfterExtension(text, L".exe"));

  std::wstring name = L"C:\\Elsewhere\\qzxregistered.exe";
  EXPECT_TRUE(IsRegisteredAppPath(name));
  EXPECT_EQ(name, L"C:\\Qzx\\Named\\registered.exe");
  name = L"qzxunknown.exe";
  EXPECT_FALSE(IsRegisteredAppPath(name));

  EXPECT_TRUE(IsExcludedPath(L"C:\\Program Files\\McAfee\\x.dll"));
  EXPECT_FALSE(IsExcludedPath(L"C:\\Qzx\\x.dll"));

  EXPECT_EQ(GetPathKindWow64(L"C:\\Program Files\\Qzx\\x86only.exe", false), 1);
  EXPECT_EQ(GetPathKindWow64(L"C:\\windows\\syswow64\\qzxsys.dll", true), -1);
  EXPECT_EQ(GetPathKindChecked(L""), 1);
}

}  // namespace
