// The install-DLLs screen and the named-DLL fix on the real browser under a private X server, against the
// service double: a name typed into the page is searched, its versions shown and installed into the prefix.
// Renderings of both go to the renderings folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "mainwnd/DlgCustomInstall.h"
#include "mainwnd/DlgDllFileNag.h"
#include "mainwnd/DlgInstallDlls.h"
#include "platform/base/FileIO.h"
#include "platform/base/Md5.h"
#include "platform/base/Text.h"
#include "platform/gdi/ResourceDir.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/shell/FolderPicker.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/web/PageFactory.h"
#include "platform/web/ResourcePages.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "../dllfix/DllTestPrefix.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

constexpr int kWidth = 758, kHeight = 436;

// Test-only probes added to the pages; the program never calls them.
constexpr const char* kProbes = R"(<script>
function mxProbeClick(id) { const e = document.getElementById(id); if (!e) return 'missing'; e.click(); return 'ok'; }
function mxProbeType(text) { document.getElementById('dllfilename').value = text; return 'ok'; }
function mxProbeCount(selector) { return document.querySelectorAll(selector).length; }
function mxProbeText(id) { const e = document.getElementById(id); return e ? e.textContent : '(missing)'; }
function mxProbeEnter() { document.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter'})); return 'ok'; }
</script>)";

std::string PageWithProbes(const char* name) {
  std::string html;
  mx::ReadWholeFile(gdi::ResourceDir() / "html" / name, html);
  return html + kProbes;
}

std::string DetailReply() {
  return "<r><group grouporder='1'><groupdescription>Runtime library of the sample programs</groupdescription>"
         "<b32><item><filename>qzxrt.dll</filename><bits>32</bits><osname>Windows 7</osname><order>1</order>"
         "<fileversion>2.4.1.0</fileversion><langname>English</langname><filedescription>Qzx runtime</filedescription>"
         "<hash>" + mx::Md5Hex("MZ-32") + "</hash><url>{base}/f/x32.dll</url></item>"
         "<item><filename>qzxrt.dll</filename><bits>32</bits><osname>XP</osname><order>2</order>"
         "<fileversion>1.9.0.0</fileversion><filedescription>Qzx runtime (old)</filedescription>"
         "<hash>" + mx::Md5Hex("MZ-old") + "</hash><url>{base}/f/old.dll</url></item></b32>"
         "<b64><item><filename>qzxrt.dll</filename><bits>64</bits><osname>Windows 7</osname><order>1</order>"
         "<fileversion>2.4.1.0</fileversion><langname>English</langname><filedescription>Qzx runtime</filedescription>"
         "<hash>" + mx::Md5Hex("MZ-64") + "</hash><url>{base}/f/x64.dll</url></item></b64></group></r>";
}

class InstallDllsDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "presenting under the sanitizers is too slow to wait for";
#endif
    web::UseWebKitPages();
    for (const char* name : {"445.htm", "1042.htm", "1056.htm"}) web::RegisterResourcePage(name, PageWithProbes(name));
    dlltest::PrepareDllPrefix(prefix);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ResetStartedServices();
    const std::string search = BytesToHex(InvertBytes(
        "<list><r><FILENAME>qzxrt.dll</FILENAME><FILEDESC>Qzx runtime library</FILEDESC><FILEURL>u</FILEURL></r>"
        "<r><FILENAME>qzxrt64.dll</FILENAME><FILEDESC>Qzx runtime, 64-bit helper</FILEDESC><FILEURL>u</FILEURL></r></list>"));
    service = std::make_unique<mxtest::ServiceDouble>(R"({"routes": [{"path": "/", "body": "up"},
      {"path": "/fapi/searchfile.php", "body": ")" + search + R"("},
      {"path": "/searchfiles/withkey/search.php", "body": ")" + DetailReply() + R"("},
      {"path": "/f/x32.dll", "body": "MZ-32"}, {"path": "/f/x64.dll", "body": "MZ-64"}]})");
    setenv("MENDRIX_SERVICE_URL", service->url().c_str(), 1);
    WNDCLASSW wc{};
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = L"QzxDllFrame";
    win::RegisterClass(&wc);
  }
  void TearDown() override {
    for (const char* name : {"445.htm", "1042.htm", "1056.htm"}) web::UnregisterResourcePage(name);
    web::SetPageFactory(nullptr);
    unsetenv("MENDRIX_SERVICE_URL");
    ResetLanguageReader();
  }
  static std::wstring Probe(CChildHtmlDialog& screen, const wchar_t* function, std::vector<std::wstring> args = {}) {
    web::ScriptValue v;
    EXPECT_EQ(screen.GetPage()->Call(function, args, &v), S_OK) << mx::WideToUtf8(function);
    return v.type == web::ScriptValue::Type::Number ? std::to_wstring(static_cast<long>(v.number)) : v.text;
  }
  // What the display shows of the window once the browser has painted and settled, as a PNG.
  static bool Render(HWND window, const char* name) {
    GtkWidget* widget = gtkhost::Display::Get().WindowWidget(window);
    if (!widget || !mxtest::RunUntil([&] { return gtk_widget_get_mapped(widget); })) return false;
    gint x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
    const int w = gtk_widget_get_allocated_width(widget), h = gtk_widget_get_allocated_height(widget);
    // The browser paints in its own time: the picture counts once it held still for a quarter second.
    std::vector<unsigned> last, shown;
    bool settled = false;
    for (int i = 0; i < 40 && !settled; ++i) {
      mxtest::RunUntil([] { return false; }, 250);
      last = std::move(shown);
      shown = mxtest::ScreenPixels(x, y, w, h);
      const auto coloured = std::count_if(shown.begin(), shown.end(), [](unsigned p) { return p != 0xFFFFFF; });
      settled = coloured > 1000 && shown == last;
    }
    return settled && mxtest::SavePixelsPng(
        shown, w, h, std::filesystem::path(MX_BINARY_DIR) / "ui-renderings" / (std::string(name) + ".png"));
  }
  std::string Content(const std::wstring& path) const {
    std::string s;
    mx::ReadWholeFile(prefix.hostPath(path), s);
    return s;
  }

  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
  CZUNApp app;
  std::unique_ptr<mxtest::ServiceDouble> service;
};

}  // namespace

TEST_F(InstallDllsDisplayTest, SearchesATypedNameShowsItsVersionsAndInstallsThem) {
  HWND frame = win::CreateWindowEx(0, L"QzxDllFrame", L"Install DLL files", 0, 20, 20, kWidth, kHeight, nullptr,
                                   nullptr, nullptr, nullptr);
  CDlgInstallDlls screen;
  ASSERT_TRUE(screen.Create(frame, RECT{0, 0, kWidth, kHeight}));
  win::ShowWindow(frame, SW_SHOW);
  win::ShowWindow(screen, SW_SHOW);
  ASSERT_TRUE(mxtest::RunUntil([&] { return screen.GetPage()->IsLoaded() && screen.m_page.GetDocument(); }));

  EXPECT_EQ(screen.m_page.GetLastError(), L"");
  EXPECT_EQ(Probe(screen, L"mxProbeType", {L"  qzxrt.dll "}), L"ok");
  EXPECT_EQ(Probe(screen, L"mxProbeEnter"), L"ok");  // Enter searches as the button does
  ASSERT_TRUE(mxtest::RunUntil([&] { return Probe(screen, L"mxProbeCount", {L"#AllSearchItems .row"}) == L"2"; }));
  EXPECT_TRUE(Render(frame, "install-dlls-search"));

  ASSERT_EQ(Probe(screen, L"mxProbeClick", {L"0"}), L"ok");
  ASSERT_TRUE(mxtest::RunUntil([&] { return Probe(screen, L"mxProbeCount", {L"#idTableVersionsDisplay tr"}) == L"2"; }));
  ASSERT_EQ(Probe(screen, L"mxProbeClick", {L"idExactShowAlternative"}), L"ok");
  EXPECT_TRUE(Render(frame, "install-dlls-versions"));

  ASSERT_EQ(Probe(screen, L"mxProbeClick", {L"idInstallRecomm"}), L"ok");
  ASSERT_TRUE(mxtest::RunUntil([&] { return !Content(L"C:\\windows\\syswow64\\qzxrt.dll").empty(); }));
  EXPECT_EQ(Content(L"C:\\windows\\system32\\qzxrt.dll"), "MZ-64");
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\qzxrt.dll"), "MZ-32");
  screen.DestroyWindow();
  win::DestroyWindow(frame);
}

TEST_F(InstallDllsDisplayTest, NamedDllFixShowsTheRecordedDllsVersions) {
  prefix.import32(LR"([HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="qzxrt.dll"
)");
  CDlgDllFileNag window(nullptr);
  ASSERT_TRUE(window.Create(IDD_DLL_FILE_NAG, nullptr));
  window.ShowWindow(SW_SHOW);
  ASSERT_TRUE(mxtest::RunUntil([&] { return window.m_htmlPage.GetPage()->IsLoaded() && window.m_htmlPage.m_page.GetDocument(); }));
  window.SendMessage(WM_TIMER, kNamedDllSearchTimer, 0);
  ASSERT_TRUE(mxtest::RunUntil(
      [&] { return Probe(window.m_htmlPage, L"mxProbeCount", {L"#idTableVersionsDisplay tr"}) == L"2"; }));
  EXPECT_TRUE(Render(window.GetSafeHwnd(), "named-dll-fix"));
  // The other versions, each with its copy and install links, and back to the recommended ones.
  ASSERT_EQ(Probe(window.m_htmlPage, L"mxProbeClick", {L"idShowAltText"}), L"ok");
  std::wstring blocks;
  ASSERT_TRUE(mxtest::RunUntil(
      [&] { return (blocks = Probe(window.m_htmlPage, L"mxProbeCount", {L"#idAlternateEX .alt"})) != L"0"; }));
  EXPECT_EQ(Probe(window.m_htmlPage, L"mxProbeCount", {L"#idAlternateEX .alt .link"}),
            std::to_wstring(2 * std::stoi(blocks)));
  EXPECT_TRUE(Render(window.GetSafeHwnd(), "named-dll-fix-alternatives"));
  ASSERT_EQ(Probe(window.m_htmlPage, L"mxProbeClick", {L"BackLink"}), L"ok");
  ASSERT_EQ(Probe(window.m_htmlPage, L"mxProbeClick", {L"idbtnInstall"}), L"ok");
  ASSERT_TRUE(mxtest::RunUntil([&] { return window.m_btnStartScan.IsWindowVisible() != FALSE; }));
  EXPECT_EQ(Content(L"C:\\windows\\system32\\qzxrt.dll"), "MZ-64");
  EXPECT_TRUE(Render(window.GetSafeHwnd(), "named-dll-fix-done"));
  window.DestroyWindow();
}

TEST_F(InstallDllsDisplayTest, CustomInstallShowsTheProposedFolderAndTheOnePicked) {
  win::SetFolderPicker([](const win::FolderPickerRequest&) { return std::optional<std::wstring>(L"C:\\Program Files\\Qzx"); });
  CDlgCustomInstall window(nullptr);
  window.m_html.m_strDllName = L"qzxrt.dll";
  window.m_html.m_strInitialFolder = L"C:\\windows\\syswow64";
  ASSERT_TRUE(window.Create(IDD_CUSTOM_INSTALL, nullptr));
  window.ShowWindow(SW_SHOW);
  ASSERT_TRUE(mxtest::RunUntil([&] {
    return window.m_html.GetPage()->IsLoaded() && window.m_html.m_page.GetDocument() &&
           Probe(window.m_html, L"getInputText") == L"C:\\windows\\syswow64";
  }));
  EXPECT_EQ(Probe(window.m_html, L"mxProbeText", {L"paidver"}), L"Advanced installation of qzxrt.dll");
  EXPECT_TRUE(Render(window.GetSafeHwnd(), "custom-install"));
  ASSERT_EQ(Probe(window.m_html, L"mxProbeClick", {L"btnBrowse"}), L"ok");
  ASSERT_TRUE(mxtest::RunUntil([&] { return window.m_html.m_strChosenFolder == L"C:\\Program Files\\Qzx"; }));
  EXPECT_EQ(Probe(window.m_html, L"getInputText"), L"C:\\Program Files\\Qzx");
  win::SetFolderPicker(nullptr);
  window.DestroyWindow();
}
