#pragma once
// Owners of GDI handles in the class library's shape: CBitmap, CFont, CBrush, CPen and CRgn delete their
// object when destroyed unless it was detached. FromHandle gives the owner of a handle, or a wrapper that does
// not own it (kept per thread until the handle dies), so code can hold "the bitmap selected before".
#include <string>

#include "platform/gdi/Gdi.h"

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  static CGdiObject* FromHandle(HGDIOBJ handle);
  BOOL Attach(HGDIOBJ handle);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  int GetObject(int size, void* out) const { return win::GetObject(m_hObject, size, out); }
  operator HGDIOBJ() const { return m_hObject; }

  HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
 public:
  static CBitmap* FromHandle(HBITMAP handle) { return static_cast<CBitmap*>(CGdiObject::FromHandle(handle)); }
  // From the bitmap resources; FALSE when the resource is missing or damaged.
  BOOL LoadBitmap(UINT resourceId);
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  int GetBitmap(BITMAP* out) const { return GetObject(sizeof(BITMAP), out); }
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CFont : public CGdiObject {
 public:
  static CFont* FromHandle(HFONT handle) { return static_cast<CFont*>(CGdiObject::FromHandle(handle)); }
  BOOL CreateFontIndirect(const LOGFONTW* font);
  // Height in tenths of a point at 96 DPI.
  BOOL CreatePointFont(int pointSizeTenths, const wchar_t* face, class CDC* dc = nullptr);
  int GetLogFont(LOGFONTW* out) const { return GetObject(sizeof(LOGFONTW), out); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  static CBrush* FromHandle(HBRUSH handle) { return static_cast<CBrush*>(CGdiObject::FromHandle(handle)); }
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreateSysColorBrush(int index);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  static CPen* FromHandle(HPEN handle) { return static_cast<CPen*>(CGdiObject::FromHandle(handle)); }
  BOOL CreatePen(int style, int width, COLORREF color);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CRgn : public CGdiObject {
 public:
  static CRgn* FromHandle(HRGN handle) { return static_cast<CRgn*>(CGdiObject::FromHandle(handle)); }
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};
