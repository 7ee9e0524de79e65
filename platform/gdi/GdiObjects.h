#pragma once
// The objects behind GDI handles, and the process-wide table that hands the handles out.
// A handle is an id, never an address: a deleted or made-up handle looks up nothing.
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Surface.h"

namespace gdi {

struct GdiObject {
  explicit GdiObject(DWORD t) : type(t) {}
  virtual ~GdiObject() = default;
  DWORD type;
  bool stock = false;  // stock objects survive DeleteObject
};

struct BitmapObject : GdiObject {
  BitmapObject(int w, int h, int bits) : GdiObject(OBJ_BITMAP), surface(std::make_shared<Surface>(w, h)), bitsPixel(bits) {}
  std::shared_ptr<Surface> surface;
  int bitsPixel;
  UINT resourceId = 0;  // the bitmap resource it was loaded from; recorded with blits so tests can name it
};

struct FontObject : GdiObject {
  explicit FontObject(const LOGFONTW& lf) : GdiObject(OBJ_FONT), logfont(lf) {}
  LOGFONTW logfont;
};

struct BrushObject : GdiObject {
  BrushObject(COLORREF c, bool isNull) : GdiObject(OBJ_BRUSH), color(c), null(isNull) {}
  COLORREF color;
  bool null;
};

struct PenObject : GdiObject {
  PenObject(int s, int w, COLORREF c) : GdiObject(OBJ_PEN), style(s), width(w), color(c) {}
  int style;
  int width;
  COLORREF color;
};

// Regions are unions of rectangles: the rectangular clips the painting code asks for.
struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  std::vector<RECT> rects;
};

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> Find(HGDIOBJ handle) {
  return std::dynamic_pointer_cast<T>(FindObject(handle));
}
bool RemoveObject(HGDIOBJ handle);  // false for stock objects and unknown handles
size_t LiveObjectCount();            // leaks show up in tests

}  // namespace gdi
