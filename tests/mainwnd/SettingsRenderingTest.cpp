// The settings window's four pages as they appear on a real (private) display, in English and German; each is
// saved as a PNG in <build>/ui-renderings for the eye.
#include <filesystem>

#include "mainwnd/DlgAddEntry.h"
#include "mainwnd/DlgSettings.h"
#include "platform/gdi/Surface.h"
#include "platform/gdi/WindowDC.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/XvfbSession.h"
#include "ui/MainBorder.h"
#include "ui/STMemDC.h"
#include "SettingsTestSupport.h"

#include <gtk/gtk.h>

using namespace settingstest;

namespace {

// The skinned frame the main window draws around its screens.
class Frame : public CMainBorder {
 public:
  Frame() : CMainBorder(kEmptyPopup, nullptr) {}

 protected:
  void OnPaint() override {
    CPaintDC paint(m_hWnd);
    RECT client{};
    GetClientRect(&client);
    CSTMemDC buffer(&paint, &client);
    DrawFrame(&buffer, &client);
  }
};

}  // namespace

class SettingsRendering : public SettingsTest {};

TEST_F(SettingsRendering, FourPagesInEnglishAndGerman) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // Presenting is too slow there to wait for; the optimised tree makes the pictures.
  GTEST_SKIP() << "renderings come from the optimised build";
#endif
  MX_REQUIRE_DISPLAY();
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  app->m_arrExcludeList = {L"HKEY_CURRENT_USER\\SOFTWARE\\QZX\\TOOLS", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX"};
  prefix.import(LR"([HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\Settings]
"SelectedCategories"=dword:00003bfe
)");
  const struct {
    int row;
    const char* name;
  } kLanguages[] = {{0, "en"}, {5, "de"}};
  const struct {
    int button;
    const char* name;
  } kPages[] = {{IDC_BTN_SCAN_AREA, "scan-area"},
                {IDC_BTN_EXCLUSION_LIST, "exclusion-list"},
                {IDC_BTN_SCHEDULE, "schedule"},
                {IDC_BTN_GENERAL, "general"}};
  for (const auto& language : kLanguages) {
    UseLanguage(language.row);
    g_nSettingsWidth = kScreenWidth;
    g_nSettingsHeight = kScreenHeight;
    Frame frame;
    ASSERT_TRUE(frame.Create(kEmptyPopup));
    frame.MoveWindow(40, 30, 770, 593);
    CDlgSettings settings;
    ASSERT_TRUE(settings.Create(IDD_SETTINGS, &frame));
    settings.MoveWindow(6, 128, kScreenWidth, kScreenHeight);
    frame.ShowWindow(SW_SHOW);
    mxtest::RunUntil([] { return false; }, 300);  // the posted page switch and the font timer
    for (const auto& page : kPages) {
      Click(settings.GetDlgItem(page.button));
      const auto path = out / (std::string("settings-") + page.name + "-" + language.name + ".png");
      ASSERT_TRUE(mxtest::SaveShownPng(frame.m_hWnd, path)) << path;
      EXPECT_GT(std::filesystem::file_size(path), 5000u);
    }
    // the exclusion page's dialog, over the window as Add Entry shows it
    CDlgAddEntry dialog(&settings.m_pageExcludeList);
    ASSERT_TRUE(dialog.Create(IDD_ADD_ENTRY, &frame));
    win::SetWindowText(dialog.GetDlgItem(IDC_EDIT_KEY), L"Software\\Qzx\\Tools");
    dialog.ShowWindow(SW_SHOW);
    const auto path = out / (std::string("add-entry-dialog-") + language.name + ".png");
    ASSERT_TRUE(mxtest::SaveShownPng(dialog.m_hWnd, path)) << path;
  }
}
