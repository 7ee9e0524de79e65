// The optimisation screen's page on the real browser, under a private X server: the functions the program
// calls are there, each bound id exists outside every other bound id and its click reaches the screen once,
// and the screen is rendered into the renderings folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/gdi/ResourceDir.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/system/Module.h"
#include "platform/web/PageFactory.h"
#include "platform/web/ResourcePages.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/Window.h"
#include "tools/Dlg_Reg_Opt_HTML.h"
#include "tools/ToolsTestPrefix.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

constexpr int kWidth = 758, kHeight = 436;  // the main window's screen area

constexpr const char* kProbes = R"(<script>
function mxProbeClick(id) { const e = document.getElementById(id); if (!e) return 'missing'; e.click(); return 'ok'; }
function mxProbeText(id) { const e = document.getElementById(id); return e ? e.textContent : '(missing)'; }
function mxProbeBoundAncestor(id, bound) {
  const ids = bound.split('|');
  for (let n = document.getElementById(id).parentElement; n; n = n.parentElement) if (n.id && ids.includes(n.id)) return n.id;
  return '';
}
</script>)";

class OptimizationScreenPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    web::UseWebKitPages();
    std::string html;
    mx::ReadWholeFile(gdi::ResourceDir() / "html" / "425.htm", html);
    web::RegisterResourcePage("425.htm", html + kProbes);
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    WNDCLASSW wc{};
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = L"QzxOptFrame";
    win::RegisterClass(&wc);
    frame = win::CreateWindowEx(0, L"QzxOptFrame", L"Screens", 0, 20, 20, kWidth, kHeight, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(screen.Create(frame, RECT{0, 0, kWidth, kHeight}));
    win::ShowWindow(frame, SW_SHOW);
    win::ShowWindow(screen, SW_SHOW);
    ASSERT_TRUE(mxtest::RunUntil([&] { return screen.GetPage()->IsLoaded() && screen.m_page.GetDocument(); }))
        << "the page did not load";
  }
  void TearDown() override {
    if (screen.GetSafeHwnd()) screen.DestroyWindow();
    if (frame) win::DestroyWindow(frame);
    web::UnregisterResourcePage("425.htm");
    web::SetPageFactory(nullptr);
  }
  std::wstring Probe(const wchar_t* function, std::vector<std::wstring> args) {
    web::ScriptValue v;
    EXPECT_EQ(screen.GetPage()->Call(function, args, &v), S_OK);
    return v.text;
  }

  toolstest::ToolsPrefix prefix;
  HWND frame = nullptr;
  CDlg_Reg_Opt_HTML screen;
};

}  // namespace

TEST_F(OptimizationScreenPageTest, TextsLandWhereMeantAndEachBoundIdIsClickedOnce) {
  EXPECT_EQ(screen.m_page.GetLastError(), L"");
  EXPECT_EQ(Probe(L"mxProbeText", {L"string150"}), L"Registry optimization");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idDefragDate"}), L"The registry has not been optimized yet.");
  StrLatestRegDefrag = L"<b>Thu.</b> December 10, 2026. 05:08 PM";
  screen.UpdateLastOptimizedText();
  EXPECT_EQ(Probe(L"mxProbeText", {L"idDefragDate"}), StrLatestRegDefrag) << "a stored text is shown as text";
  StrLatestRegDefrag.clear();
  screen.UpdateLastOptimizedText();

  std::wstring bound;
  for (const auto& entry : screen.GetDHtmlEventMap()) bound += (bound.empty() ? L"" : L"|") + entry.elementId;
  std::vector<std::wstring> reached;
  screen.GetPage()->SetClickHandler([&](const std::wstring& id) { reached.push_back(id); });
  for (const auto& entry : screen.GetDHtmlEventMap()) {
    reached.clear();
    ASSERT_EQ(Probe(L"mxProbeClick", {entry.elementId}), L"ok") << mx::WideToUtf8(entry.elementId);
    EXPECT_EQ(Probe(L"mxProbeBoundAncestor", {entry.elementId, bound}), L"") << mx::WideToUtf8(entry.elementId);
    ASSERT_TRUE(mxtest::RunUntil([&] { return !reached.empty(); }, 5000)) << mx::WideToUtf8(entry.elementId);
    EXPECT_EQ(reached, std::vector<std::wstring>{entry.elementId});
  }
  screen.GetPage()->SetClickHandler([this](const std::wstring& id) { screen.OnElementClick(id); });
}

TEST_F(OptimizationScreenPageTest, RendersTheScreen) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Presenting is too slow there to wait for; the optimised tree makes the pictures.
  GTEST_SKIP() << "renderings come from the optimised build";
#endif
  ASSERT_EQ(Probe(L"mxProbeText", {L"string150"}), L"Registry optimization");
  ASSERT_EQ(Probe(L"mxProbeText", {L"idDefragDate"}), L"The registry has not been optimized yet.");
  GtkWidget* window = gtkhost::Display::Get().WindowWidget(frame);
  ASSERT_TRUE(window && mxtest::RunUntil([&] { return gtk_widget_get_mapped(window); }));
  gint x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(window), &x, &y);
  std::vector<unsigned> pixels;
  EXPECT_TRUE(mxtest::RunUntil([&] {
    pixels = mxtest::ScreenPixels(x, y, kWidth, kHeight);
    // The texts are painted (dark pixels; the button's green is not dark).
    return std::count_if(pixels.begin(), pixels.end(), [](unsigned p) {
             return (p >> 16 & 0xFF) < 0x60 && (p >> 8 & 0xFF) < 0x60 && (p & 0xFF) < 0x70;
           }) > 400;
  }, 8000)) << "the screen stayed blank";
  EXPECT_TRUE(mxtest::SavePixelsPng(pixels, kWidth, kHeight,
                                   std::filesystem::path(MX_BINARY_DIR) / "ui-renderings" / "optimization-screen.png"));
}
