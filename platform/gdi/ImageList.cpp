// Image lists: equal-sized images with a transparent colour, drawn onto DCs.
#include <cairo.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/Controls.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"
#include "platform/gdi/Images.h"

namespace {

struct ImageList {
  int cx = 0, cy = 0;
  bool masked = false;
  std::vector<std::vector<uint32_t>> images;  // ARGB, alpha 0 where transparent
};

gdi::HandleTable<ImageList>& Table() {
  static auto* t = new gdi::HandleTable<ImageList>(0x200000);
  return *t;
}

std::shared_ptr<ImageList> Find(HIMAGELIST h) { return Table().Find(h); }

int AddImages(HIMAGELIST list, HBITMAP bitmap, std::optional<COLORREF> maskColor, HBITMAP maskBitmap) {
  auto il = Find(list);
  auto surface = gdi::GetBitmapSurface(bitmap);
  if (!il || !surface || il->cx <= 0 || surface->width() < il->cx) return -1;
  auto mask = maskBitmap ? gdi::GetBitmapSurface(maskBitmap) : nullptr;
  int count = surface->width() / il->cx;
  int first = static_cast<int>(il->images.size());
  for (int i = 0; i < count; ++i) {
    std::vector<uint32_t> px(static_cast<size_t>(il->cx) * il->cy, 0);
    for (int y = 0; y < il->cy && y < surface->height(); ++y)
      for (int x = 0; x < il->cx; ++x) {
        COLORREF c = surface->GetPixel(i * il->cx + x, y);
        bool transparent = il->masked && ((maskColor && c == *maskColor) ||
                                          (mask && mask->GetPixel(i * il->cx + x, y) == RGB(255, 255, 255)));
        px[static_cast<size_t>(y) * il->cx + x] =
            transparent ? 0u : 0xFF000000u | (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
      }
    il->images.push_back(std::move(px));
  }
  return first;
}

}  // namespace

namespace win {

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
  auto il = std::make_shared<ImageList>();
  il->cx = cx;
  il->cy = cy;
  il->masked = flags & ILC_MASK;
  return Table().Add<HIMAGELIST>(std::move(il));
}

BOOL ImageList_Destroy(HIMAGELIST list) { return Table().Remove(list) ? TRUE : FALSE; }

int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask) {
  return AddImages(list, bitmap, mask & 0xFFFFFF, nullptr);
}

int ImageList_Add(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask) { return AddImages(list, bitmap, std::nullopt, mask); }

int ImageList_GetImageCount(HIMAGELIST list) {
  auto il = Find(list);
  return il ? static_cast<int>(il->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  auto il = Find(list);
  if (!il || !cx || !cy) return FALSE;
  *cx = il->cx;
  *cy = il->cy;
  return TRUE;
}

BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info) {
  auto il = Find(list);
  if (!il || !info || index < 0 || index >= static_cast<int>(il->images.size())) return FALSE;
  *info = IMAGEINFO{};
  info->rcImage = RECT{index * il->cx, 0, (index + 1) * il->cx, il->cy};
  return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
  auto il = Find(list);
  if (!il || index < 0 || index >= static_cast<int>(il->images.size())) return nullptr;
  HBITMAP bmp = CreateBitmap(il->cx, il->cy, 1, 32, nullptr);
  std::vector<uint32_t> px(il->images[index].size());
  for (size_t i = 0; i < px.size(); ++i) {
    uint32_t v = il->images[index][i];
    px[i] = (v >> 24) ? (v & 0xFFFFFF) : 0xFF00FF;  // transparent pixels become the icon's magenta
  }
  gdi::GetBitmapSurface(bmp)->SetPixels(px);
  return gdi::CreateIconFromBitmap(bmp);
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT style) {
  auto il = Find(list);
  auto dc = gdi::FindDC(hdc);
  if (!il || !dc || index < 0 || index >= static_cast<int>(il->images.size())) return FALSE;
  gdi::DrawCall call;
  call.op = "ImageList_Draw";
  call.rect = RECT{x, y, x + il->cx, y + il->cy};
  call.format = static_cast<UINT>(index);
  call.flags = style;
  dc->Record(std::move(call));
  cairo_t* cr = dc->Begin();
  if (!cr) return TRUE;
  auto& px = il->images[index];
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, il->cx, il->cy);
  cairo_surface_flush(img);
  unsigned char* data = cairo_image_surface_get_data(img);
  int stride = cairo_image_surface_get_stride(img);
  for (int row = 0; row < il->cy; ++row)
    for (int col = 0; col < il->cx; ++col)
      reinterpret_cast<uint32_t*>(data + row * stride)[col] = px[static_cast<size_t>(row) * il->cx + col];
  cairo_surface_mark_dirty(img);
  RECT s = dc->ToSurface(RECT{x, y, x + il->cx, y + il->cy});
  cairo_set_source_surface(cr, img, s.left, s.top);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(img);
  return TRUE;
}

}  // namespace win
