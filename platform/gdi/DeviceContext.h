#pragma once
// The state behind an HDC: where it draws (a surface, an origin and bounds on it), the selected objects,
// colours, modes, mapping and clipping. Only the drawing files of this folder use it.
#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/DrawLog.h"
#include "platform/gdi/GdiObjects.h"

typedef struct _cairo cairo_t;

namespace gdi {

struct DcState {
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  std::shared_ptr<BitmapObject> bitmapObj;
  std::shared_ptr<FontObject> fontObj;
  std::shared_ptr<BrushObject> brushObj;
  std::shared_ptr<PenObject> penObj;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int mapMode = MM_TEXT;
  POINT windowOrg{};
  POINT viewportOrg{};
  SIZE windowExt{1, 1};
  SIZE viewportExt{1, 1};
  POINT currentPos{};
  std::optional<std::vector<RECT>> clip;  // device units; none: the whole device
};

class DeviceContext {
 public:
  bool memory = false;    // made by CreateCompatibleDC: draws into its selected bitmap
  bool printing = false;  // a printer DC
  std::shared_ptr<Surface> surface;  // window and printer DCs: fixed; memory DCs: the selected bitmap's
  POINT origin{};                     // device (0,0) on the surface
  SIZE deviceSize{};                  // device extent from the origin
  std::optional<RECT> visible;        // part of the surface the DC may touch (a child window's clip), surface units
  std::shared_ptr<DrawLog> log;
  DcState state;
  std::vector<DcState> saved;

  void Record(DrawCall call) const {
    if (log) log->Add(std::move(call));
  }

  // Logical to device units and back.
  double ToDeviceX(double x) const;
  double ToDeviceY(double y) const;
  double ToLogicalX(double x) const;
  double ToLogicalY(double y) const;
  POINT ToDevice(POINT p) const;
  POINT ToLogical(POINT p) const;
  // A logical rectangle in surface pixels, normalised.
  RECT ToSurface(const RECT& logical) const;
  // The device rectangle the DC can draw into (its bounds within the clip), in device units.
  RECT DeviceClipBox() const;

  // A cairo context on the surface, clipped to the device and the clip region, in surface pixels; null when the
  // DC has nothing to draw into.
  cairo_t* Begin() const;
  const LOGFONTW& Font() const;
};

// Registers a DC and hands out its handle; Find returns null for unknown handles.
HDC AddDC(std::shared_ptr<DeviceContext> dc);
std::shared_ptr<DeviceContext> FindDC(HDC hdc);
bool RemoveDC(HDC hdc);

// Selects the stock objects a new DC starts with.
void InitDefaults(DeviceContext& dc);

}  // namespace gdi
