#include "platform/gdi/Menu.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "platform/base/Text.h"
#include "platform/gdi/ControlCommon.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

struct Item {
  UINT flags = 0;  // type and state bits (MF_*)
  UINT id = 0;
  std::wstring text;
  HMENU sub = nullptr;
  std::uintptr_t data = 0;
};

struct Menu {
  std::vector<Item> items;
  int defaultItem = -1;  // position
};

struct MenuTable {
  std::recursive_mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<Menu>> menus;
  uintptr_t next = 0x300000;
  std::map<HWND, HMENU> systemMenus;
  gdi::MenuChooser chooser;
};

MenuTable& Table() {
  static auto* t = new MenuTable;
  return *t;
}

std::shared_ptr<Menu> Find(HMENU h) {
  auto& t = Table();
  std::lock_guard lock(t.mutex);
  auto it = t.menus.find(reinterpret_cast<uintptr_t>(h));
  return it == t.menus.end() ? nullptr : it->second;
}

HMENU NewMenu() {
  auto& t = Table();
  std::lock_guard lock(t.mutex);
  uintptr_t id = (t.next += 4);
  t.menus.emplace(id, std::make_shared<Menu>());
  return reinterpret_cast<HMENU>(id);
}

constexpr UINT kTypeBits = MF_POPUP | MF_OWNERDRAW | MF_SEPARATOR;
constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;

// The item by position or by command (searching pop-ups too); the menu that holds it comes back in *owner.
Item* Locate(const std::shared_ptr<Menu>& menu, UINT item, UINT flags, std::shared_ptr<Menu>* owner, int* position) {
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION) {
    if (item >= menu->items.size()) return nullptr;
    if (owner) *owner = menu;
    if (position) *position = static_cast<int>(item);
    return &menu->items[item];
  }
  for (size_t i = 0; i < menu->items.size(); ++i) {
    Item& it = menu->items[i];
    if (!(it.flags & MF_POPUP) && !(it.flags & MF_SEPARATOR) && it.id == item) {
      if (owner) *owner = menu;
      if (position) *position = static_cast<int>(i);
      return &it;
    }
    if (it.flags & MF_POPUP)
      if (Item* found = Locate(Find(it.sub), item, flags, owner, position)) return found;
  }
  return nullptr;
}

Item MakeItem(UINT flags, UINT_PTR id, LPCWSTR text) {
  Item it;
  it.flags = flags & (kTypeBits | kStateBits);
  if (flags & MF_POPUP) it.sub = reinterpret_cast<HMENU>(id);
  else it.id = static_cast<UINT>(id);
  if (flags & MF_OWNERDRAW) it.data = reinterpret_cast<std::uintptr_t>(text);
  else if (text && !(flags & MF_SEPARATOR)) it.text = text;
  return it;
}

std::vector<gdi::MenuItemView> View(HMENU h, int depth = 0) {
  std::vector<gdi::MenuItemView> out;
  auto menu = Find(h);
  if (!menu || depth > 16) return out;
  for (size_t i = 0; i < menu->items.size(); ++i) {
    const Item& it = menu->items[i];
    gdi::MenuItemView v;
    v.id = it.id;
    v.text = it.text;
    v.flags = it.flags | (static_cast<int>(i) == menu->defaultItem ? MF_DEFAULT : 0);
    v.data = it.data;
    if (it.flags & MF_POPUP) v.sub = View(it.sub, depth + 1);
    out.push_back(std::move(v));
  }
  return out;
}

bool Choosable(HMENU h, UINT id) {
  auto menu = Find(h);
  Item* it = Locate(menu, id, MF_BYCOMMAND, nullptr, nullptr);
  return it && id != 0 && !(it->flags & (MF_GRAYED | MF_DISABLED));
}

}  // namespace

namespace gdi {

std::shared_ptr<Surface> PaintMenu(HMENU menu, HWND owner, std::shared_ptr<DrawLog> log,
                                   std::vector<RECT>* itemRects) {
  const auto items = View(menu);
  NONCLIENTMETRICSW metrics;
  win::SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = win::CreateFontIndirect(&metrics.lfMenuFont);
  LOGFONTW boldLf = metrics.lfMenuFont;
  boldLf.lfWeight = FW_BOLD;
  HFONT bold = win::CreateFontIndirect(&boldLf);
  HDC measure = win::CreateCompatibleDC(nullptr);
  win::SelectObject(measure, font);
  TEXTMETRICW tm;
  win::GetTextMetrics(measure, &tm);

  // sizes first, as the menu does before it shows
  std::vector<SIZE> sizes;
  int width = 0, height = 0;
  for (const auto& item : items) {
    SIZE size{0, tm.tmHeight + 6};
    if (item.flags & MF_SEPARATOR) {
      size.cy = 9;
    } else if (item.flags & MF_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = item.id;
      mis.itemData = item.data;
      if (owner) win::SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      size = SIZE{static_cast<LONG>(mis.itemWidth), static_cast<LONG>(mis.itemHeight)};
    } else {
      SIZE ext{};
      win::GetTextExtentPoint32(measure, item.text.c_str(), static_cast<int>(item.text.size()), &ext);
      size.cx = ext.cx + 60;  // check-mark column, accelerator gap, arrow
    }
    sizes.push_back(size);
    width = std::max<int>(width, size.cx);
    height += size.cy;
  }
  win::DeleteDC(measure);
  auto surface = std::make_shared<Surface>(width + 6, height + 6);
  HDC hdc = CreateSurfaceDC(surface, POINT{}, SIZE{width + 6, height + 6});
  if (log) SetDrawLog(hdc, log);
  RECT all{0, 0, width + 6, height + 6};
  win::FillRect(hdc, &all, win::GetSysColorBrush(COLOR_MENU));
  Draw3dRect(hdc, all, win::GetSysColor(COLOR_3DLIGHT), win::GetSysColor(COLOR_3DDKSHADOW));
  win::SetBkMode(hdc, TRANSPARENT);
  int y = 3;
  for (size_t i = 0; i < items.size(); ++i) {
    const auto& item = items[i];
    RECT r{3, y, 3 + width, y + static_cast<LONG>(sizes[i].cy)};
    y = r.bottom;
    if (itemRects) itemRects->push_back(r);
    const bool grayed = item.flags & (MF_GRAYED | MF_DISABLED);
    if (item.flags & MF_SEPARATOR) {
      RECT line{r.left + 2, r.top + 4, r.right - 2, r.top + 6};
      win::DrawEdge(hdc, &line, EDGE_ETCHED, BF_TOP);
    } else if (item.flags & MF_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_MENU;
      dis.itemID = item.id;
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (grayed ? ODS_GRAYED | ODS_DISABLED : 0) | ((item.flags & MF_CHECKED) ? ODS_CHECKED : 0) |
                      ((item.flags & MF_DEFAULT) ? ODS_DEFAULT : 0);
      dis.hwndItem = reinterpret_cast<HWND>(menu);
      dis.hDC = hdc;
      dis.rcItem = r;
      dis.itemData = item.data;
      if (owner) win::SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    } else {
      win::SelectObject(hdc, (item.flags & MF_DEFAULT) ? bold : font);
      win::SetTextColor(hdc, win::GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
      std::wstring label = item.text, accel;
      if (size_t tab = label.find(L'\t'); tab != std::wstring::npos) {
        accel = label.substr(tab + 1);
        label.resize(tab);
      }
      RECT text{r.left + 24, r.top, r.right - 20, r.bottom};
      win::DrawText(hdc, label.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER);
      if (!accel.empty()) win::DrawText(hdc, accel.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
      if (item.flags & MF_CHECKED) controls::DrawCheckMark(hdc, r.left + 8, (r.top + r.bottom) / 2 - 4, win::GetTextColor(hdc));
      if (item.flags & MF_POPUP) win::TextOut(hdc, r.right - 14, r.top + 3, L">", 1);
    }
  }
  win::DeleteDC(hdc);
  win::DeleteObject(font);
  win::DeleteObject(bold);
  return surface;
}

MenuChooser SetMenuChooser(MenuChooser chooser) {
  auto& t = Table();
  std::lock_guard lock(t.mutex);
  return std::exchange(t.chooser, std::move(chooser));
}

MenuChooser ChooseById(UINT id, std::vector<MenuPrompt>* shown) {
  return [id, shown](const MenuPrompt& p) {
    if (shown) shown->push_back(p);
    return id;
  };
}

HMENU ParseMenuText(const std::string& text, std::string* error) {
  std::vector<HMENU> stack{win::CreateMenu()};
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) -> HMENU {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    win::DestroyMenu(stack.front());
    return nullptr;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    std::string rest = line.substr(start);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) rest.pop_back();
    auto quoted = [&](std::string& s, std::string& after) {
      size_t a = s.find('"'), b = a == std::string::npos ? a : s.find('"', a + 1);
      if (b == std::string::npos) return false;
      after = s.substr(b + 1);
      s = s.substr(a + 1, b - a - 1);
      return true;
    };
    if (rest == "END") {
      if (stack.size() < 2) return fail("END without POPUP");
      stack.pop_back();
    } else if (rest.rfind("POPUP", 0) == 0) {
      std::string label = rest, after;
      if (!quoted(label, after)) return fail("POPUP needs a quoted text");
      HMENU sub = win::CreatePopupMenu();
      win::AppendMenu(stack.back(), MF_POPUP, reinterpret_cast<UINT_PTR>(sub), mx::Utf8ToWide(label).c_str());
      stack.push_back(sub);
    } else if (rest == "MENUITEM SEPARATOR") {
      win::AppendMenu(stack.back(), MF_SEPARATOR, 0, nullptr);
    } else if (rest.rfind("MENUITEM", 0) == 0) {
      std::string label = rest, after;
      if (!quoted(label, after)) return fail("MENUITEM needs a quoted text");
      std::istringstream fields(after);
      long id = -1;
      if (!(fields >> id) || id < 0 || id > 0xFFFF) return fail("MENUITEM needs a command id from 0 to 65535");
      UINT flags = MF_STRING;
      std::string word;
      while (fields >> word) {
        if (word == "GRAYED") flags |= MF_GRAYED;
        else if (word == "CHECKED") flags |= MF_CHECKED;
        else return fail("unknown option " + word);
      }
      win::AppendMenu(stack.back(), flags, static_cast<UINT_PTR>(id), mx::Utf8ToWide(label).c_str());
    } else {
      return fail("expected POPUP, MENUITEM or END");
    }
  }
  if (stack.size() != 1) return fail("POPUP without END");
  return stack.front();
}

}  // namespace gdi

namespace win {

HMENU CreateMenu() { return NewMenu(); }
HMENU CreatePopupMenu() { return NewMenu(); }

BOOL DestroyMenu(HMENU menu) {
  std::shared_ptr<Menu> m;
  {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.menus.find(reinterpret_cast<uintptr_t>(menu));
    if (it == t.menus.end()) return FALSE;
    m = it->second;
    t.menus.erase(it);
  }
  for (const Item& it : m->items)
    if (it.flags & MF_POPUP) DestroyMenu(it.sub);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return Find(menu) ? TRUE : FALSE; }

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
  auto m = Find(menu);
  if (!m) return FALSE;
  if ((flags & MF_POPUP) && (!Find(reinterpret_cast<HMENU>(id)) || reinterpret_cast<HMENU>(id) == menu)) return FALSE;
  std::lock_guard lock(Table().mutex);
  m->items.push_back(MakeItem(flags, id, text));
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCWSTR text) {
  auto m = Find(menu);
  if (!m) return FALSE;
  std::lock_guard lock(Table().mutex);
  size_t at = m->items.size();
  if (flags & MF_BYPOSITION) {
    if (position != 0xFFFFFFFFu) at = std::min<size_t>(position, m->items.size());
  } else {
    int pos = -1;
    std::shared_ptr<Menu> owner;
    if (Locate(m, position, MF_BYCOMMAND, &owner, &pos) && owner == m) at = static_cast<size_t>(pos);
  }
  m->items.insert(m->items.begin() + static_cast<long>(at), MakeItem(flags & ~MF_BYPOSITION, id, text));
  return TRUE;
}

namespace {
BOOL Remove(HMENU menu, UINT item, UINT flags, bool destroySub) {
  auto m = Find(menu);
  std::shared_ptr<Menu> owner;
  int pos = -1;
  HMENU sub = nullptr;
  {
    std::lock_guard lock(Table().mutex);
    Item* it = Locate(m, item, flags, &owner, &pos);
    if (!it) return FALSE;
    if (it->flags & MF_POPUP) sub = it->sub;
    owner->items.erase(owner->items.begin() + pos);
    if (owner->defaultItem == pos) owner->defaultItem = -1;
  }
  if (sub && destroySub) DestroyMenu(sub);
  return TRUE;
}
}  // namespace

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) { return Remove(menu, item, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags) { return Remove(menu, item, flags, false); }

int GetMenuItemCount(HMENU menu) {
  auto m = Find(menu);
  std::lock_guard lock(Table().mutex);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  auto m = Find(menu);
  std::lock_guard lock(Table().mutex);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return 0xFFFFFFFFu;
  const Item& it = m->items[position];
  return (it.flags & MF_POPUP) ? 0xFFFFFFFFu : it.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  auto m = Find(menu);
  std::lock_guard lock(Table().mutex);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  const Item& it = m->items[position];
  return (it.flags & MF_POPUP) ? it.sub : nullptr;
}

int GetMenuString(HMENU menu, UINT item, LPWSTR buffer, int max, UINT flags) {
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, flags, nullptr, nullptr);
  if (!it) return 0;
  if (!buffer || max <= 0) return static_cast<int>(it->text.size());
  int n = std::min(static_cast<int>(it->text.size()), max - 1);
  std::copy_n(it->text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, flags, nullptr, nullptr);
  if (!it) return 0xFFFFFFFFu;
  if (it->flags & MF_POPUP) return (static_cast<UINT>(GetMenuItemCount(it->sub)) << 8) | (it->flags & 0xFF);
  return it->flags;
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOW* info) {
  if (!info) return FALSE;
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, byPosition ? MF_BYPOSITION : 0, nullptr, nullptr);
  if (!it) return FALSE;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it->flags & (MF_OWNERDRAW | MF_SEPARATOR);
  if (info->fMask & MIIM_STATE) info->fState = it->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
  if (info->fMask & MIIM_ID) info->wID = it->id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = it->data;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    if (info->dwTypeData && info->cch > 0) {
      size_t n = std::min<size_t>(it->text.size(), info->cch - 1);
      std::copy_n(it->text.data(), n, info->dwTypeData);
      info->dwTypeData[n] = 0;
    }
    info->cch = static_cast<UINT>(it->text.size());
  }
  return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) {
  if (!info) return FALSE;
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, byPosition ? MF_BYPOSITION : 0, nullptr, nullptr);
  if (!it) return FALSE;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE))
    it->flags = (it->flags & ~(MF_OWNERDRAW | MF_SEPARATOR)) | (info->fType & (MF_OWNERDRAW | MF_SEPARATOR));
  if (info->fMask & MIIM_STATE)
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT)) |
                (info->fState & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT));
  if (info->fMask & MIIM_ID) it->id = info->wID;
  if (info->fMask & MIIM_DATA) it->data = info->dwItemData;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) it->text = info->dwTypeData ? info->dwTypeData : L"";
  return TRUE;
}

DWORD EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, flags, nullptr, nullptr);
  if (!it) return 0xFFFFFFFFu;
  DWORD old = it->flags & (MF_GRAYED | MF_DISABLED);
  it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return old;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(Table().mutex);
  Item* it = Locate(Find(menu), item, flags, nullptr, nullptr);
  if (!it) return 0xFFFFFFFFu;
  DWORD old = it->flags & MF_CHECKED;
  it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return old;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
  auto m = Find(menu);
  std::lock_guard lock(Table().mutex);
  if (!m) return FALSE;
  if (item == 0xFFFFFFFFu) {
    m->defaultItem = -1;
    return TRUE;
  }
  std::shared_ptr<Menu> owner;
  int pos = -1;
  if (!Locate(m, item, byPosition ? MF_BYPOSITION : 0, &owner, &pos) || owner != m) return FALSE;
  m->defaultItem = pos;
  return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT) {
  auto m = Find(menu);
  std::lock_guard lock(Table().mutex);
  if (!m || m->defaultItem < 0) return 0xFFFFFFFFu;
  return byPosition ? static_cast<UINT>(m->defaultItem) : m->items[m->defaultItem].id;
}

HMENU LoadMenu(HINSTANCE, UINT id) {
  auto text = gdi::LoadResourceFile("menus", id, "menu");
  return text ? gdi::ParseMenuText(*text) : nullptr;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!IsMenu(menu)) return FALSE;
  if (owner && !(flags & TPM_NONOTIFY)) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  gdi::MenuPrompt prompt;
  prompt.picture = gdi::PaintMenu(menu, owner, nullptr, &prompt.itemRects);
  prompt.menu = menu;
  prompt.owner = owner;
  prompt.pt = POINT{x, y};
  prompt.items = View(menu);
  gdi::MenuChooser chooser;
  {
    std::lock_guard lock(Table().mutex);
    chooser = Table().chooser;
  }
  // a shown menu is a modal loop: messages other threads are sending to this one are handled meanwhile (a
  // chooser that waits for a person runs such a loop itself)
  MSG pending;
  PeekMessage(&pending, nullptr, 0, 0, PM_NOREMOVE);
  UINT id = chooser ? chooser(prompt) : 0;
  // a made-up, grayed or disabled command is the same as dismissing the menu
  if (id == 0 || !Choosable(menu, id)) return FALSE;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(id);
  if (owner) {
    bool system = false;
    {
      std::lock_guard lock(Table().mutex);
      auto it = Table().systemMenus.find(owner);
      system = it != Table().systemMenus.end() && it->second == menu;
    }
    PostMessage(owner, system ? WM_SYSCOMMAND : WM_COMMAND, id, 0);
  }
  return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  if (!IsWindow(hwnd)) return nullptr;
  auto& t = Table();
  HMENU old = nullptr;
  {
    std::lock_guard lock(t.mutex);
    // menus of windows that are gone go with them
    for (auto it = t.systemMenus.begin(); it != t.systemMenus.end();) {
      if (!IsWindow(it->first)) {
        t.menus.erase(reinterpret_cast<uintptr_t>(it->second));
        it = t.systemMenus.erase(it);
      } else {
        ++it;
      }
    }
    auto it = t.systemMenus.find(hwnd);
    if (it != t.systemMenus.end()) {
      if (!revert) return it->second;
      old = it->second;
      t.systemMenus.erase(it);
    }
  }
  if (old) DestroyMenu(old);
  if (revert) return nullptr;
  HMENU m = CreatePopupMenu();
  AppendMenu(m, MF_STRING, SC_RESTORE, L"&Restore");
  AppendMenu(m, MF_STRING, SC_MOVE, L"&Move");
  AppendMenu(m, MF_STRING, SC_SIZE, L"&Size");
  AppendMenu(m, MF_STRING, SC_MINIMIZE, L"Mi&nimize");
  AppendMenu(m, MF_STRING, SC_MAXIMIZE, L"Ma&ximize");
  AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  AppendMenu(m, MF_STRING, SC_CLOSE, L"&Close\tAlt+F4");
  std::lock_guard lock(t.mutex);
  t.systemMenus[hwnd] = m;
  return m;
}

}  // namespace win

BOOL CMenu::Attach(HMENU menu) {
  if (!menu || m_hMenu) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  for (auto& s : subs_) s->Detach();
  subs_.clear();
  return std::exchange(m_hMenu, nullptr);
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return win::DestroyMenu(Detach());
}

CMenu* CMenu::GetSubMenu(int position) {
  HMENU sub = win::GetSubMenu(m_hMenu, position);
  if (!sub) return nullptr;
  for (auto& s : subs_)
    if (s->m_hMenu == sub) return s.get();
  auto wrapper = std::make_unique<CMenu>();
  wrapper->m_hMenu = sub;
  subs_.push_back(std::move(wrapper));
  return subs_.back().get();
}
