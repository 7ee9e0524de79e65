#pragma once
// CDC: a device context in the class library's shape. Output goes to m_hDC, questions about the context
// (colours, mapping, metrics) to m_hAttribDC; both are the same handle unless a subclass says otherwise.
// The object deletes a DC it created or attached when destroyed.
#include <string>
#include <string_view>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObject.h"

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  BOOL Attach(HDC hdc);
  HDC Detach();
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL IsPrinting() const { return m_bPrinting; }

  CGdiObject* SelectObject(CGdiObject* object);
  CBitmap* SelectObject(CBitmap* bitmap) { return static_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(bitmap))); }
  CFont* SelectObject(CFont* font) { return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(font))); }
  CBrush* SelectObject(CBrush* brush) { return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(brush))); }
  CPen* SelectObject(CPen* pen) { return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pen))); }
  HGDIOBJ SelectObject(HGDIOBJ object);
  CGdiObject* SelectStockObject(int index);
  CBitmap* GetCurrentBitmap() const;
  CFont* GetCurrentFont() const;

  int SaveDC() { return win::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return win::RestoreDC(m_hDC, saved); }
  int GetDeviceCaps(int index) const { return win::GetDeviceCaps(m_hAttribDC, index); }

  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return win::GetTextColor(m_hAttribDC); }
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const { return win::GetBkColor(m_hAttribDC); }
  int SetBkMode(int mode);
  int GetBkMode() const { return win::GetBkMode(m_hAttribDC); }

  int SetMapMode(int mode);
  int GetMapMode() const { return win::GetMapMode(m_hAttribDC); }
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
  CPoint GetWindowOrg() const;
  CPoint OffsetWindowOrg(int dx, int dy);
  CPoint SetViewportOrg(int x, int y);
  CPoint GetViewportOrg() const;
  CPoint OffsetViewportOrg(int dx, int dy);
  CSize SetWindowExt(int cx, int cy);
  CSize SetViewportExt(int cx, int cy);
  void LPtoDP(POINT* points, int count = 1) const { win::LPtoDP(m_hAttribDC, points, count); }
  void LPtoDP(RECT* rect) const { win::LPtoDP(m_hAttribDC, reinterpret_cast<POINT*>(rect), 2); }
  void DPtoLP(POINT* points, int count = 1) const { win::DPtoLP(m_hAttribDC, points, count); }
  void DPtoLP(RECT* rect) const { win::DPtoLP(m_hAttribDC, reinterpret_cast<POINT*>(rect), 2); }

  int GetClipBox(RECT* box) const { return win::GetClipBox(m_hDC, box); }
  int SelectClipRgn(CRgn* region) { return win::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr); }
  int IntersectClipRect(int l, int t, int r, int b) { return win::IntersectClipRect(m_hDC, l, t, r, b); }
  int IntersectClipRect(const RECT* r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }

  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int srcX, int srcY, int srcWidth, int srcHeight,
                  DWORD rop);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop) { return win::PatBlt(m_hDC, x, y, width, height, rop); }
  COLORREF GetPixel(int x, int y) const { return win::GetPixel(m_hDC, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return win::SetPixel(m_hDC, x, y, c); }

  void FillRect(const RECT* rect, CBrush* brush);
  void FillRect(const RECT* rect, HBRUSH brush) { win::FillRect(m_hDC, rect, brush); }
  void FrameRect(const RECT* rect, CBrush* brush);
  // Sets the background colour to the fill colour, as the class library does.
  void FillSolidRect(const RECT* rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  BOOL DrawEdge(RECT* rect, UINT edge, UINT flags) { return win::DrawEdge(m_hDC, rect, edge, flags); }
  void DrawFocusRect(const RECT* rect) { win::DrawFocusRect(m_hDC, rect); }
  BOOL Rectangle(int l, int t, int r, int b) { return win::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y) { return win::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }

  int DrawText(std::wstring_view text, RECT* rect, UINT format);
  BOOL TextOut(int x, int y, std::wstring_view text);
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, std::wstring_view text);
  CSize GetTextExtent(std::wstring_view text) const;
  BOOL GetTextMetrics(TEXTMETRICW* out) const { return win::GetTextMetrics(m_hAttribDC, out); }

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;
};
