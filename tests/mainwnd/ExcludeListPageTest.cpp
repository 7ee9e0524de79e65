// The exclusion-list page and its add-entry dialog, headless: what an entry becomes, what is refused, deleting,
// the list file after each change, and a scan that no longer reports the excluded key.
#include <optional>

#include "mainwnd/DlgAddEntry.h"
#include "mainwnd/DlgPrefExcludeList.h"
#include "app/AppPaths.h"
#include "platform/base/Text.h"
#include "scan/categories/Startup.h"
#include "SettingsTestSupport.h"

using namespace settingstest;

namespace {

class ExcludeListPageTest : public SettingsTest {
 protected:
  void Open() {
    ASSERT_TRUE(page.Create(IDD_EXCLUDE_LIST_PAGE, &frame));
    Pump();
  }
  // The add-entry dialog as the user fills it: a root key row, a path, then OK (and Cancel when OK leaves the
  // dialog open).
  void Add(int root, const std::wstring& path) {
    answers.answers.OnDialog(L"", [root, path](HWND dialog) -> std::optional<int> {
      win::SendMessage(win::GetDlgItem(dialog, IDC_COMBO_ROOT), CB_SETCURSEL, static_cast<WPARAM>(root), 0);
      win::SetWindowText(win::GetDlgItem(dialog, IDC_EDIT_KEY), path.c_str());
      win::SendMessage(win::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
      if (win::IsWindow(dialog) && win::IsWindowVisible(dialog)) win::SendMessage(win::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
      return std::nullopt;
    });
    Click(page.GetDlgItem(IDC_BTN_ADD_ENTRY));
  }
  std::vector<std::wstring> Rows() {
    std::vector<std::wstring> rows;
    for (int i = 0; i < page.m_list.GetItemCount(); ++i) rows.push_back(page.m_list.GetItemText(i, 0));
    return rows;
  }
  std::vector<std::wstring> ListFile() {
    std::vector<std::wstring> saved;
    std::wstring path = GetAppDataFolderPath();
    AppendPath(path, kExcludeListFile);
    LoadKeyListFile(path, saved);
    return saved;
  }

  CDlgPrefExcludeList page;
};

}  // namespace

TEST_F(ExcludeListPageTest, AddsUpperCaseTrimmedKeysAndRefusesEmptyAndRepeatedOnes) {
  Open();
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(page.m_btnDeleteEntry.IsWindowEnabled()) << "nothing to delete";

  Add(1, L"  software\\test  ");
  const std::vector<std::wstring> one = {L"HKEY_CURRENT_USER\\SOFTWARE\\TEST"};
  EXPECT_EQ(Rows(), one);
  EXPECT_EQ(app->m_arrExcludeList, one);
  EXPECT_EQ(ListFile(), one) << "saved at once, not only at exit";
  EXPECT_TRUE(page.m_btnDeleteEntry.IsWindowEnabled());

  struct Case {
    int root;
    const wchar_t* path;
    const wchar_t* message;
  };
  const Case kRefused[] = {{1, L"Software\\Test", L"IDS_ITEM_ALREADY_EXIST"},
                           {1, L"   ", L"IDS_NOEMPTY_KEY"},
                           {1, L"", L"IDS_NOEMPTY_KEY"}};
  for (const Case& c : kRefused) {
    answers.answers.clear();
    Add(c.root, c.path);
    EXPECT_EQ(Shown().front(), Text(c.message)) << mx::WideToUtf8(c.path);
    EXPECT_EQ(Rows(), one);
  }
  Add(0, L"Software\\Qzx");
  EXPECT_EQ(ListFile(), (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\SOFTWARE\\TEST", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX"}));
}

TEST_F(ExcludeListPageTest, DeletesTheSelectedEntryAfterAskingAndSavesTheList) {
  app->m_arrExcludeList = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX", L"HKEY_CURRENT_USER\\Software\\Kept"};
  Open();
  EXPECT_EQ(Rows(), app->m_arrExcludeList);

  Click(page.GetDlgItem(IDC_BTN_DELETE_ENTRY));
  EXPECT_EQ(Shown().back(), Text(L"IDS_SELECT_DELETE_ITEM"));

  page.m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  answers.answers.Expect(Text(L"IDS_SELECT_DELETE_ENTRY"), IDNO);
  Click(page.GetDlgItem(IDC_BTN_DELETE_ENTRY));
  EXPECT_EQ(Rows().size(), 2u) << "No keeps the entry";

  answers.answers.Expect(Text(L"IDS_SELECT_DELETE_ENTRY"), IDYES);
  Click(page.GetDlgItem(IDC_BTN_DELETE_ENTRY));
  const std::vector<std::wstring> left = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX"};
  EXPECT_EQ(Rows(), left);
  EXPECT_EQ(app->m_arrExcludeList, left);
  EXPECT_EQ(ListFile(), left);
  EXPECT_EQ(page.m_list.GetItemState(0, LVIS_SELECTED), LVIS_SELECTED);

  answers.answers.Expect(Text(L"IDS_SELECT_DELETE_ENTRY"), IDYES);
  Click(page.GetDlgItem(IDC_BTN_DELETE_ENTRY));
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(ListFile().empty());
  EXPECT_FALSE(page.m_btnDeleteEntry.IsWindowEnabled());
  EXPECT_EQ(page.m_list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(ExcludeListPageTest, SkipOptionsTakeEffectAtOnceAndAnExcludedKeyIsNotReported) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxUser"="C:\\QzxUser\\user.exe /s"
)");
  Open();
  EXPECT_EQ(page.m_chkRemovableMedia.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.m_chkSkipEmptyKeys.GetCheck(), BST_CHECKED);
  Click(page.GetDlgItem(IDC_CHK_SKIP_EMPTY_KEYS));
  Click(page.GetDlgItem(IDC_CHK_SKIP_REMOVABLE));
  EXPECT_EQ(SetChkSkipEmptyKeys, 0u);
  EXPECT_EQ(SetChkREmovableMedia, 0u);
  EXPECT_EQ(page.m_chkSkipEmptyKeys.GetCheck(), BST_UNCHECKED);
  Click(page.GetDlgItem(IDC_CHK_SKIP_EMPTY_KEYS));
  EXPECT_EQ(SetChkSkipEmptyKeys, 1u);

  auto reported = [] {
    CStartup category;
    category.Scan();
    return category.m_arrProblems.size();
  };
  EXPECT_EQ(reported(), 1u);
  Add(1, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(reported(), 0u);
}
