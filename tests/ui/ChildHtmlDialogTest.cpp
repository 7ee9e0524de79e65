// The HTML screen base without a browser: key filter, event map, shared handlers and message answers.
#include <gtest/gtest.h>

#include <set>

#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/InputApi.h"
#include "ui/WebPage.h"

namespace {

constexpr int kEsc = 0x1B, kReturn = 0x0D, kCtrl = 0x11, kAlt = 0xA4, kF4 = 0x73, kF5 = 0x74, kSpace = 0x20;

struct Keys {
  Keys() {
    ui::SetAsyncKeyStateSource([this](int vk) { return static_cast<SHORT>(down.count(vk) ? 0x8000 : 0); });
  }
  ~Keys() { ui::SetAsyncKeyStateSource(nullptr); }
  std::set<int> down;
};

constexpr UINT kClickMsg = WM_APP + 1, kEndMsg = WM_APP + 2;

// A screen as the derived screens build it: its own map, a bridge bound on document-complete.
class TestScreen : public CChildHtmlDialog {
 public:
  TestScreen() : CChildHtmlDialog(424, "test-screen.htm") {}
  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override {
    static const std::vector<DHtmlEventEntry> map = {
        {L"clickid",
         [](CChildHtmlDialog& d, const std::wstring&) {
           auto& self = static_cast<TestScreen&>(d);
           web::ScriptValue v;
           if (self.bridge.CallJScriptNoArgs(L"returnselectedid", &v)) self.selected.push_back(v.text);
           return S_OK;
         }},
        {L"ButtonCancel", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonCancel(id); }},
    };
    return useBaseMap ? CChildHtmlDialog::GetDHtmlEventMap() : map;
  }
  void OnDocumentComplete() override { bridge.SetDocument(GetPage()); }

  // Runs the screen modally, clicks element inside the loop, and ends the loop with 99 if the click did not.
  int RunWithClick(const std::wstring& element) {
    clickElement = element;
    PostMessage(kClickMsg);
    PostMessage(kEndMsg);
    return RunModalLoop();
  }

  bool useBaseMap = false;
  CWebPage bridge;
  std::vector<std::wstring> selected;
  std::wstring clickElement;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kClickMsg) {
      static_cast<web::FakePage&>(*GetPage()).Click(clickElement);
      return 0;
    }
    if (msg == kEndMsg) {
      if (ContinueModal()) EndModalLoop(99);
      return 0;
    }
    return CChildHtmlDialog::WindowProc(msg, wParam, lParam);
  }
};

class ChildHtmlDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = std::make_shared<web::FakePage>();
    web::SetPageFactory([this](HWND host, const std::string& name, std::function<void()> complete) {
      requested = {host, name};
      documentComplete = std::move(complete);
      return page;
    });
    parent = win::CreateWindowEx(0, L"#32770", L"", 0, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    answers.answers.OnDialog(L"", [](HWND) { return std::nullopt; });  // modal loops run for real
    ASSERT_TRUE(screen.Create(parent, RECT{6, 128, 394, 280}));
    page->SetLoaded(true);
    page->Define(L"returnselectedid", [this](const std::vector<std::wstring>&) { return web::ScriptValue::String(hidden); });
    documentComplete();
  }
  void TearDown() override {
    web::SetPageFactory(nullptr);
    screen.DestroyWindow();
    win::DestroyWindow(parent);
  }

  std::shared_ptr<web::FakePage> page;
  std::pair<HWND, std::string> requested;
  std::function<void()> documentComplete;
  HWND parent = nullptr;
  Keys keys;
  win::ScopedAnswers answers;
  TestScreen screen;
  std::wstring hidden = L"-1";
};

TEST_F(ChildHtmlDialogTest, ScreenLoadsItsResourcePageOverItsOwnWindow) {
  EXPECT_EQ(requested.first, screen.GetSafeHwnd());
  EXPECT_EQ(requested.second, "test-screen.htm");
  EXPECT_EQ(win::GetParent(screen), parent);
  EXPECT_FALSE(win::IsWindowVisible(screen)) << "screens never show themselves";
}

TEST_F(ChildHtmlDialogTest, ClicksReachTheEventMapAndHandlersReadThePage) {
  // The page stores the row in a hidden field and clicks a hidden element; the handler reads the field back.
  page->Define(L"pick", [this](const std::vector<std::wstring>& a) {
    hidden = a[0];
    page->Click(L"clickid");
    return web::ScriptValue{};
  });
  ASSERT_TRUE(screen.bridge.CallJScriptOneArg(L"pick", L"42"));
  page->Click(L"CLICKID");  // ids compare without case
  page->Click(L"unbound");
  EXPECT_EQ(screen.selected, (std::vector<std::wstring>{L"42", L"42"}));
}

TEST_F(ChildHtmlDialogTest, OkAndCancelWaitForTheKeyToBeReleased) {
  struct Case {
    bool baseMap;
    const wchar_t* element;
    std::set<int> held;
    int result;  // 99: the click closed nothing
  };
  const Case cases[] = {
      {false, L"ButtonCancel", {}, IDCANCEL},
      {false, L"ButtonCancel", {kEsc}, 99},
      {true, L"ButtonOK", {}, IDOK},
      {true, L"ButtonOK", {kEsc}, 99},  // the base map's own guard
      {true, L"ButtonOK", {kReturn}, 99},
      {true, L"ButtonCancel", {kEsc}, 99},
      {true, L"Elsewhere", {}, 99},
  };
  for (const auto& c : cases) {
    screen.useBaseMap = c.baseMap;
    keys.down = c.held;
    EXPECT_EQ(screen.RunWithClick(c.element), c.result) << c.element << " held keys " << c.held.size();
  }
  keys.down.clear();
  EXPECT_EQ(screen.OnHtmlDragStart(L"pic"), S_FALSE);
}

TEST_F(ChildHtmlDialogTest, BrowserShortcutsHaveNoEffect) {
  struct Case {
    UINT message;
    WPARAM key;
    std::set<int> held;
    BOOL swallowed;
    WPARAM keyAfter;
  };
  const Case cases[] = {
      {WM_KEYDOWN, kF5, {kF5}, TRUE, kF5},
      {WM_KEYDOWN, 'F', {kCtrl, 'F'}, TRUE, 'F'},
      {WM_KEYDOWN, 'P', {kCtrl, 'P'}, TRUE, 'P'},
      {WM_KEYDOWN, 'N', {kCtrl, 'N'}, TRUE, 'N'},
      {WM_KEYDOWN, 'O', {kCtrl, 'O'}, TRUE, 'O'},
      {WM_KEYDOWN, 'A', {kCtrl, 'A'}, TRUE, 'A'},
      {WM_KEYDOWN, 'H', {kAlt, 'H'}, TRUE, 'H'},
      {WM_KEYDOWN, kEsc, {kEsc}, FALSE, 0},
      {WM_KEYDOWN, kSpace, {kSpace}, FALSE, 0},
      {WM_KEYDOWN, kF4, {kF4}, TRUE, 0},
      {WM_SYSKEYDOWN, kF4, {kAlt, kF4}, FALSE, 0},
      {WM_KEYDOWN, 'X', {'X'}, FALSE, 'X'},
      {WM_KEYDOWN, 'C', {kCtrl, 'C'}, FALSE, 'C'},  // copying from a page stays possible
  };
  for (const auto& c : cases) {
    keys.down = c.held;
    MSG msg{};
    msg.hwnd = screen;
    msg.message = c.message;
    msg.wParam = c.key;
    EXPECT_EQ(screen.PreTranslateMessage(&msg), c.swallowed) << "key " << c.key;
    EXPECT_EQ(msg.wParam, c.keyAfter) << "key " << c.key;
  }
}

TEST_F(ChildHtmlDialogTest, AnswersAsADesktopDialog) {
  HBRUSH brush = reinterpret_cast<HBRUSH>(screen.SendMessage(WM_CTLCOLORSTATIC, 0, 0));
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush, reinterpret_cast<HBRUSH>(screen.SendMessage(WM_CTLCOLORDLG, 0, 0))) << "one brush, made once";
  EXPECT_EQ(screen.SendMessage(WM_DROPFILES, 0, 0), 0);
}

}  // namespace
