// The upload-DLLs page, headless: consent, the upload run against the service double, and its rendering.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "dllfix/DlgUploadFiles.h"
#include "platform/system/Module.h"
#include "platform/win/Window.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "../ui/UiTestWindows.h"

namespace {

class UploadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    ChkAgreeToUploadDLLs = 1;
    ASSERT_TRUE(main_.Create(uitest::kEmptyPopup));
    main_.MoveWindow(0, 0, 760, 430);
    ASSERT_TRUE(page_.Create(IDD_UPLOAD_FILES, &main_));
    page_.MoveWindow(0, 0, 760, 430);
    page_.m_enableNavigation = [this](BOOL on) { navigation_.push_back(on); };
  }
  void TearDown() override {
    unsetenv("MENDRIX_SERVICE_URL");
    ResetLanguageReader();
  }

  // Fills the list as the main window does before it arms the run, with the controls switched off.
  void Queue(const std::vector<std::wstring>& paths) {
    for (const auto& p : paths) page_.m_listFiles.InsertItem(page_.m_listFiles.GetItemCount(), p.c_str());
    page_.m_btnUpload.EnableWindow(FALSE);
    page_.m_chkAgree.EnableWindow(FALSE);
  }
  void RunUpload() { page_.SendMessage(WM_TIMER, kUploadRunTimer, 0); }
  std::wstring Status() { return win::GetWindowTextString(page_.m_stStatus.m_hWnd); }

  mxtest::TestPrefix prefix_;
  uitest::TestFrame main_;
  CDlgUploadFiles page_;
  std::vector<BOOL> navigation_;
};

}  // namespace

TEST_F(UploadPageTest, ConsentBoxFollowsTheSetting) {
  EXPECT_EQ(page_.m_chkAgree.GetCheck(), BST_CHECKED);
  EXPECT_EQ(win::GetWindowTextString(page_.m_chkAgree.m_hWnd), GetLocalizedString(L"IDS_AGREE_TO_UPLOAD"));
  EXPECT_FALSE(page_.m_listFiles.IsWindowVisible());
  page_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHK_AGREE_UPLOAD, BN_CLICKED), 0);
  EXPECT_EQ(ChkAgreeToUploadDLLs, 0u);
  EXPECT_EQ(page_.m_chkAgree.GetCheck(), BST_UNCHECKED);
  page_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHK_AGREE_UPLOAD, BN_CLICKED), 0);
  EXPECT_EQ(ChkAgreeToUploadDLLs, 1u);
}

// Every status a row of the list is given, in order, read as the list receives it (the run ends with an
// empty list).
std::vector<std::pair<int, std::wstring>> g_rowStatuses;
WNDPROC g_listProc = nullptr;
LRESULT RecordRowStatus(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == LVM_SETITEMTEXTW) {
    const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
    if (item->iSubItem == 1) g_rowStatuses.emplace_back(static_cast<int>(wParam), item->pszText);
  }
  return win::CallWindowProc(g_listProc, hwnd, msg, wParam, lParam);
}

TEST_F(UploadPageTest, RunSendsEachFileAndMarksOnlyTakenOnesUploaded) {
  prefix_.createFile(L"C:\\dlls\\a.dll", std::string("MZ\0a", 4));
  prefix_.createFile(L"C:\\dlls\\b.dll", "MZ-b");
  mxtest::ServiceDouble service(R"({"routes": [{"path": "/upload/uploadFile.php", "times": 1, "body": "ok"},
    {"path": "/upload/uploadFile.php", "status": 500}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  Queue({L"C:\\dlls\\a.dll", L"C:\\dlls\\b.dll", L"C:\\dlls\\missing.dll"});
  g_rowStatuses.clear();
  g_listProc = reinterpret_cast<WNDPROC>(
      win::SetWindowLongPtr(page_.m_listFiles.m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordRowStatus)));
  RunUpload();
  const std::wstring sending = GetLocalizedString(L"IDS_UPLOADING"), sent = GetLocalizedString(L"IDS_UPLOADED"),
                     failed = GetLocalizedString(L"IDS_UPLOAD_FAILED");
  EXPECT_EQ(g_rowStatuses, (std::vector<std::pair<int, std::wstring>>{
                               {0, sending}, {0, sent}, {1, sending}, {1, failed}, {2, sending}, {2, failed}}));
  const auto log = service.requests();
  ASSERT_EQ(log.size(), 2u);  // the missing file is never sent
  EXPECT_NE(log[0].body.find(std::string("filename=\"C:\\dlls\\a.dll\"")), std::string::npos);
  EXPECT_EQ(page_.m_listFiles.GetItemCount(), 0);
  EXPECT_EQ(Status(), GetLocalizedString(L"IDS_UPLOAD_SOME_FAILED"));
  EXPECT_TRUE(page_.m_btnUpload.IsWindowEnabled());
  EXPECT_TRUE(page_.m_chkAgree.IsWindowEnabled());
  EXPECT_EQ(navigation_, std::vector<BOOL>{TRUE});
}

TEST_F(UploadPageTest, WithoutConsentOrFilesNothingIsSent) {
  prefix_.createFile(L"C:\\dlls\\a.dll", "MZ");
  mxtest::ServiceDouble service(R"({"routes": [{"path": "*", "body": "ok"}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  ChkAgreeToUploadDLLs = 0;
  Queue({L"C:\\dlls\\a.dll"});
  RunUpload();
  EXPECT_TRUE(service.requests().empty());
  EXPECT_EQ(page_.m_listFiles.GetItemCount(), 0);

  ChkAgreeToUploadDLLs = 1;
  Queue({});
  RunUpload();
  EXPECT_TRUE(service.requests().empty());
  EXPECT_EQ(Status(), L"");
  EXPECT_TRUE(page_.m_btnUpload.IsWindowEnabled());
  EXPECT_EQ(navigation_, (std::vector<BOOL>{TRUE, TRUE}));
}

TEST_F(UploadPageTest, RendersAsPng) {
  main_.ShowWindow(SW_SHOW);
  page_.ShowWindow(SW_SHOW);
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  ASSERT_TRUE(gdi::SaveWindowPng(page_.m_hWnd, out / "upload-dlls-page.png"));
}
