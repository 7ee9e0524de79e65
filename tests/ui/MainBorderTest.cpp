#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/Images.h"
#include "platform/registry/Registry.h"
#include "platform/win/Window.h"
#include "support/TestPaths.h"
#include "support/TestPrefix.h"
#include "ui/InputApi.h"
#include "UiTestWindows.h"

using uitest::BlitsOf;
using uitest::TestFrame;
using uitest::Xywh;

namespace {

struct Flags {
  const char* window;
  BYTE compact, logo, titled, addEntry, thin, noDrag;
};

// The variants the derived windows choose.
const Flags kVariants[] = {
    {"main window", 0, 0, 0, 0, 0, 0},     {"problems view", 0, 0, 1, 0, 0, 1},
    {"about frame", 1, 0, 0, 0, 0, 1},     {"add-entry dialog", 0, 0, 0, 1, 0, 1},
    {"logo frames", 0, 1, 0, 0, 1, 1},
};

void Apply(CMainBorder& frame, const Flags& f) {
  frame.m_bCompactHeader = f.compact;
  frame.m_bLogoFrame = f.logo;
  frame.m_bTitledFrame = f.titled;
  frame.m_bAddEntryCaption = f.addEntry;
  frame.m_bThinBottom = f.thin;
  frame.m_bNoDrag = f.noDrag;
  frame.m_strTitle = L"Problems";
}

std::shared_ptr<gdi::DrawLog> Draw(CMainBorder& frame, int w, int h) {
  auto log = std::make_shared<gdi::DrawLog>();
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(w, h, log));
  RECT client{0, 0, w, h};
  frame.DrawFrame(&dc, &client);
  return log;
}

}  // namespace

TEST(MainBorder, DrawFrameGeometryForEveryVariantAndHeight) {
  const int w = 700;
  for (const Flags& f : kVariants) {
    for (int h : {400, 461, 462, 550}) {
      SCOPED_TRACE(std::string(f.window) + " height " + std::to_string(h));
      CMainBorder frame(uitest::kEmptyPopup, nullptr);
      Apply(frame, f);
      auto log = Draw(frame, w, h);
      const bool header = f.compact || f.logo || f.titled || f.addEntry;
      const int top = header ? 56 : 116;

      EXPECT_EQ(BlitsOf(*log, 199).at(0).rect, Xywh(0, 0, 9, 56));
      EXPECT_EQ(BlitsOf(*log, 200).size(), static_cast<size_t>(w - 150 - 9));
      EXPECT_EQ(BlitsOf(*log, 201).at(0).rect, Xywh(w - 150, 0, 150, 56));
      EXPECT_EQ(BlitsOf(*log, 174).at(0).rect, Xywh(0, top, 6, h - top));
      EXPECT_EQ(BlitsOf(*log, 183).at(0).rect, Xywh(w - 6, top, 6, h - top));

      // side extension rows only for logo and titled frames taller than 461 pixels, from y 432 to H-30
      auto rows = BlitsOf(*log, 175);
      const bool extended = (f.logo || f.titled) && h > 461;
      ASSERT_EQ(rows.size(), extended ? static_cast<size_t>(2 * (h - 29 - 432)) : 0u);
      if (extended) {
        EXPECT_EQ(rows.front().rect, Xywh(0, 432, 6, 1));
        EXPECT_EQ(rows[1].rect, Xywh(w - 6, 432, 6, 1));
        EXPECT_EQ(rows.back().rect, Xywh(w - 6, h - 30, 6, 1));
      }

      if (f.thin) {
        EXPECT_EQ(BlitsOf(*log, 180).at(0).rect, Xywh(0, h - 6, 6, 6));
        auto mid = BlitsOf(*log, 181);
        ASSERT_FALSE(mid.empty());
        EXPECT_EQ(mid[1].rect.left, 11);  // five-pixel steps of a six-pixel tile
        EXPECT_LT(mid.back().rect.left, w - 6);
        EXPECT_EQ(BlitsOf(*log, 182).at(0).rect, Xywh(w - 6, h - 6, 6, 6));
        EXPECT_TRUE(BlitsOf(*log, 132).empty());
      } else {
        EXPECT_EQ(BlitsOf(*log, 132).at(0).rect, Xywh(0, h - 29, 49, 29));
        EXPECT_EQ(BlitsOf(*log, 133).size(), static_cast<size_t>(w - 150 - 49));
        EXPECT_EQ(BlitsOf(*log, f.noDrag ? 134 : 135).at(0).rect, Xywh(w - 150, h - 29, 150, 29));
        EXPECT_TRUE(BlitsOf(*log, f.noDrag ? 135 : 134).empty());
        EXPECT_TRUE(BlitsOf(*log, 180).empty());
      }

      auto logo = BlitsOf(*log, 195);
      ASSERT_EQ(logo.size(), (f.logo || f.titled) ? 1u : 0u);
      if (!logo.empty()) {
        EXPECT_EQ(logo[0].rect, Xywh((w - 213) / 2, 0, 213, 56));
      }

      auto texts = log->Calls("DrawText");
      if (f.titled) {
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, L"Problems");
        EXPECT_EQ(texts[0].rect, (RECT{20, 63, w, h}));
        EXPECT_EQ(texts[0].color, RGB(50, 81, 146));
      } else if (f.addEntry) {
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rect, (RECT{27, 20, w, h}));
      } else {
        EXPECT_TRUE(texts.empty());
      }
    }
  }
}

TEST(MainBorder, LogoCentringTruncatesTowardZeroOnNarrowWindows) {
  CMainBorder frame(uitest::kEmptyPopup, nullptr);
  frame.m_bLogoFrame = 1;
  auto log = Draw(frame, 200, 300);  // (200 - 213) / 2 is -6, not -7
  EXPECT_EQ(BlitsOf(*log, 195).at(0).rect.left, -6);
}

TEST(MainBorder, CaptionButtonsFollowTheRightEdgeAndTheFlags) {
  struct Case {
    BYTE maximizable, showMinimize;
    bool minVisible, maxVisible;
  };
  const Case kCases[] = {{0, 1, true, false}, {1, 1, false, true}, {0, 0, false, false}, {1, 0, false, true}};
  for (const auto& c : kCases) {
    TestFrame frame;
    frame.m_bMaximizable = c.maximizable;
    frame.m_bShowMinimize = c.showMinimize;
    ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
    EXPECT_EQ(frame.m_btnMinimize.IsWindowEnabled() != 0, c.minVisible);
    EXPECT_EQ((frame.m_btnMinimize.GetStyle() & WS_VISIBLE) != 0, c.minVisible);
    EXPECT_EQ((frame.m_btnMaximize.GetStyle() & WS_VISIBLE) != 0, c.maxVisible);
    EXPECT_TRUE(frame.m_btnClose.GetStyle() & WS_VISIBLE);

    frame.MoveWindow(40, 30, 640, 480);
    RECT close{}, minimize{}, maximize{};
    win::GetWindowRect(frame.m_btnClose, &close);
    win::GetWindowRect(frame.m_btnMinimize, &minimize);
    win::GetWindowRect(frame.m_btnMaximize, &maximize);
    EXPECT_EQ(close, Xywh(40 + 640 - 38, 30 + 5, 28, 15));
    EXPECT_EQ(minimize, Xywh(40 + 640 - 68, 30 + 5, 28, 15));
    EXPECT_EQ(maximize, minimize);
  }
}

TEST(MainBorder, BandPressesMoveOnlyADraggableWindow) {
  struct Case {
    POINT pt;
    bool inBand;
  };
  // client 400 x 300: top band y < 50, bottom band 277 <= y < 298 and x < 398, side bands 5 pixels wide
  const Case kCases[] = {{{200, 10}, true},   {{200, 49}, true},  {{200, 50}, false}, {{200, 280}, true},
                         {{399, 280}, true},  {{200, 298}, false}, {{2, 150}, true},   {{396, 150}, true},
                         {{394, 150}, false}, {{200, 150}, false}};
  for (BYTE noDrag : {0, 1}) {
    TestFrame frame;
    frame.m_bNoDrag = noDrag;
    ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
    frame.MoveWindow(0, 0, 400, 300);
    for (const auto& c : kCases) {
      frame.seen.clear();
      frame.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(static_cast<WORD>(c.pt.x), static_cast<WORD>(c.pt.y)));
      uitest::Pump();
      const bool moved = !frame.seen.empty() && frame.seen[0].message == WM_NCLBUTTONDOWN;
      EXPECT_EQ(moved, c.inBand && !noDrag) << c.pt.x << "," << c.pt.y << " noDrag " << int(noDrag);
      if (moved) {
        EXPECT_EQ(frame.seen[0].wParam, HTCAPTION);
        EXPECT_EQ(frame.seen[0].lParam, MAKELPARAM(static_cast<WORD>(c.pt.x), static_cast<WORD>(c.pt.y)));
      }
    }
  }
}

TEST(MainBorder, CloseButtonSavesTheSettingsBeforeTheWindowGetsCancel) {
  mxtest::TestPrefix prefix;
  StrLastOptimizeTime = L"saved-by-close";
  TestFrame frame;
  ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_CLOSE, BN_CLICKED), reinterpret_cast<LPARAM>(frame.m_btnClose.m_hWnd));

  // the settings are in the registry while the cancel is still queued
  EXPECT_TRUE(frame.seen.size() == 1);
  HKEY key = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  std::uint16_t value[64] = {};  // UTF-16 units as stored
  DWORD size = sizeof(value);
  EXPECT_EQ(win::RegQueryValueEx(key, L"StrLastOptimizeTime", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  win::RegCloseKey(key);
  std::wstring text;
  for (size_t i = 0; i < 64 && value[i]; ++i) text.push_back(static_cast<wchar_t>(value[i]));
  EXPECT_EQ(text, L"saved-by-close");

  uitest::Pump();
  ASSERT_EQ(frame.seen.size(), 2u);
  EXPECT_EQ(frame.seen[1].message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(frame.seen[1].wParam, static_cast<WPARAM>(IDCANCEL));
  EXPECT_EQ(frame.seen[1].lParam, 0);
  StrLastOptimizeTime.clear();
}

TEST(MainBorder, MinimizeAndMaximizeButtons) {
  gdi::SetScreenSize(1024, 768);
  TestFrame frame;
  frame.m_bMaximizable = 1;
  ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_MINIMIZE, BN_CLICKED), 0);
  uitest::Pump();
  ASSERT_EQ(frame.seen.size(), 2u);
  EXPECT_EQ(frame.seen[1].message, static_cast<UINT>(WM_SYSCOMMAND));
  EXPECT_EQ(frame.seen[1].wParam, static_cast<WPARAM>(SC_MINIMIZE));

  frame.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_MAXIMIZE, BN_CLICKED), 0);
  RECT rc{};
  frame.GetWindowRect(&rc);
  EXPECT_EQ(rc, (RECT{0, 0, 1024, 768 - 25}));
  EXPECT_EQ(frame.m_bMaximized, 1);
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_MAXIMIZE, BN_CLICKED), 0);
  frame.GetWindowRect(&rc);
  EXPECT_EQ(rc, Xywh((1024 - 700) / 2, (768 - 550) / 2, 700, 550));
  EXPECT_EQ(frame.m_bMaximized, 0);
  // the caption button keeps a strip of its own through both toggles
  EXPECT_NE(frame.m_btnMaximize.m_strip.GetSafeHandle(), nullptr);
  EXPECT_EQ(frame.m_btnMaximize.m_nFrameWidth, 28);
}

TEST(MainBorder, ControlColoursAreTheSharedWhiteBrush) {
  TestFrame frame;
  ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
  for (UINT msg = WM_CTLCOLORMSGBOX; msg <= WM_CTLCOLORSTATIC; ++msg)
    EXPECT_EQ(frame.SendMessage(msg, 0, 0), reinterpret_cast<LRESULT>(GetDialogBrush())) << msg;
}

// Renderings to look at: the main frame, a titled frame and a logo frame.
TEST(MainBorder, RendersThreeFramesAsPng) {
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  struct Case {
    const char* file;
    Flags flags;
    int w, h;
  };
  const Case kCases[] = {{"main-frame.png", kVariants[0], 700, 550},
                         {"titled-frame.png", kVariants[1], 640, 520},
                         {"logo-frame.png", kVariants[4], 560, 480}};
  for (const auto& c : kCases) {
    TestFrame frame;
    Apply(frame, c.flags);
    frame.m_bShowMinimize = c.flags.logo ? 0 : 1;  // as the logo frames choose
    ASSERT_TRUE(frame.Create(uitest::kEmptyPopup));
    frame.MoveWindow(0, 0, c.w, c.h);
    frame.ShowWindow(SW_SHOW);
    const auto path = out / c.file;
    ASSERT_TRUE(gdi::SaveWindowPng(frame.m_hWnd, path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
  }
}
