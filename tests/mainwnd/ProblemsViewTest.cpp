// The problems view over the scan engine's categories: rows and checks against the problems' selection, the
// select-all box, the context menu per kind of problem, the exclusion list and what closing does, Esc, the
// modal count while it runs, and the list's drawing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/AppPaths.h"
#include "app/CategoryTexts.h"
#include "app/ExclusionLists.h"
#include "app/ZUNApp.h"
#include "mainwnd/ProblemsView.h"
#include "mainwnd/TestTopWindow.h"
#include "platform/base/FileIO.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/Surface.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "scan/ProblemTexts.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/EnglishTexts.h"
#include "ui/MainWindowLinks.h"
#include "ui/InputApi.h"

namespace {

namespace fs = std::filesystem;

// The main window as the view meets it: it records the commands posted to it.
class CommandRecorder : public screentest::TestTopWindow {
 public:
  CommandRecorder() : TestTopWindow(L"QzxProblemsMain") {}
  std::vector<UINT> commands;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_COMMAND) commands.push_back(LOWORD(w));
    return TestTopWindow::WindowProc(msg, w, l);
  }
};

constexpr const wchar_t* kFontsKey = L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Fonts";
constexpr const wchar_t* kRunKey = L"HKEY_CURRENT_USER\\Software\\Qzx\\Run";

class ProblemsViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::AddDataFolder(prefix);
    LoadCategoryStrings();
    scope.app().m_pScanManager = &manager;
    scope.app().m_arrExcludeList.clear();
    manager.m_categoryFactory = enginetest::StubFactory(nullptr);
    manager.CreateCategories(CATEGORY_FONTS | CATEGORY_SHORTCUTS | CATEGORY_STARTUP, 3);
  }
  void TearDown() override {
    if (view) view->DestroyWindow();
    view.reset();
    scope.app().m_pScanManager = nullptr;
    ui::SetAsyncKeyStateSource(nullptr);
    g_bShowBitnessIcons = 0;
  }

  CProblem& Add(DWORD flag, int type, const std::wstring& key, const std::wstring& value,
                std::vector<std::wstring> details, int selected = 1, int is32Bit = 0) {
    auto& problems = manager.GetCategory(flag)->m_arrProblems;
    problems.push_back(enginetest::MakeProblem(type, key, value, L"", is32Bit));
    problems.back()->m_arrDetails = std::move(details);
    problems.back()->m_nSelected = selected;
    return *problems.back();
  }
  // The usual three: two font values (the second unchecked) and a start-up value; the view lists start-up
  // first, as later categories go in above earlier ones.
  void Usual() {
    Add(CATEGORY_FONTS, 2, kFontsKey, L"Gone", {L"Gone (C:\\Qzx\\gone.ttf)", L"C:\\Qzx\\gone.ttf"});
    Add(CATEGORY_FONTS, 2, kFontsKey, L"Lost", {L"Lost (C:\\Qzx\\lost.ttf)", L"C:\\Qzx\\lost.ttf"}, 0);
    Add(CATEGORY_STARTUP, 20, kRunKey, L"A", {L"A", L"a.exe"});
  }
  void Open() {
    view = std::make_unique<CProblemsView>(L"Registry error details", &main);
    view->m_hMainWindow = main.GetSafeHwnd();
    ASSERT_TRUE(view->Create(IDD_PROBLEMS_VIEW, &main));
  }
  CProblem* Row(int row) const { return reinterpret_cast<CProblem*>(view->m_list.GetItemData(row)); }
  void Select(int row) { view->m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }
  void Command(UINT id) { view->SendMessage(WM_COMMAND, id, 0); }
  std::vector<UINT> MainCommands() {
    enginetest::PumpPending();
    return main.commands;
  }
  // Clicks the drawn check box of a row, as the mouse would.
  void ClickBox(int row) {
    RECT bounds{};
    view->m_list.GetItemRect(row, &bounds, LVIR_BOUNDS);
    view->m_list.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(10, bounds.top + 12));
    view->m_list.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, bounds.top + 12));
  }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
  mxtest::EnglishTextsScope english;
  win::ScopedAnswers answers;
  CScanManager manager;
  CommandRecorder main;
  std::unique_ptr<CProblemsView> view;
};

TEST_F(ProblemsViewTest, RowsListLaterCategoriesFirstAndChecksFollowTheProblems) {
  Usual();
  Open();
  ASSERT_EQ(view->m_list.GetItemCount(), 3);
  EXPECT_EQ(Row(0)->ValueName, L"A");
  EXPECT_EQ(Row(1)->ValueName, L"Gone");
  EXPECT_EQ(Row(2)->ValueName, L"Lost");
  EXPECT_TRUE(view->m_list.GetCheck(1));
  EXPECT_FALSE(view->m_list.GetCheck(2)) << "the unchecked problem shows unchecked";

  ClickBox(2);  // the drawn box checks it, and the problem is marked for repair
  EXPECT_EQ(Row(2)->m_nSelected, 1);
  ClickBox(0);
  EXPECT_EQ(Row(0)->m_nSelected, 0);
  view->m_list.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(200, 12));  // on the text: no flip
  EXPECT_EQ(Row(0)->m_nSelected, 0);

  Select(1);
  Command(ID_PROBLEM_TOGGLE);
  EXPECT_EQ(Row(1)->m_nSelected, 0);
  Command(ID_PROBLEM_INVERT);
  EXPECT_EQ((std::vector<int>{Row(0)->m_nSelected, Row(1)->m_nSelected, Row(2)->m_nSelected}),
            (std::vector<int>{1, 1, 0}));
}

TEST_F(ProblemsViewTest, SelectAllBoxHasThreeStates) {
  Usual();
  Open();
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_INDETERMINATE) << "one of three unchecked";
  EXPECT_EQ(view->m_bAllSelected, 0);
  ClickBox(2);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_CHECKED) << "every row checked one by one";
  ClickBox(0);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_INDETERMINATE);
  Command(ID_PROBLEM_UNSELECT_ALL);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(manager.GetSelectedProblemCount(), 0);

  // The box itself: all checked, then none, as it was last (the view's state, not the box's cycle).
  view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHK_SELECT_ALL, BN_CLICKED), 0);
  EXPECT_EQ(manager.GetSelectedProblemCount(), 3);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_CHECKED);
  view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHK_SELECT_ALL, BN_CLICKED), 0);
  EXPECT_EQ(manager.GetSelectedProblemCount(), 0);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_UNCHECKED);
}

TEST_F(ProblemsViewTest, AnEmptyListShowsTheBoxChecked) {
  Open();
  EXPECT_EQ(view->m_list.GetItemCount(), 0);
  EXPECT_EQ(view->m_btnSelectAll.GetCheck(), BST_CHECKED);
  EXPECT_EQ(view->BuildContextMenu(), nullptr) << "no row, no menu";
  EXPECT_EQ(view->BuildCopyText(), L"\n----------------------------\n");
}

TEST_F(ProblemsViewTest, ContextMenuTextsAndGreyedItemsByKindOfProblem) {
  Add(CATEGORY_SHORTCUTS, 34, L"", L"", {L"Gone.lnk", L"C:\\users\\qzx\\Desktop\\Gone.lnk"});
  Add(CATEGORY_FONTS, 2, kFontsKey, L"Gone", {L"Gone", L"C:\\Qzx\\gone.ttf"}, 0);
  Add(CATEGORY_FONTS, 2, L"", L"", {L"odd", L"nowhere"});
  Open();
  struct Case {
    int row;
    int kind;
    const wchar_t* first;
    const wchar_t* fifth;
    bool ignoreGreyed;
  };
  // rows: the shortcut (category 0x80), then the two font problems in their order
  const Case kCases[] = {
      {0, 2, L"Unselect this item", L"File properties", true},
      {1, 1, L"Select this item", L"Go to registry key", false},
      {2, 0, L"Unselect this item", L"Go to Key", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.row);
    Select(c.row);
    EXPECT_EQ(view->GetProblemKind(), c.kind);
    HMENU menu = view->BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    auto text = [&](UINT position) {
      wchar_t buffer[128] = {};
      win::GetMenuString(menu, position, buffer, 128, MF_BYPOSITION);
      return std::wstring(buffer);
    };
    EXPECT_EQ(text(0), c.first);
    EXPECT_EQ(text(1), L"Select all");
    EXPECT_EQ(text(2), L"Deselect all");
    EXPECT_EQ(text(3), L"Invert selection");
    EXPECT_EQ(text(5), c.fifth);
    EXPECT_EQ(text(6), L"Copy details");
    EXPECT_EQ(text(7), L"Add to exclusion list");
    EXPECT_EQ((win::GetMenuState(menu, 7, MF_BYPOSITION) & MF_GRAYED) != 0, c.ignoreGreyed);
    EXPECT_EQ(win::GetMenuItemID(menu, 5), ID_PROBLEM_GO_TO_KEY);
    win::DestroyMenu(menu);
  }

  // A right click shows it at the cursor and the chosen command reaches the view.
  std::vector<gdi::MenuPrompt> shown;
  gdi::SetMenuChooser(gdi::ChooseById(ID_PROBLEM_COPY, &shown));
  Select(1);
  NMITEMACTIVATE click;
  click.hdr.hwndFrom = view->m_list.m_hWnd;
  click.hdr.idFrom = IDC_LIST_PROBLEMS;
  click.hdr.code = NM_RCLICK;
  view->SendMessage(WM_NOTIFY, IDC_LIST_PROBLEMS, reinterpret_cast<LPARAM>(&click));
  enginetest::PumpPending();
  gdi::SetMenuChooser(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(gdi::ClipboardText().value_or(L""),
            L"Gone\n----------------------------\n" + GetProblemDescription(Row(1)));
}

TEST_F(ProblemsViewTest, GoToKeyWithoutAdministratorRightsOnlySaysSo) {
  Usual();
  mxtest::ScanSettings notAdmin;
  notAdmin.admin = false;
  mxtest::ScanSettingsScope user{notAdmin};
  user.app().m_pScanManager = &manager;
  Open();
  Select(0);
  Command(ID_PROBLEM_GO_TO_KEY);
  EXPECT_EQ(answers.answers.texts(), (std::vector<std::wstring>{L"You need administrator rights to do this."}));
}

TEST_F(ProblemsViewTest, AddedKeysLeaveOnCloseInEveryCategoryAndTheListFileHoldsThem) {
  Usual();
  Add(CATEGORY_STARTUP, 3, kFontsKey, L"", {L"Fonts key"});  // the same key in another category
  Add(CATEGORY_STARTUP, 3, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\FontsOther", L"", {L"Other"});
  Open();
  int refills = 0;
  view->m_onExclusionListChanged = [&] { ++refills; };
  ASSERT_EQ(view->m_list.GetItemCount(), 5);
  Select(3);  // the first font value
  ASSERT_EQ(Row(3)->Key, kFontsKey);
  Command(ID_PROBLEM_ADD_TO_IGNORE);
  EXPECT_EQ(view->m_list.GetItemCount(), 4);
  EXPECT_EQ(refills, 1);
  EXPECT_EQ(scope.app().m_arrExcludeList, (std::vector<std::wstring>{kFontsKey}));
  std::string bytes;
  std::vector<std::wstring> stored;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(GetAppDataFolderPath() + L"\\ExcludeList.kvt"), bytes));
  ASSERT_TRUE(DecodeKeyList(bytes, stored));
  EXPECT_EQ(stored, scope.app().m_arrExcludeList);

  Command(IDC_LNK_CLOSE_VIEW);
  std::vector<std::wstring> left;
  for (DWORD flag : {CATEGORY_FONTS, CATEGORY_STARTUP})
    for (const auto& p : manager.GetCategory(flag)->m_arrProblems) left.push_back(p->Key + L"|" + p->ValueName);
  EXPECT_EQ(left, (std::vector<std::wstring>{std::wstring(kRunKey) + L"|A",
                                             L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\FontsOther|"}))
      << "every problem of exactly that key went, in any category";
  EXPECT_EQ(MainCommands(), (std::vector<UINT>{ID_CMD_SCAN_DONE}));
}

TEST_F(ProblemsViewTest, AddingTheLastKeyClosesTheViewAndGoesHome) {
  Add(CATEGORY_FONTS, 2, kFontsKey, L"Gone", {L"Gone"});
  Open();
  Select(0);
  Command(ID_PROBLEM_ADD_TO_IGNORE);
  enginetest::PumpPending();  // the view's own close command
  EXPECT_EQ(manager.GetProblemCount(), 0);
  EXPECT_EQ(MainCommands(), (std::vector<UINT>{IDC_BTN_HOME}));
}

TEST_F(ProblemsViewTest, EscDoesNotCloseIt) {
  Usual();
  Open();
  ui::SetAsyncKeyStateSource([](int vk) -> SHORT { return vk == VK_ESCAPE ? static_cast<SHORT>(0x8000) : 0; });
  view->SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(MainCommands().empty());
  ui::SetAsyncKeyStateSource(nullptr);
  view->SendMessage(WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(MainCommands().size(), 1u) << "with the key up, Cancel closes";
}

TEST_F(ProblemsViewTest, WhileItRunsItCountsAsAModalWindow) {
  Usual();
  const int before = g_nModalCount;
  int during = -1;
  answers.answers.OnDialog(L"", [&](HWND) -> std::optional<int> {
    during = g_nModalCount;
    return IDOK;
  });
  CProblemsView::Run(&main, main.GetSafeHwnd(), L"Registry error details");
  EXPECT_EQ(during, before + 1) << "no scan or repair request replaces the problems it shows";
  EXPECT_EQ(g_nModalCount, before);
}

TEST_F(ProblemsViewTest, ListRowsAreDrawnOnTwoLinesWithBoxIconsAndAlternatingColours) {
  g_bShowBitnessIcons = 1;
  Usual();
  Add(CATEGORY_STARTUP, 3, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Com", L"", {L""}, 1, 1);  // detail 0 empty
  manager.GetCategory(CATEGORY_FONTS)->m_arrProblems[0]->m_nRepairFailed = 1;
  Open();
  ASSERT_EQ(view->m_list.GetItemCount(), 4);
  const int width = view->m_list.GetColumnWidth(0);
  ASSERT_GT(width, 59);
  const int h = 36;
  auto draw = std::make_shared<gdi::DrawLog>();
  HDC hdc = gdi::CreateRecordingDC(width, 4 * h, draw);
  for (int row = 0; row < 4; ++row) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTVIEW;
    dis.CtlID = IDC_LIST_PROBLEMS;
    dis.itemID = static_cast<UINT>(row);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = row == 3 ? ODS_SELECTED | ODS_FOCUS : 0;
    dis.hwndItem = view->m_list.m_hWnd;
    dis.hDC = hdc;
    dis.rcItem = RECT{0, row * h, width, (row + 1) * h};
    dis.itemData = view->m_list.GetItemData(row);
    view->m_list.DrawItem(&dis);
  }
  const auto fills = draw->Calls("FillRect");
  ASSERT_GE(fills.size(), 4u);
  EXPECT_EQ(fills[0].color, RGB(230, 244, 255)) << "row 0 light blue";
  EXPECT_EQ(fills[1].color, win::GetSysColor(COLOR_WINDOW)) << "row 1 the window colour";
  EXPECT_EQ(fills[2].color, RGB(230, 244, 255));
  EXPECT_EQ(fills.back().color, win::GetSysColor(COLOR_HIGHLIGHT)) << "the selected row, whatever its index";

  const auto images = draw->Calls("ImageList_Draw");
  ASSERT_EQ(images.size(), 12u) << "box, category icon and view mark per row";
  EXPECT_EQ(images[0].rect, (RECT{5, 9, 20, 24}));
  EXPECT_EQ(images[1].rect.left, 27);
  EXPECT_EQ(images[2].rect.left, 55);
  EXPECT_EQ(images[0].format, 1u) << "row 0 (start-up) is checked";
  EXPECT_EQ(images[2].format, 0u) << "the 64-bit view's mark";
  EXPECT_EQ(images[5].format, 1u) << "the 32-bit view's mark";

  const auto texts = draw->Calls("DrawText");
  ASSERT_EQ(texts.size(), 8u);
  EXPECT_EQ(texts[0].text, L"A");
  EXPECT_EQ(texts[2].text, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Com") << "an empty detail 0 shows the key";
  EXPECT_EQ(texts[0].rect.left, 90);
  EXPECT_EQ(texts[0].rect.top, 3);
  EXPECT_EQ(texts[1].rect.top, 17);
  EXPECT_EQ(texts[1].color, RGB(63, 72, 81));
  EXPECT_EQ(texts[4].text, L"Gone (C:\\Qzx\\gone.ttf)");
  EXPECT_EQ(texts[5].text.rfind(L"Not repaired - ", 0), 0u) << "a failed repair is marked";
  EXPECT_EQ(texts[7].color, RGB(216, 225, 252)) << "second line of the selected row";

  const auto out = fs::path(MX_BINARY_DIR) / "ui-renderings";
  fs::create_directories(out);
  EXPECT_TRUE(gdi::GetDCSurface(hdc)->SavePng(out / "problems-list.png"));
  win::DeleteDC(hdc);

  g_bShowBitnessIcons = 0;
  auto narrow = std::make_shared<gdi::DrawLog>();
  HDC small = gdi::CreateRecordingDC(width, h, narrow);
  view->m_list.SetColumnWidth(0, 40);
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_LISTVIEW;
  dis.itemAction = ODA_DRAWENTIRE;
  dis.hDC = small;
  dis.rcItem = RECT{0, 0, width, h};
  dis.itemData = view->m_list.GetItemData(1);
  dis.itemID = 1;
  view->m_list.DrawItem(&dis);
  EXPECT_EQ(narrow->Count("ImageList_Draw"), 1u) << "below 60 pixels only the box";
  EXPECT_EQ(narrow->Calls("DrawText")[0].rect.left, 65) << "without the view marks the text starts at 65";
  win::DeleteDC(small);
}

}  // namespace
