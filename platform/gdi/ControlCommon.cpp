#include "platform/gdi/ControlCommon.h"

#include <algorithm>
#include <mutex>

namespace gdi::controls {

void RegisterControlClass(LPCWSTR name, WNDPROC proc) {
  WNDCLASSW wc;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(void*);
  wc.lpszClassName = name;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
  win::RegisterClass(&wc);
}

LRESULT NotifyCommand(HWND hwnd, WORD code) {
  HWND parent = win::GetParent(hwnd);
  if (!parent) return 0;
  return win::SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(win::GetDlgCtrlID(hwnd)), code),
                          reinterpret_cast<LPARAM>(hwnd));
}

LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code) {
  HWND parent = win::GetParent(hwnd);
  if (!parent || !header) return 0;
  header->hwndFrom = hwnd;
  header->idFrom = static_cast<std::uintptr_t>(win::GetDlgCtrlID(hwnd));
  header->code = code;
  return win::SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

HBRUSH PrepareColors(HWND hwnd, HDC hdc, UINT ctlColorMessage, HFONT font) {
  if (font) win::SelectObject(hdc, font);
  win::SetTextColor(hdc, win::IsWindowEnabled(hwnd) ? win::GetSysColor(COLOR_WINDOWTEXT) : win::GetSysColor(COLOR_GRAYTEXT));
  win::SetBkColor(hdc, win::GetSysColor(COLOR_BTNFACE));
  HWND parent = win::GetParent(hwnd);
  if (!parent) return nullptr;
  return reinterpret_cast<HBRUSH>(
      win::SendMessage(parent, ctlColorMessage, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd)));
}

void SendDrawItem(HWND hwnd, DRAWITEMSTRUCT& dis) {
  HWND parent = win::GetParent(hwnd);
  if (parent) win::SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

TEXTMETRICW FontMetricsOf(HFONT font) {
  HDC hdc = win::CreateCompatibleDC(nullptr);
  if (font) win::SelectObject(hdc, font);
  TEXTMETRICW tm;
  win::GetTextMetrics(hdc, &tm);
  win::DeleteDC(hdc);
  return tm;
}

void DrawCheckMark(HDC hdc, int x, int y, COLORREF color) {
  HPEN pen = win::CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = win::SelectObject(hdc, pen);
  for (int i = 0; i < 2; ++i) {
    win::MoveToEx(hdc, x, y + 3 + i, nullptr);
    win::LineTo(hdc, x + 2, y + 5 + i);
    win::LineTo(hdc, x + 7, y + i);
  }
  win::SelectObject(hdc, old);
  win::DeleteObject(pen);
}

void CopyToBuffer(const std::wstring& text, LPWSTR out, int max) {
  if (!out || max <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(max - 1));
  std::copy_n(text.data(), n, out);
  out[n] = 0;
}

std::wstring WindowText(HWND hwnd) { return win::GetWindowTextString(hwnd); }

}  // namespace gdi::controls
