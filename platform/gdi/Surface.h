#pragma once
// A 24-bit pixel surface (cairo image surface) that bitmaps and windows draw into.
#include <filesystem>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gdi {

class Surface {
 public:
  // A white surface; sizes below 1 become 1 so a cairo surface always exists (GetObject still reports the asked size).
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  cairo_surface_t* cairo() const { return surface_; }

  COLORREF GetPixel(int x, int y) const;  // CLR_INVALID outside
  void SetPixel(int x, int y, COLORREF color);
  void Fill(COLORREF color);
  // Replaces every pixel from 0x00RRGGBB values, top row first (the size must match).
  bool SetPixels(const std::vector<uint32_t>& pixels);
  // Writes a PNG (through a temporary file and a rename); false when it could not be written.
  bool SavePng(const std::filesystem::path& path) const;

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
};

}  // namespace gdi
