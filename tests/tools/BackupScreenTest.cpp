// The backup screen and its two pages, headless: layout, page switching, the full backups' list and the
// repairs' undo runs (listing, delete, undo), the elevation rule, and pictures of both pages.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "BackupTestSupport.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "platform/gdi/WindowDC.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/LaunchRecord.h"
#include "platform/win/Message.h"
#include "scan/BackupSession.h"
#include "scan/support/RegistryProbe.h"
#include "tools/BackupPage.h"
#include "tools/DlgBackupRegistry.h"
#include "tools/FullBackups.h"

namespace {

using backuptest::BackupTest;
using enginetest::KeyExists;

constexpr int kWidth = 752, kHeight = 440;

// A child's rectangle in its parent's client coordinates.
RECT Placement(HWND child) {
  RECT rc{}, parent{};
  win::GetWindowRect(child, &rc);
  win::GetWindowRect(win::GetParent(child), &parent);
  return RECT{rc.left - parent.left, rc.top - parent.top, rc.right - parent.left, rc.bottom - parent.top};
}

class BackupScreenTest : public BackupTest {
 protected:
  void SetUp() override {
    BackupTest::SetUp();
    folder = GetAppDataFolderPath();
    screen.m_enableNavigation = [this](BOOL enable) { navigation.push_back(enable); };
    ASSERT_TRUE(screen.Create(&main, kWidth, kHeight));
    screen.CreatePages();
    screen.OnPartialBackups();
    screen.ShowWindow(SW_SHOW);
  }
  // An undo run that removed the key HKEY_CURRENT_USER\Software\<name>.
  void RepairRun(const wchar_t* name) {
    const std::wstring path = std::wstring(L"Software\\") + name;
    HKEY key = nullptr;
    ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    win::RegCloseKey(key);
    BackupHolder holder;
    ASSERT_TRUE(BeginBackupSession(&holder));
    ASSERT_EQ(DeleteKeyWithBackup(&holder, 1, path, TRUE, 1), 1);
    EndBackupSession(&holder);
    clock.Advance(3600 * 1000);
  }
  std::wstring PartialFolder() const { return folder + L"\\Partial Backups\\"; }

  std::wstring folder;
  CDlgBackupRegistry screen;
  std::vector<BOOL> navigation;
};

TEST_F(BackupScreenTest, LaysOutTheButtonsAndPagesAndStartsOnThePartialPage) {
  EXPECT_EQ(Placement(screen.m_hWnd), (RECT{6, 128, 6 + kWidth, 128 + kHeight}));
  const RECT take = Placement(screen.m_btnTakeFullBackup.m_hWnd);
  EXPECT_EQ(take.left, 20);
  EXPECT_EQ(take.top, 109);
  EXPECT_EQ(take.bottom - take.top, 28);
  const RECT full = Placement(screen.m_btnFullBackups.m_hWnd), partial = Placement(screen.m_btnPartialBackups.m_hWnd);
  EXPECT_EQ(full.left, 425);
  EXPECT_EQ(partial.left, 596);
  EXPECT_EQ(full.top, 225);
  EXPECT_GE(full.right - full.left, 162);

  for (CDlgChildBase* page : {static_cast<CDlgChildBase*>(&screen.m_dlgFullBackups),
                              static_cast<CDlgChildBase*>(&screen.m_dlgPartialBackups)})
    EXPECT_EQ(Placement(page->m_hWnd), (RECT{0, 258, kWidth, kHeight}));
  // list above the two buttons, which sit in the bottom band, Restore right of Delete
  auto& page = screen.m_dlgPartialBackups;
  const int pageHeight = kHeight - 258;
  const RECT del = Placement(page.m_btnDelete.m_hWnd), res = Placement(page.m_btnRestore.m_hWnd);
  const int e = del.right - del.left;
  EXPECT_GE(e, 108);
  EXPECT_EQ(res.right - res.left, e);
  EXPECT_EQ(del.left, kWidth - (2 * e + 36));
  EXPECT_EQ(res.left, del.left + e + 18);
  EXPECT_EQ(del.top, pageHeight - (30 + 28) / 2);
  EXPECT_EQ(Placement(page.m_listBackups.m_hWnd), (RECT{21, 21, kWidth - 21, pageHeight - 30 - 21}));

  EXPECT_TRUE(screen.m_dlgPartialBackups.IsWindowVisible());
  EXPECT_FALSE(screen.m_dlgFullBackups.IsWindowVisible());
  EXPECT_EQ(screen.m_btnPartialBackups.m_bStayPressed, 1);
  screen.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_FULL_BACKUPS, BN_CLICKED), 0);
  EXPECT_TRUE(screen.m_dlgFullBackups.IsWindowVisible());
  EXPECT_FALSE(screen.m_dlgPartialBackups.IsWindowVisible());
  EXPECT_EQ(screen.m_btnFullBackups.m_bStayPressed, 1);
  EXPECT_EQ(screen.m_btnPartialBackups.m_bStayPressed, 0);
}

TEST_F(BackupScreenTest, TwoRepairsListNewestFirstDeleteTakesBothFilesAndUndoRestoresTheOlder) {
  auto& page = screen.m_dlgPartialBackups;
  EXPECT_EQ(page.m_listBackups.GetItemText(0, 0), Text(L"IDS_NO_ITEM_TO_SHOW"));
  EXPECT_FALSE(page.m_btnRestore.IsWindowEnabled());

  RepairRun(L"QzxOlder");
  RepairRun(L"QzxNewer");
  screen.OnPartialBackups();
  ASSERT_EQ(page.m_listBackups.GetItemCount(), 2);
  EXPECT_EQ(page.m_listBackups.GetItemText(0, 1), PartialFolder() + L"00000002.rmx");
  EXPECT_EQ(page.m_listBackups.GetItemText(1, 1), PartialFolder() + L"00000001.rmx");
  EXPECT_EQ(page.m_listBackups.GetItemText(0, 0).rfind(Text(L"IDS_PARTIAL_BACKUP"), 0), 0u);
  EXPECT_TRUE(page.m_btnRestore.IsWindowEnabled());
  EXPECT_TRUE(gdi::SaveWindowPng(screen.m_hWnd, backuptest::RenderingPath("backup-screen-partial.png")));

  // undo of the older run only
  page.m_listBackups.SetItemState(0, 0, LVIS_SELECTED);
  page.m_listBackups.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_RESTORE_BACKUP, BN_CLICKED), 0);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxOlder", KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxNewer", KEY_WOW64_64KEY));
  EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDS_SUCCESSFULL_RESTORE")});
  EXPECT_EQ(navigation, (std::vector<BOOL>{FALSE, TRUE}));
  EXPECT_TRUE(page.m_btnRestore.IsWindowEnabled());

  // delete of the newer run, with both of its files; two rows selected: the later one counts
  answers.answers.Expect(Text(L"IDS_CONFIRM_DELETE"), IDYES);
  page.m_listBackups.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  page.m_listBackups.SetItemState(1, 0, LVIS_SELECTED);
  page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_DELETE_BACKUP, BN_CLICKED), 0);
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(PartialFolder() + L"00000002.rmx")));
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(PartialFolder() + L"00000002.rxb")));
  EXPECT_TRUE(std::filesystem::exists(prefix.hostPath(PartialFolder() + L"00000001.rmx")));
  for (int again = 0; again < 2; ++again) {
    ASSERT_EQ(page.m_listBackups.GetItemCount(), 1) << "the deleted run stays gone";
    EXPECT_EQ(page.m_listBackups.GetItemText(0, 1), PartialFolder() + L"00000001.rmx");
    screen.OnPartialBackups();
  }
}

// A window of the UI thread counting the messages it answers once the editor has started; the twentieth
// lets the editor go on.
class Counter : public CDialog {
 public:
  std::filesystem::path started, go;
  int answered = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_APP + 7) {
      if (std::filesystem::exists(started) && ++answered == 20) mx::WriteFileAtomic(go, "");
      return 0;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
  }
};

// An import that takes its time is waited for to its end, never stopped, and the window answers meanwhile:
// the editor imports only once the window has answered twenty messages after its start.
TEST_F(BackupScreenTest, AnUndoWaitsForASlowImportWhileTheWindowAnswers) {
  RepairRun(L"QzxSlow");
  screen.OnPartialBackups();
  mxtest::TempDir signals;
  Counter counter;
  counter.started = signals.path() / "started";
  counter.go = signals.path() / "go";
  const std::string realEditor = mx::RegeditBinary().string();
  backuptest::FakeEditor slow("touch '" + counter.started.string() + "'; " + backuptest::ShellWaitFor(counter.go) +
                              "; exec '" + realEditor + "' \"$@\"");
  ASSERT_TRUE(counter.Create(uitest::kEmptyPopup));
  std::atomic<bool> done{false};
  std::thread poster([&] {
    while (!done) {
      win::PostMessage(counter.m_hWnd, WM_APP + 7, 0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  screen.m_dlgPartialBackups.OnRestore();
  done = true;
  poster.join();
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxSlow", KEY_WOW64_64KEY));
  EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDS_SUCCESSFULL_RESTORE")});
  EXPECT_GE(counter.answered, 20) << "messages were answered while the editor ran";
}

TEST_F(BackupScreenTest, FullBackupsAreTakenListedDeletedAndNeedRights) {
  auto& page = screen.m_dlgFullBackups;
  EXPECT_EQ(page.m_listBackups.GetItemText(0, 0), Text(L"IDS_NO_ITEM_TO_SHOW"));
  EXPECT_FALSE(page.m_btnDelete.IsWindowEnabled());

  StrLatestRestorePoint.clear();
  LetOverlaysRun(2);
  screen.OnTakeFullBackup();
  clock.Advance(60 * 1000);
  screen.OnTakeFullBackup();
  uitest::Pump();
  EXPECT_TRUE(page.IsWindowVisible()) << "a finished backup shows the full backups";
  ASSERT_EQ(page.m_listBackups.GetItemCount(), 2);
  EXPECT_NE(StrLatestRestorePoint.find(Text(L"IDS_STR_FULLBACKUP")), std::wstring::npos);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(gdi::SaveWindowPng(screen.m_hWnd, backuptest::RenderingPath("backup-screen-full.png")));

  // Delete asks first; a No keeps the file
  const std::wstring second = page.m_listBackups.GetItemText(1, 1);
  page.m_listBackups.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  page.m_listBackups.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  answers.answers.Expect(Text(L"IDS_CONFIRM_DELETE"), IDNO);
  page.OnDelete();
  EXPECT_EQ(page.m_listBackups.GetItemCount(), 2);
  answers.answers.Expect(Text(L"IDS_CONFIRM_DELETE"), IDYES);
  page.OnDelete();
  ASSERT_EQ(page.m_listBackups.GetItemCount(), 1);
  EXPECT_EQ(GetPathType(second), 0) << "the later of two selected rows was deleted";

  // nothing selected
  answers.answers.clear();
  page.m_listBackups.SetItemState(0, 0, LVIS_SELECTED);
  page.OnDelete();
  page.OnRestore();
  EXPECT_EQ(Messages(), (std::vector<std::wstring>{Text(L"IDS_SELECT_DELETE_ITEM"), Text(L"IDS_SELECT_RESTORE_ITEM")}));

  // without administrator rights the program would start again elevated; here that cannot be done
  answers.answers.clear();
  mx::reg::SetUserIsAdmin(false);
  screen.OnTakeFullBackup();
  mx::reg::SetUserIsAdmin(true);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{Text(L"IDS_STR_LACK_OF_PERMISSION")});
  EXPECT_EQ(page.m_listBackups.GetItemCount(), 1);
}

}  // namespace
