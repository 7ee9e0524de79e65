#include "platform/gdi/Surface.h"

#include <cairo.h>

#include <algorithm>
#include <string>

#include "platform/base/FileIO.h"

namespace gdi {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1))) {
  Fill(RGB(255, 255, 255));
}

Surface::~Surface() { cairo_surface_destroy(surface_); }

COLORREF Surface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  const auto* px = reinterpret_cast<const uint32_t*>(data + y * stride) + x;
  uint32_t v = *px;
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void Surface::SetPixel(int x, int y, COLORREF color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  auto* px = reinterpret_cast<uint32_t*>(data + y * stride) + x;
  *px = 0xFF000000u | (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
  cairo_surface_mark_dirty(surface_);
}

bool Surface::SetPixels(const std::vector<uint32_t>& pixels) {
  if (pixels.size() != static_cast<size_t>(width_) * height_) return false;
  cairo_surface_flush(surface_);
  unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height_; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < width_; ++x) row[x] = 0xFF000000u | (pixels[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF);
  }
  cairo_surface_mark_dirty(surface_);
  return true;
}

void Surface::Fill(COLORREF color) {
  cairo_t* cr = cairo_create(surface_);
  cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
}

namespace {
cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

bool Surface::SavePng(const std::filesystem::path& path) const {
  std::string bytes;
  cairo_surface_flush(surface_);
  if (cairo_surface_write_to_png_stream(surface_, AppendBytes, &bytes) != CAIRO_STATUS_SUCCESS) return false;
  return mx::WriteFileAtomic(path, bytes);
}

}  // namespace gdi
