// The real display under a private X server: a framed window with a drawn button and a browser screen, real
// mouse clicks through xdotool, and a message box raised from a worker.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/base/Text.h"
#include "platform/gdi/Controls.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/gdi/Surface.h"
#include "platform/gdi/WindowDC.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/KeyState.h"
#include "platform/gtk/MessageBoxes.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/web/PageFactory.h"
#include "platform/web/ResourcePages.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Thread.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "ui/ChildHtmlDialog.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

constexpr int kButtonId = 1001;
constexpr RECT kScreenRect{6, 60, 414, 250};
constexpr COLORREF kHeader = RGB(0x1B, 0x2D, 0x36), kBand = RGB(0xE0, 0x6A, 0x10);

// A window skinned the way the program's frames are: a dark header, a white body, a coloured bottom band.
struct Frame {
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = win::BeginPaint(hwnd, &ps);
      RECT rc{};
      win::GetClientRect(hwnd, &rc);
      HBRUSH header = win::CreateSolidBrush(kHeader), band = win::CreateSolidBrush(kBand);
      RECT top{0, 0, rc.right, 56}, bottom{0, rc.bottom - 29, rc.right, rc.bottom};
      HBRUSH body = win::CreateSolidBrush(RGB(200, 200, 200));
      RECT middle{0, 56, rc.right, rc.bottom - 29};
      win::FillRect(dc, &middle, body);
      win::DeleteObject(body);
      win::FillRect(dc, &top, header);
      win::FillRect(dc, &bottom, band);
      win::DeleteObject(header);
      win::DeleteObject(band);
      win::EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
      clickThread = win::GetCurrentThreadId();
      ++clicks;
      return 0;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
  static inline std::atomic<int> clicks{0};
  static inline std::atomic<DWORD> clickThread{0};
};

constexpr const char* kScreenPage =
    "<!doctype html><html><head><script>function bg(){return getComputedStyle(document.body).backgroundColor + location.href + innerWidth + 'x' + innerHeight;}</script></head>"
    "<body style='margin:0;background:#3366cc'><input id='field' type='text' style='position:absolute;left:10px;"
    "top:10px;width:120px;height:24px'><script>function fieldValue(){return document.getElementById('field').value;}"
    "function fieldFocused(){return document.activeElement && document.activeElement.id === 'field';}"
    "</script></body></html>";

POINT WidgetCenterOnScreen(GtkWidget* widget) {
  GtkAllocation a;
  gtk_widget_get_allocation(widget, &a);
  gint x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
  if (!gtk_widget_get_has_window(widget)) {
    x += a.x;
    y += a.y;
  }
  return POINT{x + a.width / 2, y + a.height / 2};
}

bool Click(POINT screen) {
  return mxtest::RunProgram({"xdotool", "mousemove", std::to_string(screen.x), std::to_string(screen.y), "click",
                             "1"}) == 0;
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    if (!g_find_program_in_path("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    gdi::RegisterControlClasses();
    WNDCLASSW wc{};
    wc.lpfnWndProc = Frame::Proc;
    wc.lpszClassName = L"MxTestFrame";
    win::RegisterClass(&wc);
    web::UseWebKitPages();
    web::RegisterResourcePage("frame-screen.htm", kScreenPage);
    frame = win::CreateWindowEx(0, L"MxTestFrame", L"Frame", 0, 40, 40, 420, 320, nullptr, nullptr, nullptr, nullptr);
    button = win::CreateWindowEx(0, WC_BUTTON, L"Scan", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 300, 12, 100, 32, frame,
                                 reinterpret_cast<HMENU>(kButtonId), nullptr, nullptr);
    ASSERT_TRUE(screen.Create(frame, kScreenRect));
    win::ShowWindow(screen, SW_SHOW);
    win::ShowWindow(frame, SW_SHOW);
  }
  void TearDown() override {
    web::SetPageFactory(nullptr);
    win::SetAnswerProvider(nullptr);
    if (screen.GetSafeHwnd()) screen.DestroyWindow();
    if (frame) win::DestroyWindow(frame);
  }

  // The frame is on screen (and its page loaded, when asked); origin is where.
  bool WaitShown(bool withPage) {
    GtkWidget* window = gtkhost::Display::Get().WindowWidget(frame);
    if (!window || !mxtest::RunUntil([&] {
          return gtk_widget_get_mapped(window) && (!withPage || screen.GetPage()->IsLoaded());
        }))
      return false;
    gdk_window_get_origin(gtk_widget_get_window(window), &origin.x, &origin.y);
    return true;
  }

  win::CWinApp app{L"Display test"};  // its filter is the thread's, as in the program
  HWND frame = nullptr;
  HWND button = nullptr;
  POINT origin{};
  CChildHtmlDialog screen{0, "frame-screen.htm"};
};

TEST_F(DisplayTest, FramedWindowWithABrowserScreenAppearsAsDrawn) {
  ASSERT_TRUE(WaitShown(true));
  const int ox = origin.x, oy = origin.y;
  const int w = 420, h = 320;
  auto inBrowser = [](int x, int y) {
    return x >= kScreenRect.left && x < kScreenRect.right && y >= kScreenRect.top && y < kScreenRect.bottom;
  };
  int mismatches = -1;
  COLORREF browserPixel = 0;
  // Presentation and the browser's first paint come in their own time; look until they agree.
  gdi::PaintWindowTree(frame);
  auto surface = gdi::WindowSurface(frame);
  mxtest::RunUntil([&] {
    auto shown = mxtest::ScreenPixels(ox, oy, w, h);
    if (shown.size() != size_t(w) * h) return false;
    mismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (inBrowser(x, y)) continue;
        COLORREF c = surface->GetPixel(x, y);
        unsigned rgb = (unsigned(GetRValue(c)) << 16) | (unsigned(GetGValue(c)) << 8) | GetBValue(c);
        if (shown[size_t(y) * w + x] != rgb) ++mismatches;
      }
    browserPixel = shown[size_t(kScreenRect.top + 150) * w + kScreenRect.left + 200];
    return mismatches == 0 && browserPixel == 0x3366CC;
  });
  EXPECT_EQ(mismatches, 0) << "the screen shows what the window painted";
  EXPECT_EQ(browserPixel, 0x3366CCu) << "the page fills its screen's rectangle";

  // A frame that keeps repainting (an animation) leaves the page on screen.
  int rounds = 0;
  mxtest::RunUntil([&] {
    win::InvalidateRect(frame, nullptr, TRUE);
    win::UpdateWindow(frame);
    return ++rounds == 200;
  });
  EXPECT_EQ(mxtest::ScreenPixels(ox + 206, oy + 210, 1, 1), std::vector<unsigned>{0x3366CC});
}

TEST_F(DisplayTest, ClickOnADrawnButtonArrivesOnTheUiThread) {
  ASSERT_TRUE(WaitShown(false));
  const int ox = origin.x, oy = origin.y;
  Frame::clicks = 0;
  ASSERT_TRUE(Click(POINT{ox + 350, oy + 28}));
  ASSERT_TRUE(mxtest::RunUntil([] { return Frame::clicks > 0; }));
  EXPECT_EQ(Frame::clicks, 1);
  EXPECT_EQ(Frame::clickThread, win::GetCurrentThreadId());
  // The pointer's place is known where the click was: a menu opened at the pointer shows there.
  POINT pointer{};
  ASSERT_TRUE(win::GetCursorPos(&pointer));
  EXPECT_EQ(pointer.x, ox + 350);
  EXPECT_EQ(pointer.y, oy + 28);
  // A click on the header beside the button is nobody's command.
  ASSERT_TRUE(Click(POINT{ox + 100, oy + 28}));
  ASSERT_TRUE(Click(POINT{ox + 350, oy + 28}));
  ASSERT_TRUE(mxtest::RunUntil([] { return Frame::clicks > 1; }));
  EXPECT_EQ(Frame::clicks, 2);
}

// A thread of its own with a framed window (as the pop-up notifier has).
class WindowThread : public win::CWinThread {
 public:
  BOOL InitInstance() override {
    HWND w = win::CreateWindowEx(0, L"MxTestFrame", L"Other thread", 0, 500, 40, 220, 120, nullptr, nullptr,
                                 nullptr, nullptr);
    win::CreateWindowEx(0, WC_BUTTON, L"Later", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 110, 12, 100, 32, w,
                        reinterpret_cast<HMENU>(kButtonId), nullptr, nullptr);
    win::ShowWindow(w, SW_SHOW);
    window = w;
    return TRUE;
  }
  static inline std::atomic<HWND> window{nullptr};
};

TEST_F(DisplayTest, WindowOfAnotherThreadIsShownAndClickedOnItsThread) {
  WindowThread::window = nullptr;
  auto* thread = win::AfxBeginThread<WindowThread>();
  ASSERT_NE(thread, nullptr);
  const DWORD threadId = thread->m_nThreadID;
  GtkWidget* shown = nullptr;
  ASSERT_TRUE(mxtest::RunUntil([&] {
    HWND w = WindowThread::window;
    shown = w ? gtkhost::Display::Get().WindowWidget(w) : nullptr;
    return shown && gtk_widget_get_mapped(shown);
  }));
  HWND w = WindowThread::window;
  POINT o{};
  gdk_window_get_origin(gtk_widget_get_window(shown), &o.x, &o.y);
  // Its own thread painted it; the display only presents it.
  ASSERT_TRUE(mxtest::RunUntil([&] {
    auto px = mxtest::ScreenPixels(o.x + 20, o.y + 20, 1, 1);
    return px == std::vector<unsigned>{0x1B2D36};
  }));
  Frame::clicks = 0;
  ASSERT_TRUE(Click(POINT{o.x + 160, o.y + 28}));
  ASSERT_TRUE(mxtest::RunUntil([] { return Frame::clicks > 0; }));
  EXPECT_EQ(Frame::clickThread, threadId);
  win::PostThreadMessage(threadId, WM_QUIT, 0, 0);
  ASSERT_TRUE(mxtest::RunUntil([&] { return !win::IsWindow(w) && !gtkhost::Display::Get().WindowWidget(w); }));
}

TEST_F(DisplayTest, TypingIntoThePagePassesTheScreensKeyFilter) {
  ASSERT_TRUE(WaitShown(true));
  const int ox = origin.x, oy = origin.y;
  GtkWidget* window = gtkhost::Display::Get().WindowWidget(frame);
  // Without a window manager the X focus follows only a request of ours.
  gdk_window_focus(gtk_widget_get_window(window), GDK_CURRENT_TIME);
  ASSERT_TRUE(Click(POINT{ox + kScreenRect.left + 40, oy + kScreenRect.top + 20}));
  ASSERT_TRUE(mxtest::RunUntil([&] { return gtk_window_has_toplevel_focus(GTK_WINDOW(window)); }));
  web::ScriptValue focused;
  ASSERT_TRUE(mxtest::RunUntil([&] {
    return screen.GetPage()->Call(L"fieldFocused", {}, &focused) == S_OK && focused == web::ScriptValue::Bool(true);
  }));
  ASSERT_EQ(mxtest::RunProgram({"xdotool", "type", "--delay", "30", "a b"}), 0);
  web::ScriptValue v;
  ASSERT_TRUE(mxtest::RunUntil([&] { return screen.GetPage()->Call(L"fieldValue", {}, &v) == S_OK && v.text.size() >= 2; }));
  EXPECT_EQ(v.text, L"ab") << "the screen blanks the space key, as it does for its own windows";
}

TEST_F(DisplayTest, PresentedWindowFollowsItsWindowsPlaceOpacityAndLife) {
  HWND overlay = win::CreateWindowEx(WS_EX_LAYERED, L"MxTestFrame", L"Overlay", 0, 40, 40, 420, 320, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_TRUE(win::SetLayeredWindowAttributes(overlay, 0, 201, LWA_ALPHA));
  win::ShowWindow(overlay, SW_SHOW);
  GtkWidget* shown = gtkhost::Display::Get().WindowWidget(overlay);
  ASSERT_NE(shown, nullptr);
  EXPECT_NEAR(gtk_widget_get_opacity(shown), 201 / 255.0, 0.01);
  win::SetLayeredWindowAttributes(overlay, 0, 255, LWA_ALPHA);
  win::InvalidateRect(overlay, nullptr, TRUE);
  EXPECT_TRUE(mxtest::RunUntil([&] { return gtk_widget_get_opacity(shown) > 0.99; }));
  win::MoveWindow(overlay, 100, 90, 300, 200, TRUE);
  EXPECT_TRUE(mxtest::RunUntil([&] {
    gint x = -1, y = -1;
    if (gtk_widget_get_window(shown)) gdk_window_get_origin(gtk_widget_get_window(shown), &x, &y);
    return x == 100 && y == 90 && gtk_widget_get_allocated_width(shown) == 300;
  }));
  win::ShowWindow(overlay, SW_HIDE);
  EXPECT_FALSE(gtk_widget_get_visible(shown));
  win::DestroyWindow(overlay);
  EXPECT_EQ(gtkhost::Display::Get().WindowWidget(overlay), nullptr);
}

TEST_F(DisplayTest, KeyStateFollowsTheKeyboard) {
  ASSERT_TRUE(WaitShown(false));
  GtkWidget* window = gtkhost::Display::Get().WindowWidget(frame);
  gdk_window_focus(gtk_widget_get_window(window), GDK_CURRENT_TIME);
  ASSERT_TRUE(mxtest::RunUntil([&] { return gtk_window_has_toplevel_focus(GTK_WINDOW(window)); }));
  constexpr int kEsc = 0x1B, kControl = 0x11;
  gtkhost::AsyncKeyState(kEsc);  // forget earlier presses
  ASSERT_EQ(mxtest::RunProgram({"xdotool", "keydown", "Escape", "keydown", "Control_L"}), 0);
  EXPECT_TRUE(mxtest::RunUntil([] {
    return (gtkhost::AsyncKeyState(kEsc) & 0x8000) && (gtkhost::AsyncKeyState(kControl) & 0x8000);
  })) << "Esc, and the left Ctrl as Ctrl";
  ASSERT_EQ(mxtest::RunProgram({"xdotool", "keyup", "Escape", "keyup", "Control_L"}), 0);
  // The two releases are two events; the display may take them in two turns of its loop.
  EXPECT_TRUE(mxtest::RunUntil([] {
    return gtkhost::AsyncKeyState(kEsc) == 0 && gtkhost::AsyncKeyState(kControl) == 0;
  })) << "both keys released";
}

TEST_F(DisplayTest, MessageBoxFromAWorkerIsShownAndAnswered) {
  gtkhost::UseDisplayAnswers();
  static std::atomic<int> answer{0};
  answer = 0;
  win::AfxBeginThread(
      [](LPVOID) -> UINT {
        answer = win::MessageBox(nullptr, L"Remove the entry?", L"Worker question", MB_YESNO | MB_ICONQUESTION);
        return 0;
      },
      nullptr);
  GtkWidget* dialog = nullptr;
  ASSERT_TRUE(mxtest::RunUntil([&] {
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
      const char* title = gtk_window_get_title(GTK_WINDOW(l->data));
      if (title && std::string(title) == "Worker question" && gtk_widget_get_mapped(GTK_WIDGET(l->data)))
        dialog = GTK_WIDGET(l->data);
    }
    g_list_free(all);
    return dialog != nullptr;
  }));
  GtkWidget* no = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), IDNO);
  ASSERT_NE(no, nullptr);
  ASSERT_TRUE(mxtest::RunUntil([&] { return gtk_widget_get_mapped(no); }));
  ASSERT_TRUE(Click(WidgetCenterOnScreen(no)));
  ASSERT_TRUE(mxtest::RunUntil([] { return answer != 0; }));
  EXPECT_EQ(answer, IDNO);
}

}  // namespace
