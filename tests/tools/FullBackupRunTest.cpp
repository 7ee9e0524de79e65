// Full backups end to end: the wait dialog's workers run the registry editor on the sample prefix.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "BackupTestSupport.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/WindowDC.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineServer.h"
#include "scan/support/RegistryDump.h"
#include "tools/DlgBackupRegistry.h"
#include "tools/DlgRegBackupShow.h"
#include "tools/FullBackups.h"
#include "ui/ModalOverlay.h"

namespace {

using backuptest::BackupTest;
using backuptest::FakeEditor;

// A window of the UI thread that counts the messages it answered while the restore's editor ran.
class Probe : public CDialog {
 public:
  std::atomic<bool>* editorRunning = nullptr;
  std::atomic<int> answeredDuringImport{0};

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_APP + 7) {
      if (editorRunning && *editorRunning) ++answeredDuringImport;
      return 0;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
  }
};

int RunWaitDialog(win::CWnd* main, CDlgRegBackupShow& dialog) {
  RunModalWithOverlay(main, &dialog, IDD_REG_BACKUP_SHOW);
  return dialog.m_nOutcome;
}

std::vector<std::wstring> Backups() {
  std::vector<std::wstring> out;
  ListFullBackups(out);
  return out;
}

TEST_F(BackupTest, FullBackupThenDamageThenRestoreGivesTheBackedUpRegistryInBothViews) {
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  const auto before = mxtest::DumpRegistry();

  CDlgRegBackupShow backup(&main);
  LetOverlaysRun(1, [&](HWND) {
    EXPECT_TRUE(gdi::SaveWindowPng(backup.m_hWnd, backuptest::RenderingPath("backup-wait-dialog.png")));
  });
  LetOverlaysRun(1);
  ASSERT_EQ(RunWaitDialog(&main, backup), CDlgRegBackupShow::kDone);
  EXPECT_TRUE(IsUsableRegExport(backup.m_strFile));
  EXPECT_EQ(Backups(), std::vector<std::wstring>{backup.m_strFile});

  prefix.import(LR"(
[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall]
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion]
"CSDVersion"="damaged"
[HKEY_CURRENT_USER\Control Panel\Desktop]
"BlockSendInputResets"="1"
)");
  prefix.import32(LR"(
[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\URL\DefaultPrefix]
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\URL\Prefixes]
"www"="gopher://"
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  ASSERT_NE(mxtest::DumpRegistry(), before);

  Probe probe;
  ASSERT_TRUE(probe.Create(uitest::kEmptyPopup));
  CDlgRegBackupShow restore(&main);
  restore.m_bRestore = TRUE;
  restore.m_strFile = backup.m_strFile;
  probe.editorRunning = &restore.m_bEditorRunning;
  std::atomic<bool> done{false};
  std::thread poster([&] {
    while (!done) {
      win::PostMessage(probe.m_hWnd, WM_APP + 7, 0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  const int outcome = RunWaitDialog(&main, restore);
  done = true;
  poster.join();
  EXPECT_EQ(outcome, CDlgRegBackupShow::kDone);
  EXPECT_GT(probe.answeredDuringImport, 0) << "the UI thread answered while the editor imported";
  EXPECT_EQ(mxtest::DumpRegistry(), before);
  EXPECT_TRUE(Messages().empty());
}

// Enter, Esc and a close request do not end the dialog while its worker still reports to it.
TEST_F(BackupTest, TheWaitDialogOutlivesItsWorker) {
  mxtest::TempDir signals;
  const auto tried = signals.path() / "tried";
  FakeEditor slow(backuptest::ShellWaitFor(tried) + "; exit 1");  // fails only once the dialog has been tried
  CDlgRegBackupShow dialog(&main);
  bool stayed = false;
  LetOverlaysRun(1, [&](HWND) {
    EXPECT_EQ(win::GetMenuState(win::GetSystemMenu(dialog.m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    dialog.SendMessage(WM_CLOSE);
    stayed = win::IsWindow(dialog.m_hWnd) && dialog.m_nOutcome == CDlgRegBackupShow::kPending;
    mx::WriteFileAtomic(tried, "");
  });
  EXPECT_EQ(RunWaitDialog(&main, dialog), CDlgRegBackupShow::kEditorFailed);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(Backups().empty()) << "the claimed name is given back";
}

// Every way an export can fail leaves no backup and no latest restore point, and the user is told.
TEST_F(BackupTest, AFailedExportRecordsNothingAndSaysSo) {
  CDlgBackupRegistry screen;
  ASSERT_TRUE(screen.Create(&main, 752, 440));
  screen.CreatePages();
  const std::wstring folder = GetAppDataFolderPath();
  const auto hostFolder = prefix.hostPath(folder);
  struct Case {
    const char* what;
    const char* editor;  // shell body of the editor, nullptr for the real one
    bool readOnlyFolder;
  };
  const Case kCases[] = {
      {"read-only data folder", nullptr, true},
      {"editor ends with an error", "exit 1", false},
      {"editor ends well but writes nothing", "exit 0", false},
      {"editor is stopped by a signal", "kill -9 $$", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    StrLatestRestorePoint = L"earlier";
    answers.answers.clear();
    LetOverlaysRun();
    std::optional<FakeEditor> editor;
    if (c.editor) editor.emplace(c.editor);
    if (c.readOnlyFolder)
      std::filesystem::permissions(hostFolder, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    screen.OnTakeFullBackup();
    std::filesystem::permissions(hostFolder, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(StrLatestRestorePoint, L"earlier");
    EXPECT_TRUE(Backups().empty());
    EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDS_FULL_BACKUP_FAILED")});
  }
}

// Wine's server marks a prefix it holds with a lock that another process owns.
class WineHolder {
 public:
  explicit WineHolder(const std::filesystem::path& prefixDir) : dir_(mx::reg::WineServerDir(prefixDir)) {
    std::filesystem::create_directories(dir_);
    const std::string lock = (dir_ / "lock").string();
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock l {};
      l.l_type = F_WRLCK;
      l.l_whence = SEEK_SET;
      ::fcntl(fd, F_SETLKW, &l);
      char c = 1;
      (void)::write(ready[1], &c, 1);
      for (;;) ::pause();
    }
    char c = 0;
    (void)::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~WineHolder() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
};

TEST_F(BackupTest, ARestoreWhileWineHoldsThePrefixChangesNothingAndSaysWhy) {
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  LetOverlaysRun(3);
  CDlgRegBackupShow backup(&main);
  ASSERT_EQ(RunWaitDialog(&main, backup), CDlgRegBackupShow::kDone);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Control Panel\Desktop]
"BlockSendInputResets"="1"
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  const auto damaged = mxtest::DumpRegistry();
  {
    WineHolder wine(mx::PrefixDir());
    CDlgRegBackupShow restore(&main);
    restore.m_bRestore = TRUE;
    restore.m_strFile = backup.m_strFile;
    EXPECT_EQ(RunWaitDialog(&main, restore), CDlgRegBackupShow::kWineHoldsRegistry);
  }
  EXPECT_EQ(mxtest::DumpRegistry(), damaged);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDS_WINE_HOLDS_REGISTRY")});

  // a backup that went missing in between is named as such
  answers.answers.clear();
  CDlgRegBackupShow missing(&main);
  missing.m_bRestore = TRUE;
  missing.m_strFile = backup.m_strFile + L".gone";
  EXPECT_EQ(RunWaitDialog(&main, missing), CDlgRegBackupShow::kFileMissing);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDC_STR_BACKUP_FILE_MISSING")});
}

}  // namespace
