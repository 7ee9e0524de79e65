// The page-script bridge on the real engine, under a private X server.
#include <gtest/gtest.h>

#include <thread>

#include "platform/gtk/QueueSource.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/web/ResourcePages.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "ui/WebPage.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

constexpr const char* kBridgePage = R"HTML(<!doctype html><html><head><meta charset="utf-8"><script>
function join(a, b) { return a + '|' + b; }
function lengthOf(s) { return s.length; }
function isEmptyString(s) { return typeof s === 'string' && s.length === 0; }
function thrower() { throw new Error('boom'); }
function returnselectedid() { return document.getElementById('idclicked').value; }
function pick(id) { document.getElementById('idclicked').value = id; document.getElementById('clickid').click(); return 'picked'; }
function clickById(id) { document.getElementById(id).click(); }
function prevented(type, id) {
  const e = new Event(type, {bubbles: true, cancelable: true});
  document.getElementById(id).dispatchEvent(e);
  return e.defaultPrevented;
}
function selectPrevented(id) {
  const e = new Event('selectstart', {bubbles: true, cancelable: true});
  document.getElementById(id).firstChild.dispatchEvent(e);
  return e.defaultPrevented;
}
function place() { return location.href; }
</script></head><body>
<form><input type="hidden" id="idclicked" value="-1"><input type="text" id="field" value="x"></form>
<div id="rows"><span id="clickid">hidden</span><a id="row42" href="#">row 42</a></div>
<p id="para">some text</p><img id="pic" src="" alt="">
<a id="weblink" href="https://example.invalid/help">help</a>
<a id="filelink" href="file:///etc/passwd">file</a>
</body></html>)HTML";

struct Probe {
  static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) ++handled;
    return win::DefWindowProc(h, m, w, l);
  }
  static inline int handled = 0;
};

class WebKitPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    web::RegisterResourcePage("bridge-test.htm", kBridgePage);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 400, 300);
    page_ = std::make_shared<web::WebKitPage>(nullptr);
    gtk_container_add(GTK_CONTAINER(window_), page_->Widget());
    gtk_widget_show_all(window_);
  }
  void TearDown() override {
    web::SetExternalOpener(nullptr);
    if (window_) gtk_widget_destroy(window_);
    page_.reset();
  }
  void Load() {
    int completes = 0;
    page_->SetDocumentCompleteHandler([&] { ++completes; });
    page_->Navigate("bridge-test.htm");
    ASSERT_TRUE(mxtest::RunUntil([&] { return completes > 0; })) << "the test page did not load";
    page_->SetDocumentCompleteHandler(nullptr);
  }

  GtkWidget* window_ = nullptr;
  std::shared_ptr<web::WebKitPage> page_;
};

TEST_F(WebKitPageTest, CallsFollowTheBridgeContract) {
  CWebPage bridge;
  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"place"));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nCannot GetScript");

  bridge.SetDocument(page_);
  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"place")) << "the page is still loading";
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nCannot GetScript");

  Load();
  web::ScriptValue v;
  ASSERT_TRUE(bridge.CallJScriptTwoArgs(L"join", L"first", L"second", &v));
  EXPECT_EQ(v, web::ScriptValue::String(L"first|second"));

  ASSERT_TRUE(bridge.CallJScriptOneArg(L"isEmptyString", L"", &v));
  EXPECT_EQ(v, web::ScriptValue::Bool(true));

  // Arguments are values: quotes and script text arrive as written, and a character outside the basic plane
  // (two UTF-16 units) stays two units long in the page.
  const std::wstring hostile = L"');document.body.innerHTML='';('";
  ASSERT_TRUE(bridge.CallJScriptTwoArgs(L"join", hostile, L"\xD83D\xDE00", &v));
  EXPECT_EQ(v.text, hostile + L"|\xD83D\xDE00");
  ASSERT_TRUE(bridge.CallJScriptOneArg(L"lengthOf", L"a\xD83D\xDE00", &v));
  EXPECT_EQ(v, web::ScriptValue::Number(3));

  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"nosuchfunction", &v));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nUnknown name.\r\n");
  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"thrower"));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nException occurred.\r\n");
  // Only the page's own thread may call it.
  std::thread([&] { EXPECT_FALSE(bridge.CallJScriptNoArgs(L"place")); }).join();
  EXPECT_EQ(bridge.GetLastError(),
            L"JSCall Error:\nThe application called an interface that was marshalled for a different thread.\r\n");
  // A name is looked up, never run as script.
  EXPECT_FALSE(bridge.CallJScriptNoArgs(L"join('a','b')"));
  EXPECT_EQ(bridge.GetLastError(), L"JSCall Error:\nUnknown name.\r\n");
}

TEST_F(WebKitPageTest, ClicksArriveByIdAfterTheCallAndCanReadThePage) {
  Load();
  CWebPage bridge;
  bridge.SetDocument(page_);
  std::vector<std::wstring> clicks;
  std::wstring selected;
  bool callReturned = false;
  page_->SetClickHandler([&](const std::wstring& id) {
    clicks.push_back(id + (callReturned ? L"" : L" (inside the call)"));
    if (id == L"clickid") {
      web::ScriptValue v;
      EXPECT_TRUE(bridge.CallJScriptNoArgs(L"returnselectedid", &v));
      selected = v.text;
    }
  });
  web::ScriptValue v;
  ASSERT_TRUE(bridge.CallJScriptOneArg(L"pick", L"42", &v));  // the page clicks its hidden element itself
  callReturned = true;
  EXPECT_EQ(v.text, L"picked");
  ASSERT_TRUE(mxtest::RunUntil([&] { return clicks.size() >= 2; }));
  EXPECT_EQ(clicks, (std::vector<std::wstring>{L"clickid", L"rows"})) << "nearest id first, then its ancestors";
  EXPECT_EQ(selected, L"42");
}

TEST_F(WebKitPageTest, ScreensShareTheEngineButNotTheirClicks) {
  Load();
  auto second = std::make_shared<web::WebKitPage>(nullptr);
  GtkWidget* other = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_container_add(GTK_CONTAINER(other), second->Widget());
  gtk_widget_show_all(other);
  bool loaded = false;
  second->SetDocumentCompleteHandler([&] { loaded = true; });
  second->Navigate("bridge-test.htm");
  ASSERT_TRUE(mxtest::RunUntil([&] { return loaded; }));
  std::vector<std::wstring> firstClicks, secondClicks;
  page_->SetClickHandler([&](const std::wstring& id) { firstClicks.push_back(id); });
  second->SetClickHandler([&](const std::wstring& id) { secondClicks.push_back(id); });
  ASSERT_EQ(second->Call(L"clickById", {L"para"}, nullptr), S_OK);
  ASSERT_EQ(page_->Call(L"clickById", {L"row42"}, nullptr), S_OK);
  ASSERT_TRUE(mxtest::RunUntil([&] { return !firstClicks.empty() && !secondClicks.empty(); }));
  EXPECT_EQ(secondClicks, std::vector<std::wstring>{L"para"});
  EXPECT_EQ(firstClicks, (std::vector<std::wstring>{L"row42", L"rows"}));
  gtk_widget_destroy(other);
}

TEST_F(WebKitPageTest, NoTimerCommandOrInputRunsInTheMiddleOfACall) {
  Load();
  WNDCLASSW wc{};
  wc.lpfnWndProc = Probe::Proc;
  wc.lpszClassName = L"MxBridgeProbe";
  win::RegisterClass(&wc);
  HWND probe = win::CreateWindowEx(0, L"MxBridgeProbe", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(probe, nullptr);
  Probe::handled = 0;
  win::PostMessage(probe, WM_APP, 0, 0);
  web::ScriptValue v;
  ASSERT_EQ(page_->Call(L"join", {L"a", L"b"}, &v), S_OK);
  EXPECT_EQ(Probe::handled, 0) << "the queue is held while the call waits";
  EXPECT_FALSE(gtkhost::QueueHeld());
  EXPECT_TRUE(mxtest::RunUntil([] { return Probe::handled == 1; }));
  win::DestroyWindow(probe);
}

TEST_F(WebKitPageTest, PageKeepsDesktopDialogManners) {
  Load();
  std::vector<std::string> opened;
  web::SetExternalOpener([&](const std::string& uri) { opened.push_back(uri); });
  struct Case {
    const wchar_t* function;
    std::vector<std::wstring> args;
    bool prevented;
  };
  const Case cases[] = {
      {L"prevented", {L"contextmenu", L"para"}, true},
      {L"prevented", {L"dragstart", L"pic"}, true},
      {L"prevented", {L"drop", L"para"}, true},
      {L"selectPrevented", {L"para"}, true},
      {L"prevented", {L"selectstart", L"field"}, false},
  };
  for (const auto& c : cases) {
    web::ScriptValue v;
    ASSERT_EQ(page_->Call(c.function, c.args, &v), S_OK);
    EXPECT_EQ(v, web::ScriptValue::Bool(c.prevented)) << c.args[0] << " on " << c.args.back();
  }

  // Links never leave the resources: the web link goes to the user's browser, the file link nowhere.
  ASSERT_EQ(page_->Call(L"clickById", {L"weblink"}, nullptr), S_OK);
  ASSERT_EQ(page_->Call(L"clickById", {L"filelink"}, nullptr), S_OK);
  ASSERT_TRUE(mxtest::RunUntil([&] { return !opened.empty(); }));
  web::ScriptValue where;
  ASSERT_EQ(page_->Call(L"place", {}, &where), S_OK);
  EXPECT_EQ(where.text, L"res:///bridge-test.htm");
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/help"}));
}

TEST_F(WebKitPageTest, ResourceNamesCannotLeaveTheFolder) {
  int completes = 0;
  page_->SetDocumentCompleteHandler([&] { ++completes; });
  page_->Navigate("..%2F..%2Fetc%2Fpasswd");
  ASSERT_TRUE(mxtest::RunUntil([&] { return completes > 0; }));
  web::ScriptValue v;
  // WebKit shows its error page; none of our functions exist there.
  EXPECT_EQ(page_->Call(L"join", {L"a", L"b"}, &v), web::DISP_E_UNKNOWNNAME);
}

}  // namespace
