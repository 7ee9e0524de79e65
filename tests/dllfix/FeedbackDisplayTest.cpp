// The feedback form and the upload-DLLs page on the real display under a private X server, saved to the
// renderings folder for the eye.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/DlgNagDriverFeedback.h"
#include "dllfix/DlgUploadFiles.h"
#include "platform/gdi/Gdi.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "support/TestPrefix.h"
#include "../ui/UiTestWindows.h"

namespace {

class FeedbackDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "renderings come from the optimised build";
#endif
    MX_REQUIRE_DISPLAY();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    // The program's shared fonts the two paint with: the heading, and the regular 11, 12 and 13 pixels.
    const struct {
      int index, height, weight;
    } kFonts[] = {{0, -17, 600}, {8, -11, 400}, {9, -12, 400}, {11, -13, 400}};
    for (const auto& f : kFonts) {
      LOGFONTW lf{};
      lf.lfHeight = f.height;
      lf.lfWeight = f.weight;
      wcscpy(lf.lfFaceName, L"Tahoma");
      app_.m_fonts.Set(f.index, win::CreateFontIndirect(&lf));
    }
  }
  void TearDown() override { ResetLanguageReader(); }
  static std::filesystem::path Out(const char* name) {
    return std::filesystem::path(MX_BINARY_DIR) / "ui-renderings" / name;
  }

  mxtest::TestPrefix prefix_;
  win::ScopedAnswers answers_;
  CZUNApp app_;
};

}  // namespace

TEST_F(FeedbackDisplay, FeedbackForm) {
  CDlgNagDriverFeedback form(nullptr);
  ASSERT_TRUE(form.Create(IDD_NAG_DRIVER_FEEDBACK, nullptr));
  form.ShowWindow(SW_SHOW);
  form.m_edEmail.SetWindowText(L"user@example.org");
  form.m_cbProblemType.SetCurSel(6);
  form.m_reFeedback.SetWindowText(L"The scan found the missing runtime and the fix worked.");
  EXPECT_TRUE(mxtest::SaveShownPng(form.m_hWnd, Out("feedback-form.png")));
  form.DestroyWindow();
}

TEST_F(FeedbackDisplay, UploadDllsPage) {
  uitest::TestFrame frame;
  ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
  frame.MoveWindow(40, 30, 770, 460);
  CDlgUploadFiles page;
  ASSERT_TRUE(page.Create(IDD_UPLOAD_FILES, &frame));
  page.MoveWindow(6, 20, 758, 430);
  page.ShowWindow(SW_SHOW);
  frame.ShowWindow(SW_SHOW);
  EXPECT_TRUE(mxtest::SaveShownPng(frame.m_hWnd, Out("upload-dlls-page-display.png")));
  frame.DestroyWindow();
}
