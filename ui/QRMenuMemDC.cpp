#include "ui/QRMenuMemDC.h"

QRMenuMemDC::QRMenuMemDC(CDC* target, const RECT& rect) : m_pDC(target), m_rect(rect) {
  m_bMemDC = target && !target->IsPrinting();
  if (!target) return;
  if (m_bMemDC) {
    CreateCompatibleDC(target);
    m_bitmap.CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top);
    m_oldBitmap = SelectObject(&m_bitmap);
    SetWindowOrg(rect.left, rect.top);
  } else {
    m_bPrinting = target->m_bPrinting;
    m_hDC = target->m_hDC;
    m_hAttribDC = target->m_hAttribDC;
  }
}

QRMenuMemDC::~QRMenuMemDC() {
  if (!m_pDC) return;
  if (m_bMemDC) {
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, this, m_rect.left,
                  m_rect.top, SRCCOPY);
    SelectObject(m_oldBitmap);
  } else {
    // the target's handles are not ours to delete
    m_hDC = m_hAttribDC = nullptr;
  }
}
