#include "platform/gdi/DC.h"

CDC::~CDC() { DeleteDC(); }

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(win::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  HDC hdc = Detach();
  return win::DeleteDC(hdc);
}

BOOL CDC::Attach(HDC hdc) {
  if (!hdc || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = hdc;
  m_bPrinting = gdi::IsPrinterDC(hdc) ? TRUE : FALSE;
  return TRUE;
}

HDC CDC::Detach() {
  HDC hdc = m_hDC;
  m_hDC = m_hAttribDC = nullptr;
  return hdc;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (!object) return nullptr;
  return CGdiObject::FromHandle(SelectObject(object->m_hObject));
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
  HGDIOBJ old = win::SelectObject(m_hDC, object);
  if (m_hAttribDC && m_hAttribDC != m_hDC) win::SelectObject(m_hAttribDC, object);
  return old;
}

CGdiObject* CDC::SelectStockObject(int index) { return CGdiObject::FromHandle(SelectObject(win::GetStockObject(index))); }

CBitmap* CDC::GetCurrentBitmap() const {
  return CBitmap::FromHandle(static_cast<HBITMAP>(win::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

CFont* CDC::GetCurrentFont() const {
  return CFont::FromHandle(static_cast<HFONT>(win::GetCurrentObject(m_hDC, OBJ_FONT)));
}

COLORREF CDC::SetTextColor(COLORREF color) {
  COLORREF old = win::SetTextColor(m_hDC, color);
  if (m_hAttribDC != m_hDC) old = win::SetTextColor(m_hAttribDC, color);
  return old;
}

COLORREF CDC::SetBkColor(COLORREF color) {
  COLORREF old = win::SetBkColor(m_hDC, color);
  if (m_hAttribDC != m_hDC) old = win::SetBkColor(m_hAttribDC, color);
  return old;
}

int CDC::SetBkMode(int mode) {
  int old = win::SetBkMode(m_hDC, mode);
  if (m_hAttribDC != m_hDC) old = win::SetBkMode(m_hAttribDC, mode);
  return old;
}

int CDC::SetMapMode(int mode) {
  int old = win::SetMapMode(m_hDC, mode);
  if (m_hAttribDC != m_hDC) old = win::SetMapMode(m_hAttribDC, mode);
  return old;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT old{};
  win::SetWindowOrgEx(m_hDC, x, y, &old);
  if (m_hAttribDC != m_hDC) win::SetWindowOrgEx(m_hAttribDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetWindowOrg() const {
  POINT p{};
  win::GetWindowOrgEx(m_hAttribDC, &p);
  return CPoint(p);
}

CPoint CDC::OffsetWindowOrg(int dx, int dy) {
  POINT old{};
  win::OffsetWindowOrgEx(m_hDC, dx, dy, &old);
  if (m_hAttribDC != m_hDC) win::OffsetWindowOrgEx(m_hAttribDC, dx, dy, &old);
  return CPoint(old);
}

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT old{};
  win::SetViewportOrgEx(m_hDC, x, y, &old);
  if (m_hAttribDC != m_hDC) win::SetViewportOrgEx(m_hAttribDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetViewportOrg() const {
  POINT p{};
  win::GetViewportOrgEx(m_hAttribDC, &p);
  return CPoint(p);
}

CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  POINT old{};
  win::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
  if (m_hAttribDC != m_hDC) win::OffsetViewportOrgEx(m_hAttribDC, dx, dy, &old);
  return CPoint(old);
}

CSize CDC::SetWindowExt(int cx, int cy) {
  SIZE old{};
  win::SetWindowExtEx(m_hDC, cx, cy, &old);
  if (m_hAttribDC != m_hDC) win::SetWindowExtEx(m_hAttribDC, cx, cy, &old);
  return CSize(old);
}

CSize CDC::SetViewportExt(int cx, int cy) {
  SIZE old{};
  win::SetViewportExtEx(m_hDC, cx, cy, &old);
  if (m_hAttribDC != m_hDC) win::SetViewportExtEx(m_hAttribDC, cx, cy, &old);
  return CSize(old);
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop) {
  return win::BitBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, srcX, srcY, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, int srcWidth, int srcHeight,
                     DWORD rop) {
  return win::StretchBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, srcX, srcY, srcWidth, srcHeight, rop);
}

void CDC::FillRect(const RECT* rect, CBrush* brush) {
  if (brush) win::FillRect(m_hDC, rect, static_cast<HBRUSH>(*brush));
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) {
  if (brush) win::FrameRect(m_hDC, rect, static_cast<HBRUSH>(*brush));
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  if (rect) gdi::FillSolidRect(m_hDC, *rect, color);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  gdi::FillSolidRect(m_hDC, RECT{x, y, x + cx, y + cy}, color);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  if (rect) gdi::Draw3dRect(m_hDC, *rect, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  gdi::Draw3dRect(m_hDC, RECT{x, y, x + cx, y + cy}, topLeft, bottomRight);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT old{};
  win::MoveToEx(m_hDC, x, y, &old);
  return CPoint(old);
}

int CDC::DrawText(std::wstring_view text, RECT* rect, UINT format) {
  return win::DrawText(m_hDC, text.data(), static_cast<int>(text.size()), rect, format);
}

BOOL CDC::TextOut(int x, int y, std::wstring_view text) {
  return win::TextOut(m_hDC, x, y, text.data(), static_cast<int>(text.size()));
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, std::wstring_view text) {
  return win::ExtTextOut(m_hDC, x, y, options, rect, text.data(), static_cast<UINT>(text.size()), nullptr);
}

CSize CDC::GetTextExtent(std::wstring_view text) const {
  SIZE s{};
  win::GetTextExtentPoint32(m_hAttribDC, text.data(), static_cast<int>(text.size()), &s);
  return CSize(s);
}
