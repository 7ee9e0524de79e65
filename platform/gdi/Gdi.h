#pragma once
// The drawing calls, with Windows names and semantics, over cairo surfaces and pango text.
// Coordinates are logical units of the DC; a call on an unknown handle fails the way Windows does (FALSE, 0,
// nullptr or CLR_INVALID) and touches nothing.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gdi/DrawLog.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Surface.h"

namespace win {

// Device contexts.
HDC CreateCompatibleDC(HDC hdc);  // null hdc: compatible with the screen
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);  // negative: relative to the latest
int GetDeviceCaps(HDC hdc, int index);

// Objects.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontIndirect(const LOGFONTW* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const wchar_t* face);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int GetRgnBox(HRGN region, RECT* box);
HGDIOBJ GetStockObject(int index);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
// BITMAP for bitmaps, LOGFONTW for fonts, LOGBRUSH for brushes; returns the bytes written (0: failure).
int GetObject(HGDIOBJ object, int size, void* out);

// Colours and modes.
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Mapping.
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC hdc, POINT* out);
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* old);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC hdc, POINT* out);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old);
BOOL SetWindowExtEx(HDC hdc, int cx, int cy, SIZE* old);
BOOL SetViewportExtEx(HDC hdc, int cx, int cy, SIZE* old);
BOOL GetWindowExtEx(HDC hdc, SIZE* out);
BOOL GetViewportExtEx(HDC hdc, SIZE* out);
BOOL LPtoDP(HDC hdc, POINT* points, int count);
BOOL DPtoLP(HDC hdc, POINT* points, int count);

// Clipping.
int GetClipBox(HDC hdc, RECT* box);
int SelectClipRgn(HDC hdc, HRGN region);  // null region: no clip
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);

// Blits.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

// Shapes.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
BOOL LineTo(HDC hdc, int x, int y);
BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags);
BOOL DrawFocusRect(HDC hdc, const RECT* rect);

// Text.
inline constexpr UINT ETO_OPAQUE = 0x2;
inline constexpr UINT ETO_CLIPPED = 0x4;
BOOL TextOut(HDC hdc, int x, int y, const wchar_t* text, int count);
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const wchar_t* text, UINT count,
                const int* dx);
// count -1: up to the terminating zero. Returns the text height (0 on failure).
int DrawText(HDC hdc, const wchar_t* text, int count, RECT* rect, UINT format);
BOOL GetTextExtentPoint32(HDC hdc, const wchar_t* text, int count, SIZE* size);
BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* metrics);

}  // namespace win

namespace gdi {

// A DC over a surface: device (0,0) at origin, drawing limited to visible (surface units) when given.
// Windows' paint and client DCs are made this way.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, SIZE deviceSize, const RECT* visible = nullptr);
// A DC with a surface of its own whose calls are logged (and drawn) for tests.
HDC CreateRecordingDC(int width, int height, std::shared_ptr<DrawLog> log);
// A printer DC: it reports IsPrinting; calls are logged when a log is given.
HDC CreatePrinterDC(int width, int height, std::shared_ptr<DrawLog> log = nullptr);
void SetDrawLog(HDC hdc, std::shared_ptr<DrawLog> log);
bool IsPrinterDC(HDC hdc);
bool IsMemoryDC(HDC hdc);
std::shared_ptr<Surface> GetDCSurface(HDC hdc);
std::shared_ptr<Surface> GetBitmapSurface(HBITMAP bitmap);
// The resource id a bitmap was loaded from (0 for other bitmaps).
void SetBitmapResourceId(HBITMAP bitmap, UINT id);
// Fills with a colour and sets the DC's background colour to it (as the class library's FillSolidRect does).
void FillSolidRect(HDC hdc, const RECT& rect, COLORREF color);
// Top and left lines in one colour, right and bottom in the other.
void Draw3dRect(HDC hdc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
size_t LiveDCCount();

}  // namespace gdi
