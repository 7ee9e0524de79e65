#include "ui/STMemDC.h"

#include <cstdlib>

CSTMemDC::CSTMemDC(CDC* target, const RECT* rect) : m_pDC(target) {
  if (!target) return;
  m_bMemDC = !target->IsPrinting();
  if (rect) m_rect = *rect;
  else target->GetClipBox(&m_rect);

  if (m_bMemDC) {
    CreateCompatibleDC(target);
    target->LPtoDP(&m_rect);
    m_bitmap.CreateCompatibleBitmap(target, std::abs(m_rect.Width()), std::abs(m_rect.Height()));
    m_oldBitmap = SelectObject(&m_bitmap);
    SetMapMode(target->GetMapMode());
    SIZE ext{};
    win::GetWindowExtEx(target->m_hAttribDC, &ext);
    SetWindowExt(ext.cx, ext.cy);
    win::GetViewportExtEx(target->m_hAttribDC, &ext);
    SetViewportExt(ext.cx, ext.cy);
    target->DPtoLP(&m_rect);
    SetWindowOrg(m_rect.left, m_rect.top);
  } else {
    // borrowed, not copied: the destructor hands them back untouched
    m_bPrinting = target->m_bPrinting;
    m_hDC = target->m_hDC;
    m_hAttribDC = target->m_hAttribDC;
  }
  FillSolidRect(&m_rect, target->GetBkColor());
}

CSTMemDC::~CSTMemDC() {
  if (!m_pDC) return;
  if (m_bMemDC) {
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top, SRCCOPY);
    if (m_oldBitmap) SelectObject(m_oldBitmap);
  } else {
    m_hDC = m_hAttribDC = nullptr;
  }
}
