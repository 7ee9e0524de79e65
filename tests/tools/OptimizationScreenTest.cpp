// The optimisation screen on a fake page: its texts, the date line, and the clicks that start the window.
#include <gtest/gtest.h>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/system/Module.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "tools/Dlg_Reg_Opt_HTML.h"
#include "tools/ToolsTestPrefix.h"

namespace {

class OptimizationScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    page = std::make_shared<web::FakePage>();
    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      requested = name;
      documentComplete = std::move(complete);
      return page;
    });
    page->Define(L"LoadStrings");
    page->Define(L"settext");
    parent = win::CreateWindowEx(0, L"#32770", L"", 0, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(screen.Create(parent, RECT{6, 128, 594, 380}));
    page->SetLoaded(true);
  }
  void TearDown() override {
    web::SetPageFactory(nullptr);
    screen.DestroyWindow();
    win::DestroyWindow(parent);
  }

  toolstest::ToolsPrefix prefix;
  std::shared_ptr<web::FakePage> page;
  std::string requested;
  std::function<void()> documentComplete;
  HWND parent = nullptr;
  CDlg_Reg_Opt_HTML screen;
};

}  // namespace

TEST_F(OptimizationScreenTest, FillsSevenTextsAndTheDateOfTheLastOptimisation) {
  StrLatestRegDefrag.clear();
  documentComplete();
  EXPECT_EQ(requested, "425.htm");
  auto loads = page->CallsOf(L"LoadStrings");
  ASSERT_EQ(loads.size(), 1u);
  ASSERT_EQ(loads[0].size(), 7u);
  EXPECT_EQ(loads[0][0], L"Registry optimization");
  EXPECT_EQ(loads[0][2], GetLocalizedString(L"string152"));
  EXPECT_EQ(loads[0][6], L"Optimize again");
  EXPECT_EQ(page->CallsOf(L"settext"), (std::vector<std::vector<std::wstring>>{{L"The registry has not been optimized yet."}}));

  StrLatestRegDefrag = L"Thu. December 10, 2026. 05:08 PM";
  screen.UpdateLastOptimizedText();
  EXPECT_EQ(page->CallsOf(L"settext").back(), std::vector<std::wstring>{L"Thu. December 10, 2026. 05:08 PM"});
  StrLatestRegDefrag.clear();
}

TEST_F(OptimizationScreenTest, SixElementsAskBeforeTheWindowOpensAndTheButtonsLeftEdgeDoesNothing) {
  documentComplete();
  win::ScopedAnswers answers;
  for (const wchar_t* id : {L"idbtnOptimizeMiddle", L"idbtnOptimizeRight", L"start3", L"string154", L"start4",
                            L"string157"}) {
    answers.answers.Expect(L"Close all other programs", IDNO);
    page->Click(id);
  }
  page->Click(L"idbtnOptimizeLeft");
  EXPECT_EQ(answers.answers.records().size(), 6u);
  EXPECT_EQ(answers.answers.pending(), 0u);
  for (const auto& r : answers.answers.records()) EXPECT_EQ(r.answer, IDNO);
}
