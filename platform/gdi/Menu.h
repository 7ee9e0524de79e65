#pragma once
// Menus: handles with items (strings, separators, pop-ups, owner-drawn items with their data), loaded from
// the menu resources, and TrackPopupMenu. Without a display the choice comes from the menu chooser that
// tests (and later the display) install; by default a menu is dismissed.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Controls.h"
#include "platform/gdi/DrawLog.h"
#include "platform/gdi/Surface.h"
#include "platform/win/WinDefs.h"

inline constexpr UINT MF_STRING = 0x0;
inline constexpr UINT MF_ENABLED = 0x0;
inline constexpr UINT MF_BYCOMMAND = 0x0;
inline constexpr UINT MF_UNCHECKED = 0x0;
inline constexpr UINT MF_GRAYED = 0x1;
inline constexpr UINT MF_DISABLED = 0x2;
inline constexpr UINT MF_CHECKED = 0x8;
inline constexpr UINT MF_POPUP = 0x10;
inline constexpr UINT MF_HILITE = 0x80;
inline constexpr UINT MF_OWNERDRAW = 0x100;
inline constexpr UINT MF_BYPOSITION = 0x400;
inline constexpr UINT MF_SEPARATOR = 0x800;
inline constexpr UINT MF_DEFAULT = 0x1000;
inline constexpr UINT MIIM_STATE = 0x1;
inline constexpr UINT MIIM_ID = 0x2;
inline constexpr UINT MIIM_SUBMENU = 0x4;
inline constexpr UINT MIIM_TYPE = 0x10;
inline constexpr UINT MIIM_DATA = 0x20;
inline constexpr UINT MIIM_STRING = 0x40;
inline constexpr UINT MIIM_FTYPE = 0x100;
inline constexpr UINT MFT_STRING = 0x0;
inline constexpr UINT MFT_OWNERDRAW = 0x100;
inline constexpr UINT MFT_SEPARATOR = 0x800;
inline constexpr UINT MFS_ENABLED = 0x0;
inline constexpr UINT MFS_GRAYED = 0x3;
inline constexpr UINT MFS_CHECKED = 0x8;
inline constexpr UINT MFS_DEFAULT = 0x1000;
inline constexpr UINT TPM_LEFTBUTTON = 0x0;
inline constexpr UINT TPM_RIGHTBUTTON = 0x2;
inline constexpr UINT TPM_NONOTIFY = 0x80;
inline constexpr UINT TPM_RETURNCMD = 0x100;
inline constexpr UINT SC_SIZE = 0xF000;
inline constexpr UINT SC_MOVE = 0xF010;
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_MAXIMIZE = 0xF030;
inline constexpr UINT SC_CLOSE = 0xF060;
inline constexpr UINT SC_RESTORE = 0xF120;

struct MENUITEMINFOW {
  UINT cbSize = sizeof(MENUITEMINFOW);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  std::uintptr_t dwItemData = 0;
  LPWSTR dwTypeData = nullptr;
  UINT cch = 0;
  HBITMAP hbmpItem = nullptr;
};

namespace win {

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);  // and its pop-ups
BOOL IsMenu(HMENU menu);
// MF_POPUP: id is the sub-menu's HMENU; MF_OWNERDRAW: text is the item data, kept as a pointer.
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text);
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags);  // keeps a removed pop-up alive
int GetMenuItemCount(HMENU menu);  // -1 for an unknown menu
UINT GetMenuItemID(HMENU menu, int position);  // 0xFFFFFFFF for pop-ups and missing items
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuString(HMENU menu, UINT item, LPWSTR buffer, int max, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);  // 0xFFFFFFFF when missing
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info);
// Returns the previous MF_GRAYED/MF_DISABLED bits, 0xFFFFFFFF when the item does not exist.
DWORD EnableMenuItem(HMENU menu, UINT item, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);
// From the menu resources; nullptr when missing or malformed.
HMENU LoadMenu(HINSTANCE instance, UINT id);
// The chosen command: returned with TPM_RETURNCMD, else posted to the owner as WM_COMMAND (TRUE when a
// command was chosen). WM_INITMENUPOPUP, and WM_MEASUREITEM for owner-drawn items, go to the owner first.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
// The window's own system menu (made on first use); revert drops the changes and returns nullptr.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

}  // namespace win

namespace gdi {

struct MenuItemView {
  UINT id = 0;
  std::wstring text;
  UINT flags = 0;  // MF_* of the item, with MF_GRAYED / MF_CHECKED / MF_DEFAULT state bits
  std::uintptr_t data = 0;
  std::vector<MenuItemView> sub;
};
struct MenuPrompt {
  HMENU menu = nullptr;
  HWND owner = nullptr;
  POINT pt{};
  std::vector<MenuItemView> items;
  std::shared_ptr<Surface> picture;  // the menu as it would show
  std::vector<RECT> itemRects;       // each item's place in the picture, in the items' order
};
// Draws a pop-up menu as it shows: owner-drawn items are measured (WM_MEASUREITEM) and drawn (WM_DRAWITEM,
// hwndItem being the menu) by the owner; the rest in the classic look. Calls are logged when a log is given.
std::shared_ptr<Surface> PaintMenu(HMENU menu, HWND owner, std::shared_ptr<DrawLog> log = nullptr,
                                   std::vector<RECT>* itemRects = nullptr);
// Answers which command a shown menu gives (0: dismissed). Called on the thread that shows the menu.
using MenuChooser = std::function<UINT(const MenuPrompt&)>;
// Installs the chooser; an empty one dismisses every menu. Returns the previous one.
MenuChooser SetMenuChooser(MenuChooser chooser);
// A chooser that answers one command, recording each menu it is shown in *shown when given.
MenuChooser ChooseById(UINT id, std::vector<MenuPrompt>* shown = nullptr);
// Parses the readable menu resource text; nullptr with a reason when it is malformed.
HMENU ParseMenuText(const std::string& text, std::string* error = nullptr);

}  // namespace gdi

// The class library's menu object: owns its menu unless detached.
class CMenu {
 public:
  CMenu() = default;
  ~CMenu() {
    if (m_hMenu) DestroyMenu();
    else Detach();
  }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  BOOL CreatePopupMenu() { return Attach(win::CreatePopupMenu()); }
  BOOL LoadMenu(UINT id) { return Attach(win::LoadMenu(nullptr, id)); }
  BOOL Attach(HMENU menu);
  HMENU Detach();
  BOOL DestroyMenu();
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }
  // A sub-menu owned by this menu (not destroyed with the returned object).
  CMenu* GetSubMenu(int position);
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) { return win::AppendMenu(m_hMenu, flags, id, text); }
  UINT GetMenuItemCount() const { return static_cast<UINT>(win::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int position) const { return win::GetMenuItemID(m_hMenu, position); }
  UINT EnableMenuItem(UINT item, UINT flags) { return win::EnableMenuItem(m_hMenu, item, flags); }
  BOOL SetMenuItemInfo(UINT item, const MENUITEMINFOW* info, BOOL byPos = FALSE) {
    return win::SetMenuItemInfo(m_hMenu, item, byPos, info);
  }
  BOOL SetDefaultItem(UINT item, BOOL byPos = FALSE) { return win::SetMenuDefaultItem(m_hMenu, item, byPos); }
  BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* rect = nullptr) {
    return win::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, rect);
  }

  HMENU m_hMenu = nullptr;

 private:
  std::vector<std::unique_ptr<CMenu>> subs_;
};
