#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/gdi/Clipboard.h"
#include "platform/gdi/Menu.h"
#include "tests/platform/gdi/ControlTestWindow.h"

using gditest::TestWindow;

namespace {
LRESULT Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) { return win::SendMessage(h, msg, w, l); }
}  // namespace

TEST(Button, ThreeStateBoxesAndRadioGroups) {
  TestWindow w(300, 200);
  HWND autoBox = w.AddControl(WC_BUTTON, L"Auto", BS_AUTO3STATE, 10, 10, 100, 20, 1);
  HWND plainBox = w.AddControl(WC_BUTTON, L"Group", BS_3STATE, 10, 40, 100, 20, 2);
  for (int expected : {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}) {
    Send(autoBox, BM_CLICK);
    EXPECT_EQ(Send(autoBox, BM_GETCHECK), expected);
  }
  Send(plainBox, BM_SETCHECK, BST_INDETERMINATE);
  w.commands.clear();
  Send(plainBox, BM_CLICK);
  EXPECT_EQ(Send(plainBox, BM_GETCHECK), BST_INDETERMINATE) << "a non-automatic box leaves its state to its owner";
  ASSERT_EQ(w.commands.size(), 1u);
  EXPECT_EQ(w.commands[0], std::make_pair(2, static_cast<int>(BN_CLICKED)));

  HWND r1 = w.AddControl(WC_BUTTON, L"A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 70, 50, 20, 3);
  HWND r2 = w.AddControl(WC_BUTTON, L"B", BS_AUTORADIOBUTTON, 70, 70, 50, 20, 4);
  HWND other = w.AddControl(WC_BUTTON, L"C", BS_AUTORADIOBUTTON | WS_GROUP, 130, 70, 50, 20, 5);
  Send(other, BM_CLICK);
  Send(r1, BM_CLICK);
  Send(r2, BM_CLICK);
  EXPECT_EQ(Send(r1, BM_GETCHECK), BST_UNCHECKED);
  EXPECT_EQ(Send(r2, BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Send(other, BM_GETCHECK), BST_CHECKED) << "another group is not touched";

  // a mouse press released outside the button is no click
  w.commands.clear();
  HWND push = w.AddControl(WC_BUTTON, L"Go", BS_PUSHBUTTON, 10, 100, 80, 24, 6);
  Send(push, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  Send(push, WM_LBUTTONUP, 0, MAKELPARAM(200, 5));
  EXPECT_TRUE(w.commands.empty());
  Send(push, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  Send(push, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(w.commands.size(), 1u);
}

// A page that colours its static controls white, as the program's pages do.
LRESULT WhitePageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(win::GetStockObject(WHITE_BRUSH));
  return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST(Button, GroupBoxPaintedAgainLeavesTheButtonsInsideIt) {
  gdi::RegisterControlClasses();
  WNDCLASSW wc{};
  wc.lpfnWndProc = WhitePageProc;
  wc.lpszClassName = L"MxWhitePage";
  win::RegisterClass(&wc);
  HWND page = win::CreateWindowEx(0, L"MxWhitePage", L"Page", WS_POPUP | WS_VISIBLE, 0, 0, 300, 120, nullptr,
                                  nullptr, nullptr, nullptr);
  HWND group = win::CreateWindowEx(0, WC_BUTTON, L"Run the scan", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10, 280,
                                   60, page, reinterpret_cast<HMENU>(1), nullptr, nullptr);
  HWND radio = win::CreateWindowEx(0, WC_BUTTON, L"Weekly", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 20, 30, 100,
                                   20, page, reinterpret_cast<HMENU>(2), nullptr, nullptr);
  ASSERT_TRUE(page && group && radio);
  gdi::PaintWindowTree(page);
  const auto surface = gdi::WindowSurface(page);
  const COLORREF radioEdge = surface->GetPixel(20, 30 + (20 - 13) / 2 + 6);
  EXPECT_EQ(radioEdge, RGB(128, 128, 128)) << "the radio button's box";
  // The group box alone painted again, after the button inside it (a display repaints what changed).
  win::InvalidateRect(group, nullptr, TRUE);
  win::UpdateWindow(group);
  EXPECT_EQ(gdi::WindowSurface(page)->GetPixel(20, 30 + (20 - 13) / 2 + 6), radioEdge) << "still shown";
  win::DestroyWindow(radio);
  win::DestroyWindow(page);
}

// The acceptance window: a list view, a progress bar driven from a worker thread and a 3-state check box,
// rendered to a PNG without a display.
TEST(Controls, WindowWithWorkerDrivenProgressRendersToPng) {
  TestWindow w(420, 260);
  HWND list = w.AddControl(WC_LISTVIEW, L"", LVS_REPORT, 10, 10, 400, 140, 318);
  Send(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW col;
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = c == 0 ? 250 : 140;
    col.pszText = const_cast<wchar_t*>(c == 0 ? L"Entry" : L"Category");
    Send(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
  }
  const wchar_t* rows[][2] = {{L"HKLM\\Software\\Qzx\\Run", L"Start-up"}, {L"C:\\Gone\\tool.dll", L"Shared files"}};
  for (int i = 0; i < 2; ++i) {
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(rows[i][0]);
    Send(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(rows[i][1]);
    Send(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMW checked;
  checked.state = INDEXTOSTATEIMAGEMASK(2);
  checked.stateMask = LVIS_STATEIMAGEMASK;
  Send(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&checked));
  HWND progress = w.AddControl(PROGRESS_CLASS, L"", 0, 10, 160, 400, 20, 200);
  HWND box = w.AddControl(WC_BUTTON, L"Deep scan", BS_AUTO3STATE, 10, 190, 200, 20, 201);
  Send(box, BM_SETCHECK, BST_INDETERMINATE);

  // the worker's sends wait until this thread handles them
  std::atomic<bool> done{false};
  std::atomic<LRESULT> checkSeen{-1};
  std::thread worker([&] {
    win::SendMessage(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 200));
    for (int pos = 0; pos <= 150; pos += 50) win::SendMessage(progress, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
    checkSeen = win::SendMessage(box, BM_GETCHECK, 0, 0);
    done = true;
  });
  while (!done) w.Pump();
  worker.join();
  EXPECT_EQ(Send(progress, PBM_GETPOS), 150);
  EXPECT_EQ(checkSeen.load(), BST_INDETERMINATE);

  auto dir = std::filesystem::path(MX_BINARY_DIR) / "test-output";
  std::filesystem::create_directories(dir);
  ASSERT_TRUE(gdi::SaveWindowPng(w.hwnd(), dir / "controls.png"));
  EXPECT_GT(std::filesystem::file_size(dir / "controls.png"), 1000u);
  auto surface = gdi::WindowSurface(w.hwnd());
  // three quarters of the bar are filled, the rest is not
  EXPECT_EQ(surface->GetPixel(10 + 250, 170), RGB(6, 176, 37));
  EXPECT_NE(surface->GetPixel(10 + 350, 170), RGB(6, 176, 37));
  EXPECT_EQ(surface->GetPixel(5, 5), win::GetSysColor(COLOR_BTNFACE));
}

TEST(Menus, LoadedMenusAndTrackPopupMenu) {
  TestWindow w(100, 100);
  HMENU menu = win::LoadMenu(nullptr, 432);
  ASSERT_NE(menu, nullptr);
  HMENU popup = win::GetSubMenu(menu, 0);
  ASSERT_EQ(win::GetMenuItemCount(popup), 8);
  const UINT kIds[] = {101, 114, 112, 113, 0, 110, 109, 108};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(win::GetMenuItemID(popup, i), kIds[i]) << i;
  EXPECT_EQ(win::GetMenuState(popup, 4, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);

  MENUITEMINFOW info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<wchar_t*>(L"Open in the registry editor");
  ASSERT_TRUE(win::SetMenuItemInfo(popup, 5, TRUE, &info));
  EXPECT_EQ(win::EnableMenuItem(popup, 108, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);

  std::vector<gdi::MenuPrompt> shown;
  auto previous = gdi::SetMenuChooser(gdi::ChooseById(110, &shown));
  EXPECT_TRUE(win::TrackPopupMenu(popup, TPM_LEFTBUTTON, 20, 30, 0, w.hwnd(), nullptr));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].items[5].text, L"Open in the registry editor");
  EXPECT_EQ(shown[0].items[7].flags & MF_GRAYED, MF_GRAYED);
  w.commands.clear();
  w.Pump();
  ASSERT_EQ(w.commands.size(), 1u);
  EXPECT_EQ(w.commands[0].first, 110) << "the choice arrives as WM_COMMAND";

  gdi::SetMenuChooser(gdi::ChooseById(108));
  EXPECT_FALSE(win::TrackPopupMenu(popup, TPM_LEFTBUTTON, 0, 0, 0, w.hwnd(), nullptr)) << "grayed";
  gdi::SetMenuChooser(gdi::ChooseById(113));
  EXPECT_EQ(win::TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, w.hwnd(), nullptr), 113);
  gdi::SetMenuChooser(nullptr);
  EXPECT_FALSE(win::TrackPopupMenu(popup, TPM_LEFTBUTTON, 0, 0, 0, w.hwnd(), nullptr)) << "dismissed";

  // a worker's send waiting when the menu shows is handled by the menu's loop
  HWND box = w.AddControl(WC_BUTTON, L"x", BS_AUTOCHECKBOX, 0, 0, 10, 10, 77);
  std::atomic<bool> sent{false};
  std::thread worker([&] {
    win::SendMessage(box, BM_SETCHECK, BST_CHECKED, 0);
    sent = true;
  });
  while (!(win::GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE)) std::this_thread::yield();
  win::TrackPopupMenu(popup, TPM_LEFTBUTTON, 0, 0, 0, w.hwnd(), nullptr);
  worker.join();
  EXPECT_TRUE(sent.load());
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_CHECKED);
  w.commands.clear();
  w.Pump();
  EXPECT_TRUE(w.commands.empty());
  gdi::SetMenuChooser(previous);
  EXPECT_TRUE(win::DestroyMenu(menu));
  EXPECT_FALSE(win::IsMenu(popup)) << "pop-ups go with their menu";
}

TEST(Menus, MalformedMenuTextIsRefused) {
  const char* kBad[] = {"POPUP \"x\"\n", "END\n", "POPUP \"x\"\nMENUITEM \"a\"\nEND\n", "MENUITEM \"a\" 70000\n",
                        "POPUP x\nEND\n", "BOGUS\n"};
  for (const char* text : kBad) {
    std::string why;
    EXPECT_EQ(gdi::ParseMenuText(text, &why), nullptr) << text;
    EXPECT_FALSE(why.empty()) << text;
  }
}

TEST(Clipboard, OneOpenerAtATimeAndTheClipboardOwnsItsData) {
  int published = 0;
  gdi::OnClipboardChanged([&] { ++published; });
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  std::atomic<BOOL> otherOpened{TRUE};
  std::thread([&] { otherOpened = win::OpenClipboard(nullptr); }).join();
  EXPECT_FALSE(otherOpened.load());
  ASSERT_TRUE(win::EmptyClipboard());
  HGLOBAL block = win::GlobalAlloc(GMEM_MOVEABLE, 6);
  auto* p = static_cast<unsigned char*>(win::GlobalLock(block));
  p[0] = 'h';
  p[2] = 'i';
  win::GlobalUnlock(block);
  EXPECT_EQ(win::SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_EQ(win::GlobalFree(block), block) << "the clipboard's block cannot be freed by the caller";
  EXPECT_TRUE(win::CloseClipboard());
  EXPECT_EQ(gdi::ClipboardText().value_or(L""), L"hi");
  EXPECT_EQ(published, 1) << "the display layer hears of the new text once it is closed";
  gdi::OnClipboardChanged(nullptr);
  EXPECT_EQ(win::SetClipboardData(CF_UNICODETEXT, win::GlobalAlloc(0, 2)), nullptr) << "not open";
}

TEST(ComboBox, OnlyUserChoicesNotify) {
  TestWindow w(200, 100);
  HWND combo = w.AddControl(WC_COMBOBOX, L"", CBS_DROPDOWNLIST, 10, 10, 150, 22, 306);
  for (const wchar_t* root : {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE"})
    Send(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
  EXPECT_EQ(Send(combo, CB_SETCURSEL, 1), 1);
  EXPECT_EQ(Send(combo, CB_SETCURSEL, 7), CB_ERR);
  EXPECT_TRUE(w.commands.empty());
  Send(combo, CB_SETCURSEL, 1);
  Send(combo, WM_KEYDOWN, 0x28, 0);
  EXPECT_EQ(Send(combo, CB_GETCURSEL), 2);
  ASSERT_EQ(w.commands.size(), 1u);
  EXPECT_EQ(w.commands[0].second, CBN_SELCHANGE);
  EXPECT_EQ(win::GetWindowTextString(combo), L"HKEY_LOCAL_MACHINE");

  HWND edit = w.AddControl(WC_EDIT, L"", ES_NUMBER, 10, 40, 50, 20, 311);
  Send(edit, EM_LIMITTEXT, 2);
  for (wchar_t c : std::wstring(L"1a23")) Send(edit, WM_CHAR, c);
  EXPECT_EQ(win::GetWindowTextString(edit), L"12");
}

namespace {
std::vector<DRAWITEMSTRUCT>* g_menuDraws = nullptr;
WNDPROC g_menuBase = nullptr;
LRESULT MenuOwner(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    mis->itemWidth = 120;
    mis->itemHeight = 22;
    return TRUE;
  }
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    g_menuDraws->push_back(*dis);
    gdi::FillSolidRect(dis->hDC, dis->rcItem, RGB(200, 220, 255));
    return TRUE;
  }
  return win::CallWindowProc(g_menuBase, hwnd, msg, wParam, lParam);
}
}  // namespace

// The owner-drawn menus: the owner measures and draws each item when the menu shows.
TEST(Menus, OwnerDrawnItemsAreMeasuredAndDrawnByTheOwner) {
  TestWindow w(100, 100);
  std::vector<DRAWITEMSTRUCT> draws;
  g_menuDraws = &draws;
  g_menuBase = reinterpret_cast<WNDPROC>(win::SetWindowLongPtr(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuOwner)));
  HMENU menu = win::CreatePopupMenu();
  static int records[2] = {1, 2};
  win::AppendMenu(menu, MF_OWNERDRAW, 1021, reinterpret_cast<LPCWSTR>(&records[0]));
  win::AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  win::AppendMenu(menu, MF_OWNERDRAW | MF_GRAYED, 1022, reinterpret_cast<LPCWSTR>(&records[1]));
  std::vector<gdi::MenuPrompt> shown;
  auto previous = gdi::SetMenuChooser(gdi::ChooseById(0, &shown));
  EXPECT_FALSE(win::TrackPopupMenu(menu, TPM_LEFTBUTTON, 0, 0, 0, w.hwnd(), nullptr));
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].CtlType, ODT_MENU);
  EXPECT_EQ(draws[0].itemID, 1021u);
  EXPECT_EQ(draws[0].itemData, reinterpret_cast<std::uintptr_t>(&records[0]));
  EXPECT_EQ(draws[0].hwndItem, reinterpret_cast<HWND>(menu));
  EXPECT_EQ(draws[0].rcItem.bottom - draws[0].rcItem.top, 22);
  EXPECT_TRUE(draws[1].itemState & ODS_GRAYED);
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_TRUE(shown[0].picture);
  EXPECT_EQ(shown[0].picture->width(), 126);
  EXPECT_EQ(shown[0].picture->GetPixel(10, 10), RGB(200, 220, 255));

  // the tray menu in the classic look, with its default item
  HMENU tray = win::LoadMenu(nullptr, 439);
  win::SetMenuDefaultItem(win::GetSubMenu(tray, 0), 0, TRUE);
  auto dir = std::filesystem::path(MX_BINARY_DIR) / "test-output";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(gdi::PaintMenu(win::GetSubMenu(tray, 0), w.hwnd())->SavePng(dir / "tray-menu.png"));
  win::DestroyMenu(tray);
  win::DestroyMenu(menu);
  gdi::SetMenuChooser(previous);
  win::SetWindowLongPtr(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_menuBase));
  g_menuDraws = nullptr;
}

// The repair page's animation: clip 210 played without end, one frame per timer tick.
TEST(Animation, PlaysFramesOnItsTimerAndRepeats) {
  TestWindow w(100, 100);
  HWND anim = w.AddControl(ANIMATE_CLASS, L"", ACS_CENTER, 10, 10, 60, 60, 210);
  EXPECT_EQ(gdi::controls::AnimationFrame(anim), -1);
  EXPECT_FALSE(Send(anim, ACM_OPENW, 0, 4321)) << "no such clip";
  ASSERT_TRUE(Send(anim, ACM_OPENW, 0, 210));
  ASSERT_TRUE(Send(anim, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, static_cast<WORD>(-1))));
  EXPECT_TRUE(Send(anim, ACM_ISPLAYING));
  for (int i = 0; i < 9; ++i) Send(anim, WM_TIMER, 1, 0);
  EXPECT_EQ(gdi::controls::AnimationFrame(anim), 1) << "eight frames, then from the start again";
  Send(anim, ACM_STOP);
  EXPECT_FALSE(Send(anim, ACM_ISPLAYING));

  Send(anim, ACM_PLAY, 1, MAKELPARAM(6, 7));  // once, the last two frames
  Send(anim, WM_TIMER, 1, 0);
  EXPECT_EQ(gdi::controls::AnimationFrame(anim), 7);
  Send(anim, WM_TIMER, 1, 0);
  EXPECT_FALSE(Send(anim, ACM_ISPLAYING)) << "a single play ends on its last frame";
  EXPECT_EQ(gdi::controls::AnimationFrame(anim), 7);
}
