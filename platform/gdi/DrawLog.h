#pragma once
// A log of drawing calls, in the logical coordinates the caller passed, so tests can check the exact
// geometry a paint handler produces without looking at pixels.
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace gdi {

struct DrawCall {
  std::string op;       // "BitBlt", "StretchBlt", "FillRect", "FillSolidRect", "DrawText", "LineTo", ...
  RECT rect{};          // destination (for LineTo: from (left, top) to (right, bottom))
  POINT src{};          // source origin of blits
  SIZE srcSize{};       // source size of StretchBlt
  DWORD rop = 0;        // raster operation of blits
  COLORREF color = 0;   // fill, pen or text colour
  UINT resourceId = 0;  // the resource bitmap a blit copies from (0: another bitmap)
  UINT format = 0;      // DrawText format, edge type of DrawEdge
  UINT flags = 0;       // border flags of DrawEdge
  std::wstring text;
};

class DrawLog {
 public:
  void Add(DrawCall call);
  std::vector<DrawCall> Calls() const;
  std::vector<DrawCall> Calls(const std::string& op) const;  // only the calls of one kind
  size_t Count(const std::string& op) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<DrawCall> calls_;
};

}  // namespace gdi
