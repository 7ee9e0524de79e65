// The custom install folder question on a fake page: what the page shows, the folder picker, the install and
// close paths, held keys, and the installer abandoning when the window is closed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <set>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/DllInstaller.h"
#include "mainwnd/DlgCustomInstall.h"
#include "platform/base/Text.h"
#include "platform/shell/FolderPicker.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "ui/InputApi.h"
#include "ui/ModalOverlay.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "../dllfix/DllTestPrefix.h"
#include "../ui/UiTestWindows.h"

namespace {

using Calls = std::vector<std::vector<std::wstring>>;

class CustomInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlltest::PrepareDllPrefix(prefix);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ResetStartedServices();
    ui::SetAsyncKeyStateSource([this](int vk) { return static_cast<SHORT>(held.count(vk) ? 0x8000 : 0); });
    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      pageName = name;
      page = std::make_shared<web::FakePage>();
      page->Define(L"SetText");
      page->Define(L"setInputText");
      page->SetLoaded(true);
      loaded = std::move(complete);
      return page;
    });
    win::SetFolderPicker([this](const win::FolderPickerRequest& r) -> std::optional<std::wstring> {
      requests.push_back(r);
      if (picks.empty()) return std::nullopt;
      auto pick = picks.front();
      picks.pop_front();
      return pick;
    });
    ASSERT_TRUE(main.Create(uitest::kEmptyPopup));
    main.MoveWindow(100, 80, 760, 560);
    main.ShowWindow(SW_SHOW);
    app.m_pMainWnd = &main;
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    win::SetFolderPicker(nullptr);
    web::SetPageFactory(nullptr);
    ui::SetAsyncKeyStateSource(nullptr);
    SetInstallFolderChooser(nullptr);
    unsetenv("MENDRIX_SERVICE_URL");
    ResetLanguageReader();
  }
  // Runs the question; inside, the page loads and then act(frame) plays the user.
  BOOL Ask(const std::wstring& initial, std::wstring& chosen, std::function<void(CDlgCustomInstall&)> act) {
    answers.answers.OnDialog(L"", [this, act](HWND overlay) -> std::optional<int> {
      auto* host = dynamic_cast<CDlgParentTransculent*>(win::CWnd::FromHandle(overlay));
      auto* frame = host ? dynamic_cast<CDlgCustomInstall*>(host->m_pHosted) : nullptr;
      EXPECT_NE(frame, nullptr);
      if (!frame) return IDCANCEL;
      loaded();
      act(*frame);
      return std::nullopt;
    });
    return AskCustomInstallFolder(&main, L"qzx.dll", initial, chosen);
  }

  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
  CZUNApp app;
  uitest::TestFrame main;
  std::shared_ptr<web::FakePage> page;
  std::string pageName;
  std::function<void()> loaded;
  std::set<int> held;
  std::deque<std::optional<std::wstring>> picks;
  std::vector<win::FolderPickerRequest> requests;
};

}  // namespace

TEST_F(CustomInstallTest, InstallWithoutBrowsingKeepsTheProposedFolder) {
  std::wstring chosen = L"stale";
  const BOOL install = Ask(L"C:\\windows\\syswow64", chosen, [&](CDlgCustomInstall& frame) {
    RECT rc{};
    frame.GetWindowRect(&rc);
    EXPECT_EQ(rc.right - rc.left, 600);
    EXPECT_EQ(rc.bottom - rc.top, 350);
    EXPECT_EQ(pageName, kCustomInstallPage);
    EXPECT_EQ(page->CallsOf(L"SetText"),
              (Calls{{L"Advanced installation of qzx.dll", GetLocalizedString(L"IDS_INS_DESC"),
                      L"qzx.dll will be installed in the folder you choose.", L"Install", L"Install to:"}}));
    EXPECT_EQ(frame.m_html.m_strBottomText, L"qzx.dll will be installed in the folder you choose.");
    EXPECT_EQ(page->CallsOf(L"setInputText"), (Calls{{L"C:\\windows\\syswow64"}}));
    page->Click(L"idbtnInstallLeft");
  });
  EXPECT_TRUE(install);
  EXPECT_EQ(chosen, L"");
  EXPECT_TRUE(main.IsWindowEnabled());
}

TEST_F(CustomInstallTest, BrowsingReplacesTheChoiceOnlyWithAFolder) {
  picks = {std::wstring(L"C:\\tools"), std::nullopt, std::wstring()};
  std::wstring chosen;
  const BOOL install = Ask(L"C:\\windows\\system32", chosen, [&](CDlgCustomInstall& frame) {
    for (int i = 0; i < 3; ++i) page->Click(L"btnBrowse");  // a folder, a cancel, a place without a folder
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].title, GetLocalizedString(L"IDS_SEL_LOC"));
    EXPECT_EQ(requests[0].flags, 0x4Au);
    EXPECT_EQ(requests[0].owner, frame.m_html.GetSafeHwnd());
    EXPECT_EQ(page->CallsOf(L"setInputText"), (Calls{{L"C:\\windows\\system32"}, {L"C:\\tools"}}));
    // Enter still held from an earlier prompt does not answer this one.
    held = {VK_RETURN};
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(frame.m_bInstallChosen);
    held.clear();
    page->Click(L"btnInstalltxt");
  });
  EXPECT_TRUE(install);
  EXPECT_EQ(chosen, L"C:\\tools");
}

TEST_F(CustomInstallTest, ClosingTheWindowAbandonsTheInstallation) {
  mxtest::ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"}, {"path": "/f/x.dll", "body": "MZ"}]})");
  setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
  SetInstallFolderChooser([this](const std::wstring& file, const std::wstring& initial, std::wstring& chosen) {
    return AskCustomInstallFolder(&main, file, initial, chosen);
  });
  answers.answers.OnDialog(L"", [this](HWND overlay) -> std::optional<int> {
    auto* host = dynamic_cast<CDlgParentTransculent*>(win::CWnd::FromHandle(overlay));
    auto* frame = dynamic_cast<CDlgCustomInstall*>(host->m_pHosted);
    loaded();
    EXPECT_EQ(page->CallsOf(L"setInputText"), (Calls{{L"C:\\windows\\system32"}}));  // 64-bit: system32
    held = {VK_ESCAPE};
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(host->ContinueModal());
    held.clear();
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_CLOSE, BN_CLICKED), 0);
    return std::nullopt;
  });
  DLL_RESULT_DATA_EX record;
  record.filename = L"own.dll";
  record.bits = L"64";
  record.url = mx::Utf8ToWide(service.url()) + L"/f/x.dll";
  EXPECT_FALSE(InstallDlls(record, {}, {}, TRUE));
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(L"C:\\windows\\system32\\own.dll")));
  EXPECT_EQ(answers.answers.pending(), 0u);
  EXPECT_FALSE(g_bDllInstallRunning);
}
