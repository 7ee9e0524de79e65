#pragma once
// Small helpers shared by the drawing tests: DCs that clean up after themselves.
#include <memory>

#include "platform/gdi/Gdi.h"

namespace gditest {

struct DcDeleter {
  void operator()(HDC__* hdc) const { win::DeleteDC(hdc); }
};
using UniqueDC = std::unique_ptr<HDC__, DcDeleter>;

struct ObjDeleter {
  void operator()(HGDIOBJ__* obj) const { win::DeleteObject(obj); }
};
using UniqueObj = std::unique_ptr<HGDIOBJ__, ObjDeleter>;

// A memory DC with a w x h bitmap selected, filled with one colour.
struct MemDC {
  MemDC(int w, int h, COLORREF fill = RGB(255, 255, 255))
      : dc(win::CreateCompatibleDC(nullptr)), bitmap(win::CreateBitmap(w, h, 1, 32, nullptr)) {
    old = win::SelectObject(dc.get(), bitmap.get());
    gdi::FillSolidRect(dc.get(), RECT{0, 0, w, h}, fill);
  }
  ~MemDC() { win::SelectObject(dc.get(), old); }
  HDC get() const { return dc.get(); }
  COLORREF at(int x, int y) const { return gdi::GetBitmapSurface(static_cast<HBITMAP>(bitmap.get()))->GetPixel(x, y); }
  UniqueDC dc;
  UniqueObj bitmap;
  HGDIOBJ old = nullptr;
};

}  // namespace gditest
