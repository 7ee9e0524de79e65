#include "ui/BaseGUIButton.h"

#include "platform/gdi/Images.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {
constexpr UINT kHandCursor = 316;
}

CBaseGUIButton::CBaseGUIButton() { m_hover.m_hHandCursor = win::LoadCursor(nullptr, kHandCursor); }

BOOL CBaseGUIButton::Create(LPCWSTR caption, DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
  m_strCaption = caption ? caption : L"";
  return COwnerDrawButton::Create(caption, style, rect, parent, id);
}

void CBaseGUIButton::PaintParentBackground(CDC* dc, const RECT* clip) {
  if (!dc || !m_hWnd) return;
  HWND parent = win::GetParent(m_hWnd);
  if (!parent) return;
  CRgn region;
  if (clip) {
    region.CreateRectRgnIndirect(clip);
    dc->SelectClipRgn(&region);
  }
  POINT origin{0, 0};
  win::MapWindowPoints(m_hWnd, parent, &origin, 1);
  const CPoint old = dc->OffsetWindowOrg(origin.x, origin.y);
  win::SendMessage(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc->m_hDC), 0);
  dc->SetWindowOrg(old);
  if (clip) dc->SelectClipRgn(nullptr);
}

void CBaseGUIButton::SetWindowText(LPCWSTR text) {
  m_strCaption = text ? text : L"";
  COwnerDrawButton::SetWindowText(text);
}

void CBaseGUIButton::GetWindowText(std::wstring& text) {
  COwnerDrawButton::GetWindowText(text);
  m_strCaption = text;
}

int CBaseGUIButton::GetWindowText(LPWSTR buffer, int size) {
  const int n = COwnerDrawButton::GetWindowText(buffer, size);
  if (buffer && size > 0) m_strCaption.assign(buffer, static_cast<size_t>(n));
  return n;
}

LRESULT CBaseGUIButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleHoverMessage(m_hWnd, m_hover, 2, TRUE, msg, &result)) return result;
  return COwnerDrawButton::WindowProc(msg, wParam, lParam);
}
