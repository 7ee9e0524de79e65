#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "ui/KVTHoverButtonWithText.h"
#include "UiTestWindows.h"

namespace {

// Draws the button through its owner-draw entry into a recording DC of its size.
std::shared_ptr<gdi::DrawLog> DrawButton(CKVTHoverButton& button, UINT itemState) {
  auto log = std::make_shared<gdi::DrawLog>();
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(button.m_nWidth, button.m_nHeight, log));
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_BUTTON;
  item.itemState = itemState;
  item.hwndItem = button.m_hWnd;
  item.hDC = dc.m_hDC;
  item.rcItem = RECT{0, 0, button.m_nWidth, button.m_nHeight};
  button.DrawItem(&item);
  return log;
}

// The frame each of the three pieces was taken from (-1 when a piece is missing).
struct Pieces {
  int left = -1, middle = -1, right = -1;
};
Pieces FramesOf(const gdi::DrawLog& log, UINT leftId, int capFrame, int midFrame) {
  Pieces p;
  for (const auto& c : log.Calls()) {
    if (c.resourceId == leftId) p.left = c.src.x / capFrame;
    if (c.resourceId == leftId + 1) p.middle = c.src.x / midFrame;
    if (c.resourceId == leftId + 2) p.right = c.src.x / capFrame;
  }
  return p;
}

class PushButtonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(parent_.Create(uitest::kEmptyPopup)); }
  void Make(CKVTHoverButton& b, UINT leftCap, const wchar_t* caption = L"OK", int width = 100) {
    ASSERT_TRUE(b.Create(caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{10, 10, 20, 20}, &parent_, 1001));
    ASSERT_TRUE(b.LoadBitmaps(leftCap, leftCap + 1, leftCap + 2, caption, width, 20));
  }
  CDialog parent_;
};

}  // namespace

TEST_F(PushButtonTest, ThreePiecesShowTheFrameOfTheState) {
  struct Case {
    const char* what;
    UINT itemState;
    BYTE hover, keepHot, stayPressed, disabledFrame;
    bool enabled;
    int frame;
  };
  const Case kCases[] = {
      {"normal", 0, 0, 0, 0, 0, true, 0},
      {"pressed", ODS_SELECTED, 1, 0, 0, 0, true, 1},
      {"stays pressed", 0, 1, 0, 1, 0, true, 1},
      {"hover", 0, 1, 0, 0, 0, true, 2},
      {"kept hot (active page)", 0, 0, 1, 0, 0, true, 2},
      {"focus alone is not hot", ODS_FOCUS, 0, 0, 0, 0, true, 0},
      {"disabled without a disabled frame", ODS_DISABLED, 0, 0, 0, 0, false, 0},
      {"disabled with a disabled frame", ODS_DISABLED, 0, 0, 0, 1, false, 3},
      {"window disabled, state not", 0, 0, 0, 0, 1, false, 3},
      {"hover beats disabled", ODS_DISABLED, 1, 0, 0, 1, false, 2},
  };
  for (const auto& c : kCases) {
    CKVTHoverButton button;
    button.m_bHasDisabledFrame = c.disabledFrame;
    // three-frame strips 116-118 (6- and 10-pixel frames), four-frame strips 154-156 (6 and 10 too)
    const UINT left = c.disabledFrame ? 154 : 116;
    Make(button, left);
    button.m_hover.m_bHover = c.hover;
    button.m_bKeepHot = c.keepHot;
    button.m_bStayPressed = c.stayPressed;
    button.EnableWindow(c.enabled);
    auto log = DrawButton(button, c.itemState);
    const Pieces p = FramesOf(*log, left, 6, 10);
    EXPECT_EQ(p.left, c.frame) << c.what;
    EXPECT_EQ(p.middle, c.frame) << c.what;
    EXPECT_EQ(p.right, c.frame) << c.what;
    button.DestroyWindow();
  }
}

TEST_F(PushButtonTest, PiecesArePlacedCapsAtTheEndsMiddleStretched) {
  CKVTHoverButton button;
  Make(button, 116);
  EXPECT_EQ(button.m_nHeight, 28) << "the tallest strip sets the height";
  auto log = DrawButton(button, 0);
  auto middle = uitest::BlitsOf(*log, 117);
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_EQ(middle[0].op, "StretchBlt");
  EXPECT_EQ(middle[0].rect, (RECT{0, 0, 100, 28}));
  EXPECT_EQ(uitest::BlitsOf(*log, 116).at(0).rect, uitest::Xywh(0, 0, 6, 28));
  EXPECT_EQ(uitest::BlitsOf(*log, 118).at(0).rect, uitest::Xywh(94, 0, 6, 28));
  RECT rc{};
  button.GetClientRect(&rc);
  EXPECT_EQ(rc, (RECT{0, 0, 100, 28}));
}

TEST_F(PushButtonTest, PressAndHoverThroughTheWindowAndTheHoverIsKeptUntilLeave) {
  CKVTHoverButton button;
  Make(button, 116);
  parent_.ShowWindow(SW_SHOW);
  auto log = std::make_shared<gdi::DrawLog>();
  gdi::SetWindowDrawLog(button.m_hWnd, log);
  auto paint = [&] {
    log->Clear();
    win::InvalidateRect(button.m_hWnd, nullptr, FALSE);
    win::UpdateWindow(button.m_hWnd);
    return FramesOf(*log, 116, 6, 10).middle;
  };
  button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.m_hover.m_bTracking);
  button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(paint(), 2);
  EXPECT_EQ(paint(), 2) << "the hover look stays while the pointer is over the button";
  button.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(5, 5));
  EXPECT_EQ(paint(), 1);
  button.SendMessage(WM_MOUSELEAVE);
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
  EXPECT_EQ(paint(), 0);
  gdi::SetWindowDrawLog(button.m_hWnd, nullptr);
}

TEST_F(PushButtonTest, AWideCaptionWidensOnlyAnAutoSizedButton) {
  const wchar_t* caption = L"A caption far wider than the button";
  CKVTHoverButton fixed, autoSized;
  Make(fixed, 116, caption, 40);
  EXPECT_EQ(fixed.m_nWidth, 40);
  EXPECT_FALSE(fixed.m_bAutoSize);
  autoSized.m_bAutoSize = TRUE;
  Make(autoSized, 116, caption, 40);
  EXPECT_GT(autoSized.m_nWidth, 40);
  RECT rc{};
  autoSized.GetClientRect(&rc);
  EXPECT_EQ(rc.right, autoSized.m_nWidth);
  EXPECT_FALSE(autoSized.m_bSingleStrip);
  EXPECT_FALSE(autoSized.LoadBitmaps(116, 4242, 118, caption, 40, 20)) << "a missing strip is reported";
}

TEST_F(PushButtonTest, CaptionColourPlaceAndShadow) {
  struct Case {
    const char* what;
    POINT origin;
    BYTE hover, shadow, disabledFrame;
    bool enabled;
    COLORREF color;
    UINT format;
    RECT rect;
  };
  const COLORREF text = RGB(1, 2, 3), hover = RGB(4, 5, 6);
  const Case kCases[] = {
      {"centred", {-1, 7}, 0, 0, 0, true, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER, {0, 0, 100, 28}},
      {"at its origin", {12, 7}, 0, 0, 0, true, text, DT_SINGLELINE, {12, 7, 100, 28}},
      {"hot", {-1, 7}, 1, 0, 0, true, hover, 37, {0, 0, 100, 28}},
      {"disabled with its frame", {-1, 7}, 0, 0, 1, false, RGB(162, 162, 162), 37, {0, 0, 100, 28}},
      {"disabled without one", {-1, 7}, 0, 0, 0, false, text, 37, {0, 0, 100, 28}},
      {"shadowed", {-1, 7}, 0, 1, 0, true, text, 37, {0, 0, 100, 28}},
  };
  for (const auto& c : kCases) {
    CKVTHoverButtonWithText button;
    button.m_bHasDisabledFrame = c.disabledFrame;
    Make(button, c.disabledFrame ? 154 : 116, L"Go");
    button.m_ptText = c.origin;
    button.m_crText = text;
    button.m_crHover = hover;
    button.m_bShadow = c.shadow;
    button.m_hover.m_bHover = c.hover;
    button.EnableWindow(c.enabled);
    auto texts = DrawButton(button, c.enabled ? 0 : ODS_DISABLED)->Calls("DrawText");
    ASSERT_EQ(texts.size(), c.shadow ? 2u : 1u) << c.what;
    if (c.shadow) {
      EXPECT_EQ(texts[0].color, RGB(54, 63, 117));
      EXPECT_EQ(texts[0].rect, (RECT{c.rect.left + 1, c.rect.top + 1, c.rect.right + 1, c.rect.bottom + 1}));
    }
    EXPECT_EQ(texts.back().text, L"Go") << c.what;
    EXPECT_EQ(texts.back().color, c.color) << c.what;
    EXPECT_EQ(texts.back().format, c.format) << c.what;
    EXPECT_EQ(texts.back().rect, c.rect) << c.what;
    button.DestroyWindow();
  }
}

TEST(GreenButtonFont, SizeAndFaceByLanguageAndSegoe) {
  struct Case {
    int lang;
    bool segoe;
    LONG height, weight;
  };
  const Case kCases[] = {{0, true, -18, 700},  {19, true, -18, 700}, {10, true, -15, 700}, {14, true, -15, 700},
                         {3, true, -16, 700},  {0, false, -16, 600}, {19, false, -16, 600}, {14, false, -12, 600},
                         {10, false, -13, 600}};
  for (const auto& c : kCases) {
    LOGFONTW lf{};
    MakeGreenButtonFont(lf, c.lang, c.segoe);
    EXPECT_EQ(lf.lfHeight, c.height) << c.lang << " " << c.segoe;
    EXPECT_EQ(lf.lfWeight, c.weight) << c.lang << " " << c.segoe;
    if (c.segoe) {
      EXPECT_EQ(std::wstring(lf.lfFaceName), L"segoe UI");
    }
  }
}

// The parent's background shows through: it erases into the button's DC with the origin at the button.
TEST(BaseGUIButton, ParentBackgroundIsPaintedAtTheButtonsPlace) {
  class Parent : public CDialog {
   public:
    POINT originSeen{-1, -1};

   protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
      if (msg == WM_ERASEBKGND) win::GetWindowOrgEx(reinterpret_cast<HDC>(wParam), &originSeen);
      return CDialog::WindowProc(msg, wParam, lParam);
    }
  } parent;
  ASSERT_TRUE(parent.Create(uitest::kEmptyPopup));
  CKVTHoverButton button;
  ASSERT_TRUE(button.Create(L"OK", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{30, 40, 90, 60}, &parent, 1003));
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(60, 20, nullptr));
  const RECT clip{0, 0, 10, 10};
  button.PaintParentBackground(&dc, &clip);
  EXPECT_EQ(parent.originSeen, (POINT{30, 40}));
  EXPECT_EQ(dc.GetWindowOrg(), (CPoint{0, 0})) << "the origin is put back";
  RECT box{};
  dc.GetClipBox(&box);
  EXPECT_EQ(box, (RECT{0, 0, 60, 20})) << "and the clip region";
}
