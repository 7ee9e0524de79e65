#include "platform/win/MessageBox.h"

#include <gtest/gtest.h>

#include <future>

#include "WinTestSupport.h"
#include "platform/win/Thread.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"

using namespace wintest;

TEST(MessageBox, ScriptedAnswersAreUsedInOrderAndEveryPromptIsRecorded) {
  win::ScopedAnswers scope;
  scope.answers.Expect(L"stop the scan", IDYES);
  scope.answers.Expect(L"", IDRETRY);
  HWND owner = MakeWindow(L"main");
  EXPECT_EQ(win::MessageBox(owner, L"Do you want to STOP the scan?", L"Mendrix", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(win::MessageBox(owner, L"Disk full", nullptr, MB_RETRYCANCEL), IDRETRY);
  // Unscripted: the default button.
  EXPECT_EQ(win::MessageBox(nullptr, L"Again?", L"Mendrix", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(win::MessageBox(nullptr, L"Done", L"Mendrix", MB_OK), IDOK);
  EXPECT_EQ(scope.answers.pending(), 0u);
  EXPECT_EQ(scope.answers.texts(),
            (std::vector<std::wstring>{L"Do you want to STOP the scan?", L"Disk full", L"Again?", L"Done"}));
  auto records = scope.answers.records();
  EXPECT_EQ(records[1].prompt.caption, L"Error");
  EXPECT_EQ(records[0].prompt.owner, owner);
  EXPECT_TRUE(win::IsWindowEnabled(owner));
  win::DestroyWindow(owner);
}

namespace {
// Looks at the world while the box is up.
struct Probe final : win::AnswerProvider {
  HWND owner = nullptr;
  bool ownerEnabled = true;
  std::vector<UINT> handledBefore;
  std::optional<int> Answer(const win::Prompt& p) override {
    ownerEnabled = win::IsWindowEnabled(owner);
    handledBefore = RecordedMessages(WM_USER, WM_USER + 10);
    EXPECT_EQ(win::GetClassNameString(p.hwnd), L"#32770");
    return IDOK;
  }
};
}  // namespace

TEST(MessageBox, HandlesWhatWaitsForTheThreadWithTheOwnerDisabled) {
  Probe probe;
  win::SetAnswerProvider(&probe);
  HWND owner = MakeWindow(L"main");
  probe.owner = owner;
  ClearRecorded();
  win::PostMessage(owner, WM_USER + 1, 0, 0);
  win::PostMessage(owner, WM_USER + 2, 0, 0);
  EXPECT_EQ(win::MessageBox(owner, L"text", L"caption", MB_OK), IDOK);
  EXPECT_FALSE(probe.ownerEnabled);
  EXPECT_EQ(probe.handledBefore, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  EXPECT_TRUE(win::IsWindowEnabled(owner));
  win::SetAnswerProvider(nullptr);
  win::DestroyWindow(owner);
}

TEST(MessageBox, WorksFromAWorkerWithoutWindows) {
  win::ScopedAnswers scope;
  scope.answers.Expect(L"update", IDNO);
  auto r = std::async(std::launch::async, [] { return win::MessageBox(nullptr, L"Install the update?", L"x", MB_YESNO); });
  EXPECT_EQ(r.get(), IDNO);
  EXPECT_NE(scope.answers.records()[0].prompt.threadId, win::GetCurrentThreadId());
}

namespace {
class Dialog final : public win::CWnd {
 public:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndModalLoop(LOWORD(wParam));
      return 0;
    }
    if (msg == WM_USER + 5) return 55;
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  BOOL Make(LPCWSTR caption) { return CreateEx(0, win::kDialogClass, caption, WS_POPUP, 0, 0, 50, 50, nullptr, nullptr); }
};
}  // namespace

TEST(ModalLoop, AnUnscriptedDialogIsCancelledAndAScriptedOneAnswers) {
  win::ScopedAnswers scope;
  Dialog plain;
  ASSERT_TRUE(plain.Make(L"Add entry"));
  EXPECT_EQ(plain.RunModalLoop(), IDCANCEL);
  scope.answers.Expect(L"add entry", IDOK);
  EXPECT_EQ(plain.RunModalLoop(), IDOK);
  EXPECT_EQ(scope.answers.texts(), (std::vector<std::wstring>{L"Add entry", L"Add entry"}));
}

TEST(ModalLoop, ACrossThreadSendIsAnsweredInsideTheLoopWhichEndsByAClick) {
  win::ScopedAnswers scope;
  Dialog dialog;
  ASSERT_TRUE(dialog.Make(L"Problems"));
  HWND h = dialog.m_hWnd;
  std::future<LRESULT> worker;
  scope.answers.OnDialog(L"problems", [&](HWND hwnd) -> std::optional<int> {
    EXPECT_EQ(hwnd, h);
    // The worker sends while the loop runs; its handler's answer reaches it, then the user clicks OK.
    worker = std::async(std::launch::async, [hwnd] {
      LRESULT r = win::SendMessage(hwnd, WM_USER + 5, 0, 0);
      win::PostMessage(hwnd, WM_COMMAND, IDOK, 0);
      return r;
    });
    return std::nullopt;
  });
  EXPECT_EQ(dialog.RunModalLoop(), IDOK);
  EXPECT_EQ(worker.get(), 55);
}

TEST(ModalLoop, QuitEndsTheLoopAndReachesTheOuterOne) {
  win::ScopedAnswers scope;
  scope.answers.OnDialog(L"", [](HWND) -> std::optional<int> {
    win::PostQuitMessage(3);
    return std::nullopt;
  });
  Dialog dialog;
  dialog.Make(L"d");
  EXPECT_EQ(dialog.RunModalLoop(), -1);
  MSG msg;
  EXPECT_FALSE(win::GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(PumpMessages, ACrossThreadSendIsAnsweredByAPeekLoop) {
  HWND w = MakeWindow(L"progress");
  auto worker = std::async(std::launch::async, [w] { return win::SendMessage(w, WM_NCHITTEST, 0, 0); });
  // What a long operation on the UI thread does between its steps.
  MSG msg;
  while (worker.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      win::TranslateMessage(&msg);
      win::DispatchMessage(&msg);
    }
  }
  EXPECT_EQ(worker.get(), 1);
  win::DestroyWindow(w);
}
