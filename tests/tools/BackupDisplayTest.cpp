// The backup screen's two pages as they appear on a real (private) display, each saved
// as a PNG in <build>/ui-renderings for the eye.
#include <gtest/gtest.h>

#include <filesystem>

#include "BackupTestSupport.h"
#include "app/AppPaths.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/registry/Registry.h"
#include "scan/BackupSession.h"
#include "tools/DlgBackupRegistry.h"

namespace {

class BackupDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    mx::SetClock(&clock);
    enginetest::AddDataFolder(prefix);
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    ASSERT_TRUE(main.Create(uitest::kEmptyPopup));
    main.MoveWindow(40, 30, 770, 593);
    app.m_pMainWnd = &main;
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    ResetLanguageReader();
    mx::SetClock(nullptr);
  }
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
    clock.Advance(26 * 3600 * 1000);
  }

  mx::FakeClock clock;
  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  win::CWinApp app{L"Backup display test"};
  uitest::TestFrame main;
};

TEST_F(BackupDisplay, BothPages) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Presenting is too slow there to wait for; the optimised tree makes the pictures.
  GTEST_SKIP() << "renderings come from the optimised build";
#endif
  RepairRun(L"QzxOne");
  RepairRun(L"QzxTwo");
  const std::wstring folder = GetAppDataFolderPath();
  for (const wchar_t* name : {L"1765400000.reg", L"1765486400.reg"}) prefix.createFile(folder + L"\\" + name, "x");

  CDlgBackupRegistry screen;
  ASSERT_TRUE(screen.Create(&main, 752, 440));
  screen.CreatePages();
  screen.OnPartialBackups();
  screen.ShowWindow(SW_SHOW);
  main.ShowWindow(SW_SHOW);
  ASSERT_EQ(screen.m_dlgPartialBackups.m_listBackups.GetItemCount(), 2);
  const auto partial = backuptest::RenderingPath("backup-screen-partial-display.png");
  ASSERT_TRUE(mxtest::SaveShownPng(main.m_hWnd, partial));
  EXPECT_GT(std::filesystem::file_size(partial), 5000u);

  screen.OnFullBackups();
  ASSERT_EQ(screen.m_dlgFullBackups.m_listBackups.GetItemCount(), 2);
  const auto full = backuptest::RenderingPath("backup-screen-full-display.png");
  ASSERT_TRUE(mxtest::SaveShownPng(main.m_hWnd, full));
  EXPECT_GT(std::filesystem::file_size(full), 5000u);
}

}  // namespace
