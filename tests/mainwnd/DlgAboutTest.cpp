// The about box: its texts and version on the page, the overlay it runs in, and how it looks on the real engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/LocalizedStrings.h"
#include "app/ProgramVersion.h"
#include "app/ZUNApp.h"
#include "mainwnd/DlgAbout.h"
#include "mainwnd/UpdateCheck.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/shell/VersionInfo.h"
#include "platform/system/Module.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/web/WebKitPage.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "ui/InputApi.h"
#include "ui/ModalOverlay.h"
#include "../ui/UiTestWindows.h"
#include "support/TestPrefix.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

struct HeldKeys {
  HeldKeys() { ui::SetAsyncKeyStateSource([this](int vk) { return static_cast<SHORT>(down.count(vk) ? 0x8000 : 0); }); }
  ~HeldKeys() { ui::SetAsyncKeyStateSource(nullptr); }
  std::set<int> down;
};

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    EnsureProgramVersionResource();
    page_ = std::make_shared<web::FakePage>();
    page_->Define(L"setText", [this](const std::vector<std::wstring>& a) {
      texts_[a.at(0)] = a.at(1);
      return web::ScriptValue::Bool(true);
    });
    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      pageName_ = name;
      complete_ = std::move(complete);
      return page_;
    });
    ASSERT_TRUE(main_.Create(uitest::kEmptyPopup));
    main_.MoveWindow(100, 80, 700, 550);
    main_.ShowWindow(SW_SHOW);
    app_.m_pMainWnd = &main_;
  }
  void TearDown() override {
    app_.m_pMainWnd = nullptr;
    web::SetPageFactory(nullptr);
    ResetLanguageReader();
  }

  mxtest::TestPrefix prefix_;
  win::CWinApp app_;
  uitest::TestFrame main_;
  std::shared_ptr<web::FakePage> page_;
  std::string pageName_;
  std::function<void()> complete_;
  std::map<std::wstring, std::wstring> texts_;
  win::ScopedAnswers answers_;
  HeldKeys keys_;
};

}  // namespace

TEST_F(AboutBoxTest, ShowsItsTextsOverTheDimmedMainWindowAndClosesOnlyOnAFreshKey) {
  const int before = g_nModalCount;
  std::wstring version;
  ASSERT_TRUE(GetExeFileVersion(version));
  answers_.answers.OnDialog(L"", [&](HWND overlay) -> std::optional<int> {
    EXPECT_EQ(g_nModalCount, before + 1);
    EXPECT_FALSE(main_.IsWindowEnabled());
    EXPECT_EQ(pageName_, kAboutPage);
    page_->SetLoaded(true);
    complete_();
    EXPECT_EQ(texts_, (std::map<std::wstring, std::wstring>{
                          {L"ZUNVersion", GetLocalizedString(L"IDS_RETAIL")},
                          {L"version", version},
                          {L"rights", GetLocalizedString(L"IDS_ABOUT_RIGHTS")},
                          {L"Warning", GetLocalizedString(L"IDS_ABOUT_WARNING")},
                          {L"trademark", GetLocalizedString(L"IDS_ABOUT_TRADEMARK")}}));
    // The frame fills 600 x 350, centred; the page sits at (10, 57) inside it.
    auto* host = dynamic_cast<CDlgParentTransculent*>(win::CWnd::FromHandle(overlay));
    auto* box = host ? dynamic_cast<CDlgAboutMain*>(host->m_pHosted) : nullptr;
    EXPECT_NE(box, nullptr);
    if (!box) return IDCANCEL;
    RECT rc{};
    box->GetWindowRect(&rc);
    EXPECT_EQ(rc.right - rc.left, 600);
    EXPECT_EQ(rc.bottom - rc.top, 350);
    // Enter and Esc still held from an earlier prompt do not close it; fresh ones do.
    keys_.down = {VK_RETURN, VK_ESCAPE};
    box->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    box->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(win::CWnd::FromHandle(overlay)->ContinueModal());
    keys_.down.clear();
    page_->Click(L"ButtonCancel");
    return std::nullopt;
  });
  ShowAboutBox(&main_);
  EXPECT_EQ(g_nModalCount, before);
  EXPECT_TRUE(main_.IsWindowEnabled());
}

TEST_F(AboutBoxTest, UnreadableVersionLeavesTheVersionEmpty) {
  mx::SetModuleVersionResource({});
  CDlgAbout about;
  EXPECT_EQ(about.m_strVersion, L"");
  EXPECT_EQ(about.m_strEdition, GetLocalizedString(L"IDS_RETAIL"));
  RegisterProgramVersionResource();
}

// The box on the real engine under a private X server; the picture goes to ui-renderings/about-box.png.
TEST(AboutBoxDisplay, RendersTheAboutBox) {
  MX_REQUIRE_DISPLAY();
  mxtest::TestPrefix prefix;
  InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  EnsureProgramVersionResource();
  web::UseWebKitPages();
  CDlgAboutMain box;
  ASSERT_TRUE(box.Create(IDD_ABOUT_FRAME));
  box.ShowWindow(SW_SHOW);
  GtkWidget* window = gtkhost::Display::Get().WindowWidget(box.GetSafeHwnd());
  ASSERT_NE(window, nullptr);
  std::wstring shown;
  ASSERT_TRUE(mxtest::RunUntil([&] {
    if (!gtk_widget_get_mapped(window) || !box.m_dlgAbout.GetPage()->IsLoaded()) return false;
    web::ScriptValue v;
    box.m_dlgAbout.GetPage()->Call(L"getText", {L"warning"}, &v);
    shown = v.text;
    return !shown.empty();
  })) << "the page did not load";
  EXPECT_EQ(shown, GetLocalizedString(L"IDS_ABOUT_WARNING"));
  web::ScriptValue version;
  box.m_dlgAbout.GetPage()->Call(L"getText", {L"version"}, &version);
  std::wstring expected;
  ASSERT_TRUE(GetExeFileVersion(expected));
  EXPECT_EQ(version.text, expected);

  mxtest::RunUntil([] { return false; }, 700);  // the browser's first paint
  gint x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(window), &x, &y);
  GdkPixbuf* picture = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, 600, 350);
  ASSERT_NE(picture, nullptr);
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(gdk_pixbuf_save(picture, (out / "about-box.png").c_str(), "png", nullptr, nullptr));
  g_object_unref(picture);
  box.DestroyWindow();
  web::SetPageFactory(nullptr);
}
