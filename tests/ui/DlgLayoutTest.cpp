#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "app/DrawingUtils.h"
#include "platform/gdi/DialogTemplate.h"
#include "platform/gdi/ResourceDir.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "support/TestPaths.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/InputApi.h"
#include "UiTestWindows.h"

namespace {

// Templates of the tests' own, under ids no program resource uses; the resource table keeps a template it
// has read for the whole process, as a module's resources stay.
constexpr UINT kNoFontTemplate = 9101;
constexpr UINT kArialTemplate = 9102;

class TestTemplates {
 public:
  TestTemplates() {
    const auto dir = tmp_.path() / "dialogs";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "9101.dlg") << "DIALOG 0 0 200 100\nSTYLE WS_POPUP\n"
                                       "CONTROL 11 Static \"a\" 10 10 50 10 WS_VISIBLE\n"
                                       "CONTROL 12 Button \"b\" 10 30 60 14 WS_VISIBLE\n"
                                       "CONTROL 13 Edit \"\" 80 30 100 13 WS_VISIBLE\n";
    std::ofstream(dir / "9102.dlg") << "DIALOG 0 0 120 60\nSTYLE WS_POPUP | DS_SETFONT\nFONT 9 \"Arial\" 700\n"
                                       "CONTROL 21 Static \"x\" 4 4 40 10 WS_VISIBLE\n";
    gdi::SetResourceDir(tmp_.path());
  }
  ~TestTemplates() { gdi::SetResourceDir({}); }

 private:
  mxtest::TempDir tmp_;
};

int Scale(int units, int base, double f) { return static_cast<int>(units * base * f + 0.5); }

RECT ChildRect(HWND dialog, int id) {
  RECT rc{};
  HWND c = win::GetDlgItem(dialog, id);
  win::GetWindowRect(c, &rc);
  win::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

}  // namespace

TEST(DlgTemplateLayout, TemplateWithoutFontGetsEightPointTahomaAndSizesFromItsUnits) {
  TestTemplates templates;
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kNoFontTemplate));
  for (int id : {11, 12, 13}) win::MoveWindow(win::GetDlgItem(dialog, id), 0, 0, 1, 1, FALSE);

  CDlgTemplateLayout layout;
  ASSERT_TRUE(layout.Apply(nullptr, dialog, kNoFontTemplate, 96.0));
  LOGFONTW lf{};
  ASSERT_GT(win::GetObject(layout.GetFont(), sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfWeight, 400);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(dialog.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(layout.GetFont()));
  EXPECT_EQ(win::SendMessage(win::GetDlgItem(dialog, 13), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(layout.GetFont()));

  const SIZE base = gdi::DialogBaseUnits(layout.GetFont());
  RECT client{};
  dialog.GetClientRect(&client);
  EXPECT_EQ(client.right, Scale(200, base.cx, 0.25));
  EXPECT_EQ(client.bottom, Scale(100, base.cy, 0.125));
  EXPECT_EQ(ChildRect(dialog, 12), (RECT{Scale(10, base.cx, 0.25), Scale(30, base.cy, 0.125),
                                         Scale(10, base.cx, 0.25) + Scale(60, base.cx, 0.25),
                                         Scale(30, base.cy, 0.125) + Scale(14, base.cy, 0.125)}));
}

TEST(DlgTemplateLayout, FontOfTheTemplateAndReapplyRestoresFirst) {
  TestTemplates templates;
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kArialTemplate));
  const LRESULT original = dialog.SendMessage(WM_GETFONT);
  CDlgTemplateLayout layout;
  ASSERT_TRUE(layout.Apply(nullptr, dialog, kArialTemplate, 96.0));
  HFONT first = layout.GetFont();
  LOGFONTW lf{};
  ASSERT_GT(win::GetObject(first, sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -12);  // 9 points at 96 DPI
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Arial");

  ASSERT_TRUE(layout.Apply(nullptr, dialog, kArialTemplate, 96.0));
  EXPECT_EQ(win::GetObjectType(first), 0u) << "the first font is deleted, not piled up";
  layout.Restore();
  EXPECT_EQ(dialog.SendMessage(WM_GETFONT), original);
  EXPECT_EQ(win::SendMessage(win::GetDlgItem(dialog, 21), WM_GETFONT, 0, 0), original);
  EXPECT_FALSE(layout.IsApplied());
}

TEST(DlgTemplateLayout, AMissingControlStopsThatMoveAndEveryLaterOne) {
  TestTemplates templates;
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kNoFontTemplate));
  for (int id : {11, 12, 13}) win::MoveWindow(win::GetDlgItem(dialog, id), 0, 0, 1, 1, FALSE);
  win::DestroyWindow(win::GetDlgItem(dialog, 12));
  CDlgTemplateLayout layout;
  ASSERT_TRUE(layout.Apply(nullptr, dialog, kNoFontTemplate, 96.0));
  EXPECT_NE(ChildRect(dialog, 11), (RECT{0, 0, 1, 1}));
  EXPECT_EQ(ChildRect(dialog, 13), (RECT{0, 0, 1, 1}));
}

TEST(DlgTemplateLayout, MissingTemplateChangesNothing) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(uitest::kEmptyPopup));
  CDlgTemplateLayout layout;
  EXPECT_FALSE(layout.Apply(nullptr, dialog, 9199, 96.0));
  EXPECT_FALSE(layout.IsApplied());
}

TEST(MoveDlgItemScaled, FixedFactorsRoundUpAndMissingControlsAreIgnored) {
  TestTemplates templates;
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kNoFontTemplate));
  MoveDlgItemScaled(dialog, 12, 10, 10, 50, 14);
  EXPECT_EQ(ChildRect(dialog, 12), (RECT{16, 17, 16 + 76, 17 + 23}));
  MoveDlgItemScaled(dialog, 12, 0, 0, 0, 0);
  EXPECT_EQ(ChildRect(dialog, 12), (RECT{0, 0, 0, 0}));
  MoveDlgItemScaled(dialog, 4242, 1, 1, 1, 1);                  // no such control
  MoveDlgItemScaled(dialog, 12, 1e300, 0, 1, 1);                 // cannot be converted: nothing moves
  EXPECT_EQ(ChildRect(dialog, 12), (RECT{0, 0, 0, 0}));

  MoveDlgItemScaledToText(dialog, 12, 10, 10, 14);
  const RECT rc = ChildRect(dialog, 12);
  EXPECT_EQ(rc.left, 16);
  EXPECT_GT(rc.right - rc.left, static_cast<LONG>(9 * 1.5016077)) << "caption width plus nine, scaled";
}

// Enter held while a page opens does not close it; the click after the key is up does.
TEST(DlgChildBase, EnterOrEscStillHeldDoesNotClose) {
  for (int vk : {VK_RETURN, VK_ESCAPE}) {
    bool held = true;
    ui::SetAsyncKeyStateSource([&](int key) -> SHORT { return key == vk && held ? static_cast<SHORT>(0x8001) : 0; });
    CDlgChildBase page(uitest::kEmptyPopup);
    win::ScopedAnswers answers;
    const int button = vk == VK_RETURN ? IDOK : IDCANCEL;
    int clicks = 0;
    answers.answers.OnDialog(L"", [&](HWND hwnd) -> std::optional<int> {
      win::SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED), 0);
      ++clicks;
      EXPECT_TRUE(page.ContinueModal()) << "still open while the key is held";
      held = false;
      win::PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED), 0);
      return std::nullopt;
    });
    EXPECT_EQ(page.DoModal(), button);
    EXPECT_EQ(clicks, 1);
    ui::SetAsyncKeyStateSource({});
  }
}

TEST(DlgChildBase, ControlColoursAreWhiteWithTheTextColour) {
  CDlgChildBase page(uitest::kEmptyPopup);
  ASSERT_TRUE(page.Create(uitest::kEmptyPopup));
  EXPECT_TRUE(page.GetStyle() & WS_TABSTOP);
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(10, 10, nullptr));
  EXPECT_EQ(page.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.m_hDC), 0),
            reinterpret_cast<LRESULT>(GetDialogBrush()));
  EXPECT_EQ(dc.GetTextColor(), RGB(27, 45, 54));
  EXPECT_EQ(page.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0), TRUE);
}
