#include "ui/KVTHoverButton.h"

#include <algorithm>

#include "app/DrawingUtils.h"
#include "platform/gdi/Images.h"
#include "platform/win/Window.h"

namespace {

// Replaces piece's bitmap with the resource (3-D greys mapped); its size is 0 x 0 when it is missing.
bool LoadPiece(CSTBitmap& piece, UINT id) {
  piece.DeleteObject();
  piece.Attach(static_cast<HBITMAP>(win::LoadImage(nullptr, id, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
  BITMAP info{};
  if (piece.GetSafeHandle()) piece.GetBitmap(&info);
  piece.m_nWidth = info.bmWidth;
  piece.m_nHeight = info.bmHeight;
  return piece.GetSafeHandle() != nullptr;
}

// Copies a rectangle of bitmap (selected into a memory DC for the call) into target.
void CopyFrom(CDC& target, CBitmap& bitmap, int x, int y, int w, int h, int srcX, int srcY) {
  CDC memory;
  memory.CreateCompatibleDC(&target);
  CBitmap* old = memory.SelectObject(&bitmap);
  target.BitBlt(x, y, w, h, &memory, srcX, srcY, SRCCOPY);
  memory.SelectObject(old);
}

}  // namespace

CKVTHoverButton::CKVTHoverButton() : m_bmpSingle(0), m_bmpLeft(0), m_bmpMiddle(0), m_bmpRight(0) {}

BOOL CKVTHoverButton::LoadBitmaps(UINT leftCap, UINT middle, UINT rightCap, LPCWSTR caption, int width, int height) {
  m_strCaption = caption ? caption : L"";
  const int frames = FrameCount();
  const bool left = LoadPiece(m_bmpLeft, leftCap);
  const bool mid = LoadPiece(m_bmpMiddle, middle);
  const bool right = LoadPiece(m_bmpRight, rightCap);
  m_nLeftFrameWidth = m_bmpLeft.m_nWidth / frames;
  m_nMiddleFrameWidth = m_bmpMiddle.m_nWidth / frames;
  m_nRightFrameWidth = m_bmpRight.m_nWidth / frames;
  m_nCapHeight = m_bmpLeft.m_nHeight;
  m_nMiddleHeight = m_bmpMiddle.m_nHeight;
  m_nRightHeight = m_bmpRight.m_nHeight;
  m_nWidth = width;
  m_nHeight = std::max({height, m_nCapHeight, m_nMiddleHeight, m_nRightHeight});

  const int fit = GetTextFitWidth(nullptr, m_hWnd, m_strCaption, m_nWidth);
  if (m_bAutoSize && fit > m_nWidth) m_nWidth = fit;
  else m_bAutoSize = FALSE;
  if (m_hWnd) SetWindowPos(nullptr, 0, 0, m_nWidth, m_nHeight, SWP_NOMOVE | SWP_NOZORDER);
  m_bKeepHot = 0;
  m_bSingleStrip = 0;
  return left && mid && right;
}

bool CKVTHoverButton::IsDisabled(UINT itemState) const {
  return (itemState & ODS_DISABLED) || (m_hWnd && !IsWindowEnabled());
}

int CKVTHoverButton::FrameIndex(UINT itemState) const {
  const bool disabledFrame = m_bHasDisabledFrame && IsDisabled(itemState);
  if (m_bSingleStrip && disabledFrame) return 3;
  if ((itemState & ODS_SELECTED) || m_bStayPressed) return 1;
  if (m_hover.m_bHover || m_bKeepHot) return 2;
  return disabledFrame ? 3 : 0;
}

void CKVTHoverButton::DrawStretched(DRAWITEMSTRUCT* item) {
  CDC target;
  target.Attach(item->hDC);
  const int frame = FrameIndex(item->itemState);
  const RECT& rc = item->rcItem;
  {
    CDC memory;
    memory.CreateCompatibleDC(&target);
    CBitmap* old = memory.SelectObject(&m_bmpMiddle);
    target.StretchBlt(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, &memory, frame * m_nMiddleFrameWidth, 0,
                      m_nMiddleFrameWidth, m_nMiddleHeight, SRCCOPY);
    memory.SelectObject(old);
  }
  CopyFrom(target, m_bmpLeft, 0, 0, m_nLeftFrameWidth, m_nCapHeight, frame * m_nLeftFrameWidth, 0);
  CopyFrom(target, m_bmpRight, m_nWidth - m_nRightFrameWidth, 0, m_nRightFrameWidth, m_nCapHeight,
           frame * m_nRightFrameWidth, 0);
  target.Detach();
}

void CKVTHoverButton::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item) return;
  if (!m_bSingleStrip) {
    DrawStretched(item);
    return;
  }
  CDC target;
  target.Attach(item->hDC);
  const int frame = FrameIndex(item->itemState);
  const int frameWidth = m_bmpSingle.m_nWidth / FrameCount();
  const int start = frame * frameWidth;
  CopyFrom(target, m_bmpSingle, 0, 0, m_nWidth, m_nHeight, start, 0);
  if (m_bAutoSize && m_nWidth > frameWidth && frameWidth > 0) {
    // widen by repeating a slice of the frame's middle, then close with the frame's last quarter
    const int slice = start + m_bmpSingle.m_nWidth / 6;
    for (int x = m_nWidth / 3; x < m_nWidth; x += 9) CopyFrom(target, m_bmpSingle, x, 0, 9, m_nHeight, slice, 0);
    const int quarter = frameWidth / 4;
    CopyFrom(target, m_bmpSingle, m_nWidth - quarter, 0, quarter, m_nHeight, start + frameWidth - quarter, 0);
  }
  target.Detach();
}
