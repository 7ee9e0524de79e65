// The feedback form, headless: its set-up, the checks of its entries with their messages, the preview, and
// the upload on its worker against the service double, on the fake clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/DlgNagDriverFeedback.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "../ui/UiTestWindows.h"

namespace {

constexpr const char* kResponse =
    R"(<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>)"
    R"(<UploadFeedbackResponse xmlns=\"http://tarvolen.example/ws/\"><UploadFeedbackResult>ok</UploadFeedbackResult>)"
    R"(</UploadFeedbackResponse></soap:Body></soap:Envelope>)";

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

class FeedbackFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::SetClock(&clock_);
    ASSERT_TRUE(main_.Create(uitest::kEmptyPopup));
    main_.MoveWindow(0, 0, 760, 560);
  }
  void TearDown() override {
    mx::SetClock(nullptr);
    unsetenv("MENDRIX_SERVICE_URL");
    ResetLanguageReader();
  }
  static void Fill(CDlgNagDriverFeedback& form, const std::wstring& email, int type, const std::wstring& message) {
    form.m_edEmail.SetWindowText(email.c_str());
    form.m_cbProblemType.SetCurSel(type);
    form.m_reFeedback.SetWindowText(message.c_str());
  }
  static void Click(CDlgNagDriverFeedback& form, int id) {
    form.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  mxtest::TestPrefix prefix_;
  mx::FakeClock clock_;
  win::ScopedAnswers answers_;
  CZUNApp app_;
  uitest::TestFrame main_;
};

}  // namespace

TEST_F(FeedbackFormTest, OpensWithItsTitleTypesAndDefaultsAndIgnoresAltF4) {
  CDlgNagDriverFeedback form(&main_);
  ASSERT_TRUE(form.Create(IDD_NAG_DRIVER_FEEDBACK, &main_));
  EXPECT_EQ(win::GetWindowTextString(form.m_hWnd), L"Tarvolen Mendrix - " + Text(L"IDS_SUBMIT_FEEEDBACK"));
  RECT rc{};
  form.GetWindowRect(&rc);
  EXPECT_EQ(rc.right - rc.left, 568);
  EXPECT_EQ(rc.bottom - rc.top, 434);
  ASSERT_EQ(form.m_cbProblemType.GetCount(), 9);
  std::wstring first, last;
  form.m_cbProblemType.GetLBText(0, first);
  form.m_cbProblemType.GetLBText(8, last);
  EXPECT_EQ(first, Text(L"IDS_SELECT_PRBTYPE"));
  EXPECT_EQ(last, Text(L"IDS_DLL_INSTALL_NOSOLVE"));
  EXPECT_EQ(form.m_cbProblemType.GetCurSel(), 0);
  EXPECT_EQ(form.m_radioFixed.GetCheck(), BST_CHECKED);
  EXPECT_EQ(win::GetWindowTextString(form.m_radioNotFixed.m_hWnd), Text(L"IDS_NO"));
  EXPECT_FALSE(form.m_btnViewLog.IsWindowVisible());
  EXPECT_EQ(win::SendMessage(form.m_reFeedback.m_hWnd, EM_GETLIMITTEXT, 0, 0), 600);

  for (UINT key : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP}) {
    MSG msg{form.m_hWnd, key, VK_F4, 0, 0, {}};
    form.PreTranslateMessage(&msg);
    EXPECT_EQ(msg.wParam, 0u) << key;
  }
  form.DestroyWindow();
}

TEST_F(FeedbackFormTest, EachWrongEntryIsSaidAndTheEntriesStay) {
  CDlgNagDriverFeedback form(&main_);
  ASSERT_TRUE(form.Create(IDD_NAG_DRIVER_FEEDBACK, &main_));
  const struct {
    std::wstring email;
    int type;
    std::wstring message;
    const wchar_t* said;
  } kCases[] = {
      {L"", 2, L"hello", L"IDS_IDEMAIL_NOTEMPTY"},
      {L"@b.c", 2, L"hello", L"IDS_EMAIL_ADDRESS_INVALID"},
      {L"a@b", 2, L"hello", L"IDS_EMAIL_ADDRESS_INVALID"},
      {std::wstring(255, L'a') + L"@b.co", 2, L"hello", L"IDS_EMAIL_ADDRESS_INVALID"},
      {L"a@b.c", 0, L"", L"IDS_FEEDBACK_TYPE"},  // the type is examined before the message
      {L"a@b.c", 2, L" \r\n\t ", L"IDS_FEEDBACK_NOEMPTY"},
  };
  for (const auto& c : kCases) {
    answers_.answers.clear();
    Fill(form, c.email, c.type, c.message);
    Click(form, IDOK);
    Click(form, IDC_BTN_VIEW_REPORT);
    const auto records = answers_.answers.records();
    ASSERT_EQ(records.size(), 2u) << mx::WideToUtf8(c.said);
    for (const auto& r : records) {
      EXPECT_EQ(r.prompt.text, Text(c.said));
      EXPECT_EQ(r.prompt.type & 0xF0u, MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(win::GetWindowTextString(form.m_edEmail.m_hWnd), c.email);
    EXPECT_TRUE(form.IsWindowEnabled());
    EXPECT_EQ(form.GetStatus(), L"");
  }
  form.DestroyWindow();
}

TEST_F(FeedbackFormTest, PreviewShowsTheReportWithTheTypesText) {
  CDlgNagDriverFeedback form(&main_);
  ASSERT_TRUE(form.Create(IDD_NAG_DRIVER_FEEDBACK, &main_));
  Fill(form, L"a@b.c", 2, L"  it <broke>  ");
  Click(form, IDC_BTN_VIEW_REPORT);
  const auto records = answers_.answers.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].prompt.caption, GetAppTitle());
  EXPECT_EQ(records[0].prompt.text, form.m_strReport);
  EXPECT_NE(form.m_strReport.find(L"<feedback_type>" + Text(L"IDS_PRB_DOWNLOADING") + L"</feedback_type>"),
            std::wstring::npos);
  EXPECT_NE(form.m_strReport.find(L"<content>it &lt;broke&gt;</content>"), std::wstring::npos);
  form.DestroyWindow();
}

// The whole submit: the form disabled with its status, the worker's upload, the message read, then IDOK.
TEST_F(FeedbackFormTest, SubmitUploadsOnTheWorkerAndClosesAfterTheMessage) {
  const struct {
    std::string routes;
    size_t attempts;
    const wchar_t* status;
    const wchar_t* message;
  } kCases[] = {
      {std::string(R"({"path": "/ws/MiscService.asmx", "body": ")") + kResponse + "\"}", 1,
       L"IDS_FEEBACK_UPLOAD_SUCCESS", L"IDS_THANK_FEEDBACK"},
      {R"({"path": "*", "status": 500, "body": "<soap:Fault/>"})", 4, L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET",
       L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET"},
  };
  for (const auto& c : kCases) {
    mxtest::ServiceDouble service("{\"routes\": [" + c.routes + "]}");
    setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1);
    answers_.answers.clear();
    CDlgNagDriverFeedback form(&main_);
    answers_.answers.OnDialog(L"", [&](HWND) -> std::optional<int> {
      Fill(form, L"a@b.c", 6, L"Nice");
      Click(form, IDOK);
      EXPECT_FALSE(form.IsWindowEnabled());
      EXPECT_EQ(form.GetStatus(), Text(L"IDS_FEEBACK_UPLOAD_STATUS"));
      Click(form, IDCANCEL);  // nothing ends the form while it uploads
      EXPECT_TRUE(form.ContinueModal());
      return std::nullopt;
    });
    // Time moves on while the form's loop waits for its timers; the worker's pauses pass at once.
    std::atomic<bool> closed{false};
    std::thread time([&] {
      while (!closed) {
        clock_.Advance(16);
        std::this_thread::yield();
      }
    });
    EXPECT_EQ(form.DoModal(), IDOK);
    closed = true;
    time.join();
    EXPECT_EQ(form.GetStatus(), Text(c.status));
    const auto records = answers_.answers.records();
    ASSERT_EQ(records.size(), 2u);  // the form and the one message of the worker
    const auto& box = records[0].prompt.kind == win::PromptKind::MessageBox ? records[0] : records[1];
    EXPECT_EQ(box.prompt.text, Text(c.message));
    EXPECT_EQ(box.prompt.type & 0xF0u, MB_ICONINFORMATION);
    const auto log = service.requests();
    ASSERT_EQ(log.size(), c.attempts);
    EXPECT_NE(log[0].body.find("&lt;content&gt;Nice&lt;/content&gt;"), std::string::npos);
  }
}
