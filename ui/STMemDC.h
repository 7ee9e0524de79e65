#pragma once
// Flicker-free painting: a memory DC over a rectangle of the target whose content reaches the target in one
// BitBlt when the object goes away. A printer DC is drawn into directly.
#include "platform/gdi/DC.h"

class CSTMemDC : public CDC {
 public:
  // rect: the logical rectangle to buffer; nullptr buffers the target's clip box.
  explicit CSTMemDC(CDC* target, const RECT* rect = nullptr);
  ~CSTMemDC() override;

  CSTMemDC* operator->() { return this; }
  operator CSTMemDC*() { return this; }

 private:
  CBitmap m_bitmap;
  CBitmap* m_oldBitmap = nullptr;
  CDC* m_pDC = nullptr;
  CRect m_rect;
  BOOL m_bMemDC = FALSE;
};
