// The settings window and its scan-area page, headless: which page shows, the three-state group boxes, what
// Save and Restore Defaults store, and the page as the scan's live selection.
#include <thread>

#include "mainwnd/DlgSettings.h"
#include "scan/CategoryFlags.h"
#include "scan/CategorySelection.h"
#include "SettingsTestSupport.h"

using namespace settingstest;

namespace {

constexpr const wchar_t* kSettingsKey = L"Software\\Tarvolen\\Mendrix\\Version 1.0\\Settings";

class SettingsWindowTest : public SettingsTest {
 protected:
  void Open() {
    ASSERT_TRUE(settings.Create(IDD_SETTINGS, &frame));
    settings.MoveWindow(6, 128, kScreenWidth, kScreenHeight);
    Pump();
  }
  HWND Box(int id) { return settings.m_pageScanArea.GetDlgItem(id); }
  int Check(int id) { return static_cast<int>(win::SendMessage(Box(id), BM_GETCHECK, 0, 0)); }
  DWORD Stored() {
    DWORD value = 0;
    return ReadDword(HKEY_CURRENT_USER, kSettingsKey, L"SelectedCategories", value) ? value : 0xFFFFFFFF;
  }
  std::string Pressed() {
    std::string out;
    for (auto* b : {&settings.m_btnScanArea, &settings.m_btnExclusionList, &settings.m_btnSchedule, &settings.m_btnGeneral})
      out += b->m_bStayPressed ? '1' : '0';
    return out;
  }

  CDlgSettings settings;
};

}  // namespace

TEST_F(SettingsWindowTest, OpensOnTheGeneralPageAndSwitchesPages) {
  Open();
  EXPECT_EQ(settings.m_pCurrentPage, &settings.m_pageGeneral);
  EXPECT_EQ(Pressed(), "0001") << "only the general button looks pressed";
  EXPECT_EQ(g_nSettingsHeight, kScreenHeight - 72);
  CDialog* pages[] = {&settings.m_pageScanArea, &settings.m_pageExcludeList, &settings.m_pageSchedule,
                      &settings.m_pageGeneral};
  for (CDialog* page : pages) {
    RECT r{};
    page->GetWindowRect(&r);
    win::MapWindowPoints(nullptr, settings.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r, (RECT{0, 72, kScreenWidth, kScreenHeight}));
    const bool shown = page == &settings.m_pageGeneral;
    EXPECT_EQ((page->GetStyle() & WS_VISIBLE) != 0, shown);
    EXPECT_EQ(win::IsWindowEnabled(page->m_hWnd) != 0, shown);
  }

  struct Step {
    int button;
    CDialog* page;
    const char* pressed;
  };
  const Step kSteps[] = {{IDC_BTN_EXCLUSION_LIST, &settings.m_pageExcludeList, "0100"},
                         {IDC_BTN_SCHEDULE, &settings.m_pageSchedule, "0010"},
                         {IDC_BTN_SCAN_AREA, &settings.m_pageScanArea, "1000"},
                         {IDC_BTN_SCAN_AREA, &settings.m_pageScanArea, "1000"},
                         {IDC_BTN_GENERAL, &settings.m_pageGeneral, "0001"}};
  for (const Step& s : kSteps) {
    Click(settings.GetDlgItem(s.button));
    EXPECT_EQ(settings.m_pCurrentPage, s.page) << s.button;
    EXPECT_EQ(Pressed(), s.pressed) << s.button;
    for (CDialog* page : pages) EXPECT_EQ((page->GetStyle() & WS_VISIBLE) != 0, page == s.page) << s.button;
  }
}

TEST_F(SettingsWindowTest, ScanAreaButtonDropsUnsavedTicksOtherPagesKeepTheirs) {
  Open();
  Click(settings.GetDlgItem(IDC_BTN_SCAN_AREA));
  Click(Box(284));
  EXPECT_EQ(Check(284), BST_UNCHECKED);
  EXPECT_TRUE(settings.m_pageScanArea.m_btnSave.IsWindowEnabled());
  // the exclusion page keeps its unsaved option while the user looks elsewhere
  Click(settings.GetDlgItem(IDC_BTN_EXCLUSION_LIST));
  Click(settings.m_pageExcludeList.GetDlgItem(IDC_CHK_SKIP_EMPTY_KEYS));
  Click(settings.GetDlgItem(IDC_BTN_GENERAL));
  Click(settings.GetDlgItem(IDC_BTN_EXCLUSION_LIST));
  EXPECT_EQ(settings.m_pageExcludeList.m_chkSkipEmptyKeys.GetCheck(), BST_UNCHECKED);

  Click(settings.GetDlgItem(IDC_BTN_SCAN_AREA));
  EXPECT_EQ(Check(284), BST_CHECKED) << "the stored selection replaces the unsaved change";
  EXPECT_FALSE(settings.m_pageScanArea.m_btnSave.IsWindowEnabled());
  EXPECT_EQ(Stored(), 0xFFFFFFFFu) << "nothing was stored";
}

TEST_F(SettingsWindowTest, GroupBoxesShowAllNoneOrSomeOfTheirMembers) {
  Open();
  CRegistryOptSettings& page = settings.m_pageScanArea;
  for (const CategoryCheckBox& box : CategoryCheckBoxes) EXPECT_EQ(Check(box.controlId), BST_CHECKED);
  for (const CategoryGroup& group : CategoryGroups) EXPECT_EQ(Check(group.ids[0]), BST_CHECKED);

  struct Case {
    int group;
    std::vector<int> unchecked;
    int state;
  };
  const Case kCases[] = {{0, {}, BST_CHECKED},
                         {0, {284}, BST_INDETERMINATE},
                         {0, {284, 288, 293, 297, 285}, BST_UNCHECKED},
                         {1, {283}, BST_INDETERMINATE},
                         {1, {283, 287}, BST_UNCHECKED},
                         {3, {302, 303}, BST_INDETERMINATE}};
  for (const Case& c : kCases) {
    const CategoryGroup& group = CategoryGroups[static_cast<size_t>(c.group)];
    for (int i = 1; i < group.length; ++i) win::CheckDlgButton(page.m_hWnd, group.ids[i], BST_CHECKED);
    for (int id : c.unchecked) win::CheckDlgButton(page.m_hWnd, id, BST_UNCHECKED);
    EXPECT_EQ(GetGroupCheckState(group.ids, page.m_hWnd, group.length), c.state) << "group " << c.group;
  }
  EXPECT_EQ(GetGroupCheckState(CategoryGroups[0].ids, page.m_hWnd, 1), BST_INDETERMINATE) << "no members";

  // clicks: a member turns its group box some, then none; a click on some or none checks all, on all clears
  page.LoadSelection();
  Click(Box(283));
  EXPECT_EQ(Check(290), BST_INDETERMINATE);
  Click(Box(287));
  EXPECT_EQ(Check(290), BST_UNCHECKED);
  Click(Box(290));
  EXPECT_EQ(Check(290), BST_CHECKED);
  EXPECT_EQ(Check(283), BST_CHECKED);
  EXPECT_EQ(Check(287), BST_CHECKED);
  Click(Box(290));
  EXPECT_EQ(Check(290), BST_UNCHECKED);
  EXPECT_EQ(Check(283), BST_UNCHECKED);
  Click(Box(302));
  Click(Box(292));
  EXPECT_EQ(Check(292), BST_CHECKED) << "an indeterminate group box checks the whole group";
  EXPECT_EQ(Check(302), BST_CHECKED);
}

TEST_F(SettingsWindowTest, SaveAndRestoreDefaultsStoreTheSelection) {
  Open();
  CRegistryOptSettings& page = settings.m_pageScanArea;
  Click(Box(283));  // 0x1
  Click(Box(286));  // 0x2000
  Click(page.GetDlgItem(IDC_BTN_SAVE));
  EXPECT_EQ(Stored(), 0x3FFFu & ~0x1u & ~0x2000u);
  EXPECT_FALSE(page.m_btnSave.IsWindowEnabled());

  Click(page.GetDlgItem(IDC_BTN_RESTORE_DEFAULTS));
  EXPECT_EQ(Stored(), 0x3FFFu) << "stored at once, without Save";
  EXPECT_EQ(Check(283), BST_CHECKED);
  EXPECT_EQ(Check(290), BST_CHECKED);
  EXPECT_FALSE(page.m_btnSave.IsWindowEnabled());

  // nothing ticked: told, nothing stored, nothing started, the stored selection back
  int scans = 0;
  page.m_onStartScan = [&] { ++scans; };
  prefix.import(LR"([HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\Settings]
"SelectedCategories"=dword:00000c00
)");
  for (const CategoryGroup& group : CategoryGroups) SetGroupChecks(group.length, BST_UNCHECKED, page.m_hWnd, group.ids);
  for (int button : {IDC_BTN_SAVE, IDC_BTN_START_SCAN}) {
    page.m_btnSave.EnableWindow(TRUE);
    Click(page.GetDlgItem(button));
    EXPECT_EQ(Shown().back(), Text(L"IDS_NO_SELECTED"));
    EXPECT_EQ(Stored(), 0xC00u);
    EXPECT_EQ(Check(302), BST_CHECKED);
    EXPECT_EQ(Check(303), BST_CHECKED);
    EXPECT_EQ(Check(292), BST_INDETERMINATE);
    for (int id : {302, 303}) win::CheckDlgButton(page.m_hWnd, id, BST_UNCHECKED);
  }
  EXPECT_EQ(scans, 0);

  Click(Box(284));
  Click(page.GetDlgItem(IDC_BTN_START_SCAN));
  EXPECT_EQ(Stored(), 0x2u);
  EXPECT_EQ(scans, 1);
}

TEST_F(SettingsWindowTest, TheScanWorkerReadsThePageAsItIs) {
  prefix.import(LR"([HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\Settings]
"SelectedCategories"=dword:00000005
)");
  DWORD mask = 0;
  int count = 0;
  GetSelectedScanCategories(mask, count);
  EXPECT_EQ(mask, 0x5u) << "without the page the stored selection counts";

  Open();
  Click(settings.GetDlgItem(IDC_BTN_SCAN_AREA));
  Click(Box(287));   // 0x4 off, unsaved
  Click(Box(304));   // 0x100 on, unsaved
  // From a worker, as the scan runs it: each box is asked of this thread, which keeps handling messages.
  std::atomic<bool> done{false};
  std::thread worker([&] {
    GetSelectedScanCategories(mask, count);
    done = true;
  });
  while (!done) {
    MSG msg;
    win::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(mask, 0x101u);
  EXPECT_EQ(count, 2);

  settings.DestroyWindow();
  GetSelectedScanCategories(mask, count);
  EXPECT_EQ(mask, 0x5u) << "a page that is gone no longer answers";
}
