#pragma once
// Painting windows without a display: every top-level window has a pixel surface of its client size, and
// the DCs of it and of its children draw into that surface at the child's place, clipped to what of the
// child its ancestors leave visible. A presentation layer shows these surfaces; tests save them as PNG.
#include <filesystem>
#include <memory>

#include "platform/gdi/DC.h"
#include "platform/gdi/DrawLog.h"
#include "platform/win/WinDefs.h"

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{};
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

namespace win {

HDC GetDC(HWND hwnd);  // nullptr: a DC over a screen-sized surface of its own
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// Sends WM_ERASEBKGND (the class brush fills when the window does not erase) and validates the window.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

}  // namespace win

namespace gdi {

// The surface a top-level window paints into (made or resized to its client size on demand).
std::shared_ptr<Surface> WindowSurface(HWND hwnd);
// Calls made through DCs of this window (not of its children) are logged; nullptr stops logging.
void SetWindowDrawLog(HWND hwnd, std::shared_ptr<DrawLog> log);
// Paints the window and every visible descendant now, parents before children, siblings from the bottom up.
void PaintWindowTree(HWND hwnd);
// PaintWindowTree of the top-level window, then its surface (the part under hwnd) as a PNG.
bool SaveWindowPng(HWND hwnd, const std::filesystem::path& path);

}  // namespace gdi

// The class library's DCs of a window.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(HWND hwnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(HWND hwnd);
  ~CClientDC() override;

 private:
  HWND m_hWnd;
};

class CWindowDC : public CDC {
 public:
  explicit CWindowDC(HWND hwnd);
  ~CWindowDC() override;

 private:
  HWND m_hWnd;
};
