// The summary after the optimisation's restart on the real browser, under a private X server: the optimisation
// window opens on it with the counters of a processed compaction, its three button parts each reach the page
// once, the notice shows only while problems are left, and both forms are rendered into the renderings folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/gdi/ResourceDir.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/system/Module.h"
#include "platform/web/PageFactory.h"
#include "platform/web/ResourcePages.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/HiveOptimizer.h"
#include "tools/OptimizationSummary.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

constexpr const char* kProbes = R"(<script>
function mxProbeClick(id) { const e = document.getElementById(id); if (!e) return 'missing'; e.click(); return 'ok'; }
function mxProbeText(id) { const e = document.getElementById(id); return e ? e.textContent : '(missing)'; }
function mxProbeShown(id) { const e = document.getElementById(id); return e && e.offsetParent !== null ? 'yes' : 'no'; }
</script>)";

class OptimizationSummaryPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]
"BootExecute"=hex(7):00,00
)");
    // An analysis of two hives, one of which shrank, and a parameter file the boot program processed.
    g_pRegCompact = new CRegCompact;
    g_pRegCompact->m_nHives = 2;
    g_pRegCompact->m_pHives = std::make_unique<SHiveCompactInfo[]>(2);
    g_pRegCompact->m_pHives[0].nSaved = 1;
    g_pRegCompact->m_pHives[0].dwLiveSize = 3245678;
    g_pRegCompact->m_pHives[0].dwCopySize = 3001234;
    g_pRegCompact->m_pHives[1].nSaved = 1;
    g_pRegCompact->m_pHives[1].dwLiveSize = 81234;
    g_pRegCompact->m_pHives[1].dwCopySize = 81234;
    ASSERT_TRUE(CRegCompact::SaveSummary());
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    answers.answers.Expect(L"restarts", IDNO);
    {
      HiveOptimizer optimizer;
      ASSERT_EQ(optimizer.Install(), 1);
    }
    const auto file = prefix.hostPath(HiveOptimizer::ParameterFilePath());
    std::string bytes;
    ASSERT_TRUE(mx::ReadWholeFile(file, bytes));
    bytes[8] = 8;
    ASSERT_TRUE(mx::WriteFileAtomic(file, bytes));

    web::UseWebKitPages();
    std::string html;
    mx::ReadWholeFile(gdi::ResourceDir() / "html" / "430.htm", html);
    web::RegisterResourcePage("430.htm", html + kProbes);
    app.m_bStartedAfterOptimization = TRUE;
    ASSERT_TRUE(home.Create(IDD_REG_DEFRAG_HOME, nullptr));
    home.ShowWindow(SW_SHOW);
    ASSERT_TRUE(mxtest::RunUntil([&] {
      return Page() && Page()->IsLoaded() && home.m_pageSummary.m_htmlSummary.m_page.GetDocument() &&
             Probe(L"mxProbeText", {L"idKeysOptimized"}) != L"";
    })) << "the page did not load";
  }
  void TearDown() override {
    if (home.GetSafeHwnd()) home.DestroyWindow();
    web::UnregisterResourcePage("430.htm");
    web::SetPageFactory(nullptr);
  }
  const std::shared_ptr<web::IPageScript>& Page() { return home.m_pageSummary.m_htmlSummary.GetPage(); }
  std::wstring Probe(const wchar_t* function, std::vector<std::wstring> args) {
    web::ScriptValue v;
    EXPECT_EQ(Page()->Call(function, args, &v), S_OK);
    return v.text;
  }
  void Render(const char* name) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Presenting is too slow there to wait for; the optimised tree makes the pictures.
    return;
#endif
    GtkWidget* window = gtkhost::Display::Get().WindowWidget(home.m_hWnd);
    ASSERT_TRUE(window && mxtest::RunUntil([&] { return gtk_widget_get_mapped(window); }));
    RECT r{};
    home.GetWindowRect(&r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    gint x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(window), &x, &y);
    std::vector<unsigned> pixels;
    EXPECT_TRUE(mxtest::RunUntil([&] {
      pixels = mxtest::ScreenPixels(x, y, w, h);
      // The page's texts are painted inside the frame.
      int dark = 0;
      for (int row = 80; row < h - 80; ++row)
        for (int col = 20; col < w - 20; ++col) {
          const unsigned p = pixels[static_cast<size_t>(row) * w + col];
          dark += (p >> 16 & 0xFF) < 0x60 && (p >> 8 & 0xFF) < 0x60 && (p & 0xFF) < 0x70;
        }
      return dark > 400;
    }, 8000)) << "the summary stayed blank";
    EXPECT_TRUE(mxtest::SavePixelsPng(pixels, w, h,
                                     std::filesystem::path(MX_BINARY_DIR) / "ui-renderings" / (std::string(name) + ".png")));
  }

  toolstest::ToolsPrefix prefix;
  win::ScopedAnswers answers;
  CZUNApp app;
  CDlgRegDefragHome home{nullptr};
};

}  // namespace

TEST_F(OptimizationSummaryPageTest, ShowsTheCountersAndEachButtonPartClosesTheWindowOnce) {
  EXPECT_EQ(home.m_pageSummary.m_htmlSummary.m_page.GetLastError(), L"");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idKeysOptimized"}), std::to_wstring(home.m_pageSummary.m_nHivesOptimized));
  EXPECT_EQ(Probe(L"mxProbeText", {L"idBeforeOptimized"}), L"3 MB");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idSpaceSaved"}), L"238 KB");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idBtnTextFont"}), L"Finish");
  EXPECT_EQ(Probe(L"mxProbeShown", {L"idNotice"}), L"no") << "no problems left: no notice";
  Render("optimization-summary");

  std::vector<std::wstring> reached;
  Page()->SetClickHandler([&](const std::wstring& id) { reached.push_back(id); });
  for (const wchar_t* id : {L"idBtnText", L"idBtnText1", L"idBtnTextFont"}) {
    reached.clear();
    ASSERT_EQ(Probe(L"mxProbeClick", {id}), L"ok") << mx::WideToUtf8(id);
    ASSERT_TRUE(mxtest::RunUntil([&] { return !reached.empty(); }, 5000)) << mx::WideToUtf8(id);
    mxtest::RunUntil([] { return false; }, 100);
    EXPECT_EQ(reached, std::vector<std::wstring>{id});
  }
}

TEST_F(OptimizationSummaryPageTest, ProblemsLeftShowTheNoticeAndTheFixButton) {
  OptimizationSummaryCounters counters;
  counters.nHivesOptimized = home.m_pageSummary.m_nHivesOptimized;
  counters.dwSizeBefore = home.m_pageSummary.m_dwSizeBefore;
  counters.dwSpaceSaved = home.m_pageSummary.m_dwSpaceSaved;
  ASSERT_TRUE(home.m_pageSummary.m_htmlSummary.m_page.CallJScript(L"SetText", BuildSummaryPageTexts(12, counters)));
  EXPECT_EQ(Probe(L"mxProbeShown", {L"idNotice"}), L"yes");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idInvalidEntries"}), L"12 errors");
  EXPECT_EQ(Probe(L"mxProbeText", {L"idBtnTextFont"}), L"Fix Errors");
  Render("optimization-summary-problems-left");
}
