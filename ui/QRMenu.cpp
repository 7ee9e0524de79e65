#include "ui/QRMenu.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <mutex>

#include "platform/gdi/Images.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "ui/QRMenuMemDC.h"

namespace {

constexpr COLORREF kHighlightFrame = RGB(177, 213, 238);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Process-wide state of the owner-drawn menus, made on first use and kept for the whole run.
struct MenuGlobals {
  std::mutex mutex;
  std::vector<HMENU> handles;
  std::vector<UINT> commandIds;
  HFONT boldFont = nullptr;
  HFONT regularFont = nullptr;
  SIZE picture{19, 19};
};

MenuGlobals& Globals() {
  static MenuGlobals* globals = new MenuGlobals;  // lives as long as the process, like its fonts
  return *globals;
}

HFONT MakeFont(LONG weight) {
  LOGFONTW lf{};
  lf.lfHeight = -11;
  lf.lfWeight = weight;
  lf.lfQuality = 2;
  std::wcsncpy(lf.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
  return win::CreateFontIndirect(&lf);
}

void RemoveHandle(HMENU menu) {
  auto& g = Globals();
  std::lock_guard lock(g.mutex);
  g.handles.erase(std::remove(g.handles.begin(), g.handles.end(), menu), g.handles.end());
}

int Channel(double c) { return std::clamp(static_cast<int>(c), 0, 255); }

bool ValidFactor(double f) { return f > 0.0 && f <= 1.0; }

LOGFONTW MenuFont() {
  NONCLIENTMETRICSW metrics;
  metrics.cbSize = 500;
  win::SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0);
  return metrics.lfMenuFont;
}

// Splits a text at its last tab: the part before and the part after (empty without a tab).
std::pair<std::wstring, std::wstring> SplitAtLastTab(const std::wstring& text) {
  const size_t tab = text.rfind(L'\t');
  if (tab == std::wstring::npos) return {text, L""};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

// The single picture of the item, drawn transparent at (x, y).
void DrawPicture(CDC& dc, const QRMenuData* data, int x, int y) {
  if (!data || data->pictureFlag != 0 || !data->images) return;
  data->images->Draw(&dc, 0, POINT{x, y}, ILD_TRANSPARENT);
}

void DrawCheckMark(CDC& dc, const RECT& cell, COLORREF colour) {
  CPen pen(PS_SOLID, 2, colour);
  CPen* old = dc.SelectObject(&pen);
  const int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2;
  dc.MoveTo(cx - 4, cy);
  dc.LineTo(cx - 1, cy + 3);
  dc.LineTo(cx + 4, cy - 3);
  dc.SelectObject(old);
}

}  // namespace

COLORREF LightenColor(COLORREF c, double f) {
  if (!ValidFactor(f)) return c;
  auto up = [f](int v) { return Channel(v + f * (255 - v)); };
  return RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
}

COLORREF DarkenColor(COLORREF c, double f) {
  if (!ValidFactor(f)) return c;
  auto down = [f](int v) { return Channel(v - f * v); };
  return RGB(down(GetRValue(c)), down(GetGValue(c)), down(GetBValue(c)));
}

SIZE QRMenuPictureSize() {
  auto& g = Globals();
  std::lock_guard lock(g.mutex);
  return g.picture;
}

int ClassifyWindowsVersion() { return 1; }  // the platform stands in for an NT 6.x system

bool IsClassicTheme() {
  static const bool classic = false;  // themed, as every supported system draws its menus
  return classic;
}

bool IsQRMenuHandle(HMENU menu) {
  auto& g = Globals();
  std::lock_guard lock(g.mutex);
  return std::find(g.handles.begin(), g.handles.end(), menu) != g.handles.end();
}

QRMenu::QRMenu() {
  auto& g = Globals();
  std::lock_guard lock(g.mutex);
  if (!g.boldFont) g.boldFont = MakeFont(700);
  if (!g.regularFont) g.regularFont = MakeFont(400);
}

QRMenu::~QRMenu() { DestroyMenu(); }

BOOL QRMenu::AppendImageItem(const std::wstring& text, UINT id, CImageList* pictures, int pictureIndex) {
  if (!m_hMenu) return FALSE;
  auto data = std::make_unique<QRMenuData>();
  data->text = text;
  data->id = id;
  data->flags = MF_OWNERDRAW | (id == 0 ? MF_SEPARATOR : 0);
  if (pictures && pictures->GetSafeHandle()) {
    int cx = 0, cy = 0;
    win::ImageList_GetIconSize(*pictures, &cx, &cy);
    // the picture is copied, so the caller's list may go away before the menu does
    CDC screen;
    screen.Attach(win::CreateCompatibleDC(nullptr));
    CBitmap copy;
    copy.CreateBitmap(cx, cy, 1, 32, nullptr);
    CBitmap* old = screen.SelectObject(&copy);
    screen.FillSolidRect(0, 0, cx, cy, kMagenta);
    pictures->Draw(&screen, pictureIndex, POINT{0, 0}, ILD_TRANSPARENT);
    screen.SelectObject(old);
    data->images = std::make_unique<CImageList>();
    data->images->Create(cx, cy, ILC_MASK | ILC_COLOR24, 1, 1);
    if (data->images->Add(&copy, kMagenta) >= 0) {
      data->pictureIndex = 0;
      data->pictureFlag = 0;
    }
  }
  QRMenuData* record = data.get();
  m_items.push_back(std::move(data));
  return win::AppendMenu(m_hMenu, record->flags, id, reinterpret_cast<LPCWSTR>(record));
}

BOOL QRMenu::AppendOwnerDrawItem(const std::wstring& text, UINT flags, UINT_PTR id) {
  if (!m_hMenu) return FALSE;
  auto data = std::make_unique<QRMenuData>();
  data->text = text;
  data->flags = flags | MF_OWNERDRAW | (id == 0 && !(flags & MF_POPUP) ? MF_SEPARATOR : 0);
  data->id = (flags & MF_POPUP) ? 0 : static_cast<UINT>(id);
  {
    auto& g = Globals();
    std::lock_guard lock(g.mutex);
    if (flags & MF_POPUP) g.handles.push_back(reinterpret_cast<HMENU>(id));
    g.picture = SIZE{16, 16};
  }
  QRMenuData* record = data.get();
  m_items.push_back(std::move(data));
  return win::AppendMenu(m_hMenu, record->flags, id, reinterpret_cast<LPCWSTR>(record));
}

void QRMenu::AppendFrom(HMENU source) {
  const int count = win::GetMenuItemCount(source);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    win::GetMenuString(source, static_cast<UINT>(i), text, 255, MF_BYPOSITION);
    const UINT state = win::GetMenuState(source, static_cast<UINT>(i), MF_BYPOSITION);
    if (HMENU sub = win::GetSubMenu(source, i)) {
      auto child = std::make_unique<QRMenu>();
      child->Attach(win::CreatePopupMenu());
      child->AppendFrom(sub);
      const HMENU handle = child->m_hMenu;
      m_subMenus.push_back(std::move(child));
      AppendOwnerDrawItem(text, MF_POPUP, reinterpret_cast<UINT_PTR>(handle));
    } else {
      const UINT id = win::GetMenuItemID(source, i);
      const UINT keep = state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR);
      AppendOwnerDrawItem(text, keep, (state & MF_SEPARATOR) ? 0 : id);
    }
  }
}

BOOL QRMenu::LoadMenu(UINT resourceId) {
  HMENU source = win::LoadMenu(nullptr, resourceId);
  if (!source) return FALSE;
  DestroyMenu();
  Attach(win::CreatePopupMenu());
  {
    auto& g = Globals();
    std::lock_guard lock(g.mutex);
    g.handles.push_back(m_hMenu);
  }
  // a menu resource holds its items in one top-level pop-up or directly
  HMENU items = win::GetMenuItemCount(source) == 1 && win::GetSubMenu(source, 0) ? win::GetSubMenu(source, 0) : source;
  AppendFrom(items);
  win::DestroyMenu(source);
  return TRUE;
}

BOOL QRMenu::DestroyMenu() {
  if (m_hMenu) RemoveHandle(m_hMenu);
  for (auto& sub : m_subMenus) {
    if (sub->m_hMenu) {
      RemoveHandle(sub->m_hMenu);
      // the parent menu destroys its pop-ups with it
      sub->Detach();
    }
  }
  m_subMenus.clear();
  m_items.clear();
  return m_hMenu ? CMenu::DestroyMenu() : FALSE;
}

void QRMenu::MeasureItem(MEASUREITEMSTRUCT* item) {
  if (!item) return;
  const auto* data = reinterpret_cast<const QRMenuData*>(item->itemData);
  if (!data || (data->flags & MF_SEPARATOR)) {
    item->itemWidth = 0;
    item->itemHeight = 3;
    return;
  }
  const int version = ClassifyWindowsVersion();
  int textWidth = 0;
  if (version != 0) {
    win::CWnd* main = win::AfxGetMainWnd();
    HWND hwnd = main ? main->m_hWnd : nullptr;
    HDC dc = win::GetDC(hwnd);
    HFONT font = nullptr;
    HGDIOBJ old = nullptr;
    if (version > 1) {
      const LOGFONTW lf = MenuFont();
      font = win::CreateFontIndirect(&lf);
      old = win::SelectObject(dc, font);
    } else {
      // Without the menu font the DC's own font would measure the text narrower than the font it is drawn
      // in, and the end of long names would be cut off: measure with the drawing font.
      auto& g = Globals();
      old = win::SelectObject(dc, data->bold ? g.boldFont : g.regularFont);
    }
    SIZE size{};
    win::GetTextExtentPoint32(dc, data->text.c_str(), static_cast<int>(data->text.size()), &size);
    textWidth = size.cx;
    win::SelectObject(dc, old);
    if (font) win::DeleteObject(font);
    win::ReleaseDC(hwnd, dc);
  }
  const SIZE picture = QRMenuPictureSize();
  // The text is drawn from the picture column (picture + 14) and an 8-pixel gap on; a width of only
  // picture + 12 beside the text would cut the end of the longest item off.
  item->itemWidth = static_cast<UINT>(textWidth + picture.cx + 14 + 8 + 4);
  item->itemHeight = static_cast<UINT>(std::max(win::GetSystemMetrics(SM_CYMENU), 4 + static_cast<int>(picture.cy)));
}

void QRMenu::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item || !item->hDC) return;
  CDC dc;
  dc.Attach(item->hDC);
  const auto* data = reinterpret_cast<const QRMenuData*>(item->itemData);
  if (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) DrawClassic(dc, *item, data);
  else DrawFlat(dc, *item, data);
  dc.Detach();
}

void QRMenu::DrawFlat(CDC& target, const DRAWITEMSTRUCT& item, const QRMenuData* data) {
  const SIZE picture = QRMenuPictureSize();
  const RECT r = item.rcItem;
  const COLORREF window = win::GetSysColor(COLOR_WINDOW);
  const COLORREF back = DarkenColor(window, 0.02);
  const COLORREF column = LightenColor(window, 0.25);
  const COLORREF fill = LightenColor(kHighlightFrame, 0.85);
  const int c = picture.cx + 14;
  const bool grayed = item.itemState & ODS_GRAYED;
  const bool selected = (item.itemState & ODS_SELECTED) && !grayed;

  // a grayed item is drawn off-screen with the system menu font
  std::unique_ptr<QRMenuMemDC> buffer;
  CFont menuFont;
  if (grayed) {
    buffer = std::make_unique<QRMenuMemDC>(&target, r);
    const LOGFONTW lf = MenuFont();
    menuFont.CreateFontIndirect(&lf);
    buffer->SelectObject(&menuFont);
  }
  CDC& dc = buffer ? static_cast<CDC&>(*buffer) : target;
  const RECT columnRect{r.left, r.top, r.left + c, r.bottom};

  if (!data || (data->flags & MF_SEPARATOR)) {
    dc.FillSolidRect(&r, back);
    const int middle = (r.top + r.bottom) / 2;
    RECT line{r.left + c + 14, middle, r.right, middle + 2};
    dc.DrawEdge(&line, EDGE_ETCHED, BF_TOP);
    dc.FillSolidRect(&columnRect, column);
    return;
  }

  if (selected) {
    dc.FillSolidRect(&r, fill);
    dc.Draw3dRect(&r, kHighlightFrame, kHighlightFrame);
  } else {
    dc.FillSolidRect(&r, back);
    dc.Draw3dRect(&r, back, back);
    dc.FillSolidRect(&columnRect, column);
    dc.Draw3dRect(&columnRect, column, column);
  }

  const RECT cell{r.left + 1, r.top + 1, r.left + c - 2, r.bottom - 1};
  if (selected) {
    dc.FillSolidRect(&cell, fill);
  } else {
    dc.FillSolidRect(&cell, column);
    dc.Draw3dRect(&cell, column, column);
  }
  const int h = static_cast<int>((r.bottom - r.top - picture.cy) / 2.0 + 0.5);
  const int x = r.left + static_cast<int>((c - picture.cx) / 2.0 + 0.5);
  if (data->pictureFlag == 0) DrawPicture(dc, data, x, r.top + std::max(0, h + 4));
  else if (item.itemState & ODS_CHECKED) DrawCheckMark(dc, cell, win::GetSysColor(COLOR_MENUTEXT));

  RECT text{r.left + c + 8, r.top - 1, r.right, r.bottom - 1};
  dc.SetBkMode(TRANSPARENT);
  COLORREF colour = win::GetSysColor(COLOR_MENUTEXT);
  if (grayed) colour = selected ? win::GetSysColor(COLOR_GRAYTEXT) : LightenColor(win::GetSysColor(COLOR_GRAYTEXT), 0.4);
  dc.SetTextColor(colour);
  HGDIOBJ old = nullptr;
  if (!grayed) {
    auto& g = Globals();
    old = dc.SelectObject(static_cast<HGDIOBJ>(data->bold ? g.boldFont : g.regularFont));
  }
  const auto [label, right] = SplitAtLastTab(data->text);
  dc.DrawText(label, &text, DT_SINGLELINE | DT_VCENTER);
  if (!right.empty()) {
    text.right -= picture.cx;
    dc.DrawText(right, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
  if (old) dc.SelectObject(old);
}

void QRMenu::DrawClassic(CDC& dc, const DRAWITEMSTRUCT& item, const QRMenuData* data) {
  const SIZE picture = QRMenuPictureSize();
  const RECT r = item.rcItem;
  const COLORREF back = win::GetSysColor(COLOR_MENU);
  if (!data || (data->flags & MF_SEPARATOR)) {
    dc.FillSolidRect(&r, back);
    const int middle = (r.top + r.bottom) / 2;
    RECT line{r.left, middle, r.right, middle + 2};
    dc.DrawEdge(&line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const bool selected = item.itemState & ODS_SELECTED;
  const bool checked = item.itemState & ODS_CHECKED;
  const bool grayed = item.itemState & ODS_GRAYED;
  const bool hasPicture = data->pictureFlag == 0;
  if (selected) {
    dc.FillSolidRect(&r, back);
    RECT lit = r;
    if (hasPicture) lit.left = r.left + picture.cx + 5;
    dc.FillSolidRect(&lit, win::GetSysColor(COLOR_HIGHLIGHT));
  } else {
    dc.FillSolidRect(&r, back);
  }
  const int c = std::max(0, static_cast<int>((r.bottom - r.top - picture.cy - 4) / 2));
  const RECT cell{r.left + 1, r.top + c + 1, r.left + picture.cx + 3, r.top + c + picture.cy + 3};
  dc.FillSolidRect(&cell, checked && !selected ? LightenColor(back, 0.6) : back);
  if (ClassifyWindowsVersion() > 1 && (selected || checked)) {
    const COLORREF light = win::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = win::GetSysColor(COLOR_BTNSHADOW);
    dc.Draw3dRect(&cell, checked ? shadow : light, checked ? light : shadow);
  }
  if (hasPicture) DrawPicture(dc, data, r.left + 2, r.top + c + 2);
  else if (checked) DrawCheckMark(dc, cell, win::GetSysColor(COLOR_MENUTEXT));

  RECT text{r.left + picture.cx + 9, r.top, r.right, r.bottom};
  dc.SetBkMode(TRANSPARENT);
  const auto [label, right] = SplitAtLastTab(data->text);
  auto draw = [&](RECT rc, COLORREF colour) {
    dc.SetTextColor(colour);
    dc.DrawText(label, &rc, DT_SINGLELINE | DT_VCENTER);
    if (!right.empty()) dc.DrawText(right, &rc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  };
  if (grayed) {
    if (selected) {
      draw(text, back);
    } else {
      RECT raised{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
      draw(raised, win::GetSysColor(COLOR_BTNHIGHLIGHT));
      draw(text, win::GetSysColor(COLOR_GRAYTEXT));
    }
  } else {
    draw(text, win::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  }
}
