#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/win/Window.h"
#include "support/TestPrefix.h"
#include "ui/HoverButton.h"
#include "ui/HyperlinkBtn.h"
#include "ui/MyHoverButton.h"
#include "UiTestWindows.h"

namespace {

std::shared_ptr<gdi::DrawLog> Draw(COwnerDrawButton& button, UINT itemState, int w = 123, int h = 68) {
  auto log = std::make_shared<gdi::DrawLog>();
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(w, h, log));
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_BUTTON;
  item.itemState = itemState;
  item.hwndItem = button.m_hWnd;
  item.hDC = dc.m_hDC;
  item.rcItem = RECT{0, 0, w, h};
  button.DrawItem(&item);
  return log;
}

class HoverButtonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(parent_.Create(uitest::kEmptyPopup)); }
  template <class B>
  void Make(B& b, const wchar_t* text = L"") {
    ASSERT_TRUE(b.Create(text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, RECT{0, 0, 10, 10}, &parent_, 1002));
  }
  CDialog parent_;
};

}  // namespace

TEST_F(HoverButtonTest, FrameForEachStateAndTheHoverIsConsumedByThePaint) {
  struct Case {
    const char* what;
    UINT state;
    BYTE hover, keepHot;
    int frame;
    BYTE hoverAfter;
  };
  const Case kCases[] = {
      {"normal", 0, 0, 0, 0, 0},           {"pressed", ODS_SELECTED, 1, 0, 1, 1},
      {"hover", 0, 1, 0, 2, 0},            {"focused", ODS_FOCUS, 0, 0, 2, 0},
      {"kept hot", 0, 0, 1, 2, 0},
  };
  for (const auto& c : kCases) {
    CHoverButton button;
    Make(button);
    ASSERT_TRUE(button.LoadStripBitmap(123));
    RECT rc{};
    button.GetClientRect(&rc);
    EXPECT_EQ(rc, (RECT{0, 0, 28, 15})) << "sized to one frame";
    button.m_hover.m_bHover = c.hover;
    button.m_bKeepHot = c.keepHot;
    auto blits = uitest::BlitsOf(*Draw(button, c.state, 28, 15), 123);
    ASSERT_EQ(blits.size(), 1u) << c.what;
    EXPECT_EQ(blits[0].src.x, c.frame * 28) << c.what;
    EXPECT_EQ(blits[0].rect, (RECT{0, 0, 28, 15})) << c.what;
    EXPECT_EQ(button.m_hover.m_bHover, c.hoverAfter) << c.what;
    button.DestroyWindow();
  }
  // repainted while the mouse stays: the normal frame until the next hover notification
  CHoverButton button;
  Make(button);
  button.LoadStripBitmap(123);
  button.SendMessage(WM_MOUSEHOVER);
  EXPECT_EQ(uitest::BlitsOf(*Draw(button, 0, 28, 15), 123).at(0).src.x, 56);
  EXPECT_EQ(uitest::BlitsOf(*Draw(button, 0, 28, 15), 123).at(0).src.x, 0);
}

TEST_F(HoverButtonTest, LanguageButtonShowsTheCurrentLanguagesFlag) {
  mxtest::TestPrefix prefix;
  for (int lang : {0, 14}) {
    wchar_t dword[9];
    std::swprintf(dword, 9, L"%08x", static_cast<unsigned>(lang));
    prefix.import(L"[HKEY_CURRENT_USER\\Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG]\n\"LangID\"=dword:" +
                  std::wstring(dword) + L"\n");
    CHoverButton button;
    Make(button);
    button.LoadStripBitmap(1015);
    button.m_bLanguageFlag = 1;
    auto flags = uitest::BlitsOf(*Draw(button, 0, 28, 15), 221);
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_EQ(flags[0].rect, uitest::Xywh(2, 2, 14, 11));
    EXPECT_EQ(flags[0].src.x, 14 * lang);
    button.DestroyWindow();
  }
}

TEST_F(HoverButtonTest, NavigationButtonDrawsFrameIconCaptionAndSecondLine) {
  CMyHoverButton nav;
  Make(nav);
  nav.SetNavButton(148, L"Home", L"Start here");
  EXPECT_EQ(nav.m_nFrameWidth, 123);
  EXPECT_EQ(nav.m_nIconWidth, 42);
  nav.MoveWindow(0, 0, 123, 68);
  struct Case {
    UINT state;
    BYTE hover, stayPressed;
    int frame;
    COLORREF caption;
  };
  const Case kCases[] = {{0, 0, 0, 0, RGB(54, 63, 72)},
                         {0, 1, 0, 2, RGB(54, 63, 72)},
                         {ODS_FOCUS, 0, 0, 2, RGB(54, 63, 72)},
                         {ODS_SELECTED, 0, 0, 1, RGB(255, 255, 255)},
                         {0, 0, 1, 1, RGB(255, 255, 255)}};
  for (const auto& c : kCases) {
    nav.m_hover.m_bHover = c.hover;
    nav.m_bStayPressed = c.stayPressed;
    auto log = Draw(nav, c.state);
    EXPECT_EQ(uitest::BlitsOf(*log, 150).at(0).src.x, c.frame * 123);
    auto icon = uitest::BlitsOf(*log, 148).at(0);
    EXPECT_EQ(icon.rect, uitest::Xywh(38, 3, 42, 44));
    EXPECT_EQ(icon.src.x, c.frame * 42);
    auto texts = log->Calls("DrawText");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, L"Home");
    EXPECT_EQ(texts[0].rect, (RECT{1, 43, 123, 68}));
    EXPECT_EQ(texts[0].color, c.caption);
    EXPECT_EQ(texts[1].text, L"Start here");
    EXPECT_EQ(texts[1].rect, (RECT{1, 48, 123, 68}));
    EXPECT_EQ(texts[1].color, RGB(32, 36, 109));
    EXPECT_EQ(nav.m_hover.m_bHover, c.hover) << "this class keeps the hover flag";
  }
}

TEST_F(HoverButtonTest, TextButtonStylesDecideColourPlaceAndFormat) {
  struct Case {
    const char* what;
    BYTE CMyHoverButton::*flag;
    UINT state;
    COLORREF colour;
    RECT rect;
    UINT format;
  };
  const RECT item{0, 0, 123, 68};
  const Case kCases[] = {
      {"plain: white, centred", nullptr, 0, RGB(255, 255, 255), item, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
      {"right link", &CMyHoverButton::m_bRightLink, 0, RGB(255, 255, 255), {0, 0, 108, 68}, DT_RIGHT},
      {"link, pressed", &CMyHoverButton::m_bLinkText, ODS_SELECTED, RGB(225, 225, 225), {1, 1, 123, 68},
       DT_SINGLELINE | DT_VCENTER | DT_RIGHT},
      {"red text", &CMyHoverButton::m_bRedText, 0, RGB(240, 10, 10), {35, 10, 123, 68}, DT_CENTER},
      {"blue caption", &CMyHoverButton::m_bBlueCaption, 0, RGB(0, 22, 180), {30, 4, 123, 68}, 0},
      {"heading: colour survives, no style of its own", &CMyHoverButton::m_bHeadingText, 0, RGB(255, 255, 255),
       {5, 5, 123, 68}, DT_SINGLELINE | DT_VCENTER | DT_CENTER},
  };
  for (const auto& c : kCases) {
    CMyHoverButton button;
    Make(button, L"Go");
    if (c.flag) button.*c.flag = 1;
    button.SetBitmapsAndText(142, 0, L"Go");
    auto texts = Draw(button, c.state)->Calls("DrawText");
    ASSERT_EQ(texts.size(), 1u) << c.what;
    EXPECT_EQ(texts[0].color, c.colour) << c.what;
    EXPECT_EQ(texts[0].rect, c.rect) << c.what;
    EXPECT_EQ(texts[0].format, c.format) << c.what;
    button.DestroyWindow();
  }
  // the green style draws the caption twice: dark, then light two pixels right and one down
  CMyHoverButton green;
  Make(green, L"Scan");
  green.m_bGreenStyle = 1;
  green.SetBitmapsAndText(140, 0, L"Scan");
  auto texts = Draw(green, 0)->Calls("DrawText");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].color, RGB(45, 111, 45));
  EXPECT_EQ(texts[0].rect, (RECT{0, 0, 112, 64}));
  EXPECT_EQ(texts[1].color, RGB(245, 245, 245));
  EXPECT_EQ(texts[1].rect, (RECT{2, 1, 114, 65}));
}

TEST_F(HoverButtonTest, AutoSizedButtonRepeatsTheFrameMiddle) {
  CMyHoverButton button;
  Make(button);
  button.m_bAutoSize = 1;
  const int width = button.SetBitmapsAndText(142, 0, L"A caption much wider than sixty-five pixels");
  RECT rc{};
  button.GetClientRect(&rc);
  ASSERT_GT(width, 65);
  EXPECT_EQ(rc.right, width);
  auto blits = uitest::BlitsOf(*Draw(button, 0, width, 17), 142);
  ASSERT_GT(blits.size(), 2u);
  EXPECT_EQ(blits[1].rect.left, width / 3);
  EXPECT_EQ(blits[1].src.x, 195 / 6);
  EXPECT_EQ(blits.back().rect, uitest::Xywh(width - 195 / 12, 0, 195 / 12, 17));
  EXPECT_LT(blits[blits.size() - 2].rect.left, width);
}

TEST_F(HoverButtonTest, LinkIsUnderlinedShiftsWhenHotAndFillsItsBackground) {
  ChyperlinkBtn link;
  Make(link, L"Details");
  struct Case {
    UINT state;
    BYTE hover;
    COLORREF colour;
    POINT shift;
  };
  const Case kCases[] = {{0, 0, RGB(9, 18, 27), {0, 0}},
                         {0, 1, RGB(45, 72, 108), {1, 1}},
                         {ODS_FOCUS, 0, RGB(45, 72, 108), {1, 1}},
                         {ODS_DISABLED, 0, RGB(72, 72, 72), {0, 0}}};
  for (const auto& c : kCases) {
    link.m_hover.m_bHover = c.hover;
    auto log = Draw(link, c.state, 80, 16);
    auto fills = log->Calls("FillSolidRect");
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0].color, RGB(255, 255, 255));
    auto texts = log->Calls("DrawText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, L"Details");
    EXPECT_EQ(texts[0].color, c.colour);
    EXPECT_EQ(texts[0].rect, uitest::Xywh(c.shift.x, c.shift.y, 80, 16));
    EXPECT_EQ(texts[0].format, 36u);
  }
  LOGFONTW lf{};
  win::GetObject(GetSharedLinkFont(LinkFont::RegularUnderlined), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(link.SendMessage(WM_ERASEBKGND), FALSE);
}
