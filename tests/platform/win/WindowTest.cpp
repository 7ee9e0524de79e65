#include "platform/win/Window.h"

#include <gtest/gtest.h>

#include <future>

#include "WinTestSupport.h"
#include "platform/win/Message.h"

using namespace wintest;

TEST(Window, FindsTopLevelWindowsByClassAndExactCaptionIgnoringCase) {
  HWND dlg = win::CreateWindowEx(0, win::kDialogClass, L"Mendrix Main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
  HWND other = MakeWindow(L"Mendrix Main");
  HWND child = win::CreateWindowEx(0, win::kDialogClass, L"Inner", WS_CHILD, 0, 0, 1, 1, dlg, nullptr, nullptr,
                                   nullptr);
  ASSERT_TRUE(dlg && other && child);
  struct Case {
    LPCWSTR cls;
    LPCWSTR caption;
    HWND expected;
  };
  const Case cases[] = {
      {L"#32770", L"Mendrix Main", dlg},
      {L"#32770", L"MENDRIX MAIN", dlg},
      {L"mxrecorder", L"mendrix main", other},
      {L"#32770", L"Mendrix", nullptr},  // exact caption only
      {L"#32770", L"", nullptr},         // an empty caption matches nothing
      {L"#32770", L"Inner", nullptr},    // children are not top-level
      {L"NoSuchClass", nullptr, nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(win::FindWindow(c.cls, c.caption), c.expected) << c.caption;
  EXPECT_EQ(win::FindWindowEx(dlg, nullptr, nullptr, L"inner"), child);
  win::DestroyWindow(dlg);
  win::DestroyWindow(other);
}

TEST(Window, HandlesOfDestroyedWindowsStayInvalidAndAreNeverHandedOutAgain) {
  EXPECT_EQ(win::CreateWindowEx(0, L"NoSuchClass", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  std::vector<HWND> seen;
  for (int i = 0; i < 50; ++i) {
    HWND w = MakeWindow();
    for (HWND old : seen) ASSERT_NE(w, old);
    seen.push_back(w);
    win::DestroyWindow(w);
    EXPECT_FALSE(win::IsWindow(w));
  }
  EXPECT_FALSE(win::SetWindowText(seen[0], L"x"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Window, DestructionNotifiesParentsFirstThenFreesChildrenFirst) {
  HWND parent = MakeWindow(L"p");
  HWND child = MakeWindow(L"c", parent, 0, 10);
  HWND grandchild = MakeWindow(L"g", child, 0, 11);
  ClearRecorded();
  ASSERT_TRUE(win::DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (const auto& s : Recorded())
    if (s.msg == WM_DESTROY || s.msg == WM_NCDESTROY) order.emplace_back(s.hwnd, s.msg);
  const std::vector<std::pair<HWND, UINT>> expected = {
      {parent, WM_DESTROY},       {child, WM_DESTROY}, {grandchild, WM_DESTROY},
      {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(win::IsWindow(child));
  EXPECT_FALSE(win::IsWindow(grandchild));
}

TEST(Window, TreeGeometryAndZOrder) {
  HWND top = win::CreateWindowEx(0, win::kDialogClass, L"t", WS_POPUP, 100, 200, 300, 400, nullptr, nullptr, nullptr,
                                 nullptr);
  HWND first = MakeWindow(L"1", top, 0, 1);
  HWND second = MakeWindow(L"2", top, 0, 2);
  win::MoveWindow(second, 10, 20, 30, 40, TRUE);
  EXPECT_EQ(win::GetParent(second), top);
  EXPECT_EQ(win::GetDlgItem(top, 2), second);
  EXPECT_EQ(win::GetDlgItem(top, 3), nullptr);
  EXPECT_EQ(win::GetDlgCtrlID(first), 1);
  EXPECT_EQ(win::GetWindow(top, GW_CHILD), second);  // newest on top
  EXPECT_EQ(win::GetWindow(second, GW_HWNDNEXT), first);
  win::SetWindowPos(second, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(win::GetWindow(top, GW_CHILD), first);

  RECT r;
  win::GetWindowRect(second, &r);
  EXPECT_EQ(r, (RECT{110, 220, 140, 260}));
  win::GetClientRect(second, &r);
  EXPECT_EQ(r, (RECT{0, 0, 30, 40}));
  POINT p{1, 2};
  win::ClientToScreen(second, &p);
  EXPECT_EQ(p, (POINT{111, 222}));

  ClearRecorded();
  win::MoveWindow(second, 10, 20, 50, 60, TRUE);
  EXPECT_EQ(RecordedMessages(WM_MOVE, WM_SIZE), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
  auto seen = Recorded();
  EXPECT_EQ(seen.front().msg, static_cast<UINT>(WM_WINDOWPOSCHANGING));
  win::DestroyWindow(top);
}

namespace {
// The main window stays hidden however it is asked to show.
LRESULT StayHiddenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
  return win::DefWindowProc(hwnd, msg, wParam, lParam);
}
}  // namespace

TEST(Window, ShowingGoesThroughPositionChangingSoAHandlerCanRefuseIt) {
  WNDCLASSW wc;
  wc.lpfnWndProc = &StayHiddenProc;
  wc.lpszClassName = L"MxStayHidden";
  ASSERT_TRUE(win::RegisterClass(&wc));
  EXPECT_FALSE(win::RegisterClass(&wc));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  HWND hidden = win::CreateWindowEx(0, L"MxStayHidden", L"", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr,
                                    nullptr, nullptr);
  EXPECT_FALSE(win::IsWindowVisible(hidden));
  win::ShowWindow(hidden, SW_SHOWNORMAL);
  win::SetWindowPos(hidden, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_FALSE(win::IsWindowVisible(hidden));

  HWND plain = MakeWindow();
  HWND child = MakeWindow(L"", plain, WS_VISIBLE);
  EXPECT_FALSE(win::ShowWindow(plain, SW_SHOW));  // was hidden
  EXPECT_TRUE(win::IsWindowVisible(plain));
  EXPECT_TRUE(win::IsWindowVisible(child));
  EXPECT_TRUE(win::ShowWindow(plain, SW_HIDE));
  EXPECT_FALSE(win::IsWindowVisible(child)) << "a child of a hidden window is not visible";
  EXPECT_FALSE(win::EnableWindow(plain, FALSE));
  EXPECT_FALSE(win::IsWindowEnabled(plain));
  EXPECT_TRUE(win::EnableWindow(plain, TRUE));
  win::DestroyWindow(plain);
  win::DestroyWindow(hidden);
  EXPECT_TRUE(win::UnregisterClass(L"MxStayHidden", nullptr));
}

TEST(Window, AnotherThreadChangesAWindowThroughItsOwnerAndReadsTextWithoutWaiting) {
  HWND w = MakeWindow(L"caption");
  ClearRecorded();
  auto reader = std::async(std::launch::async, [w] { return win::GetWindowTextString(w); });
  EXPECT_EQ(reader.get(), L"caption");  // answered although this thread never pumped
  EXPECT_TRUE(Recorded().empty());

  auto shower = std::async(std::launch::async, [w] { return win::ShowWindow(w, SW_SHOW); });
  while (shower.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) PumpAll();
  EXPECT_TRUE(win::IsWindowVisible(w));
  for (const auto& s : Recorded()) EXPECT_EQ(s.thread, win::GetCurrentThreadId());
  auto destroyer = std::async(std::launch::async, [w] { return win::DestroyWindow(w); });
  EXPECT_FALSE(destroyer.get());
  win::DestroyWindow(w);
}

TEST(Window, PaintIsAskedForUntilValidatedAndOnlyForVisibleWindows) {
  HWND w = MakeWindow();
  win::InvalidateRect(w, nullptr, TRUE);
  EXPECT_TRUE(PumpAll().empty()) << "hidden";
  win::ShowWindow(w, SW_SHOW);
  RECT r;
  EXPECT_TRUE(win::GetUpdateRect(w, &r, FALSE));
  EXPECT_EQ(r, (RECT{0, 0, 100, 50}));
  EXPECT_EQ(PumpAll(), (std::vector<UINT>{WM_PAINT}));
  EXPECT_FALSE(win::GetUpdateRect(w, &r, FALSE));
  win::DestroyWindow(w);
}

namespace {
struct Log final : win::WindowObserver {
  std::vector<std::string> events;
  void OnCreated(HWND) override { events.push_back("created"); }
  void OnDestroyed(HWND) override { events.push_back("destroyed"); }
  void OnMovedOrSized(HWND) override { events.push_back("moved"); }
  void OnShown(HWND, bool visible) override { events.push_back(visible ? "shown" : "hidden"); }
  void OnTextChanged(HWND) override { events.push_back("text"); }
  void OnInvalidated(HWND) override { events.push_back("invalidated"); }
};
}  // namespace

TEST(Window, APresentationLayerLearnsOfEveryChange) {
  Log log;
  win::SetWindowObserver(&log);
  HWND w = MakeWindow(L"a", nullptr, WS_VISIBLE);
  win::SetWindowText(w, L"b");
  win::MoveWindow(w, 5, 5, 100, 50, TRUE);  // same size: a move only
  win::DestroyWindow(w);
  win::SetWindowObserver(nullptr);
  EXPECT_EQ(log.events, (std::vector<std::string>{"created", "invalidated", "shown", "text", "moved", "hidden",
                                                  "destroyed"}));
}
