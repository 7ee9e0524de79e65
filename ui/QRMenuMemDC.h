#pragma once
// The off-screen DC of the owner-drawn menu: a compatible DC and bitmap of one rectangle with the window
// origin at its top-left, copied back in one BitBlt when destroyed; a printing target is drawn into directly.
#include "platform/gdi/DC.h"

class QRMenuMemDC : public CDC {
 public:
  QRMenuMemDC(CDC* target, const RECT& rect);
  ~QRMenuMemDC() override;

 private:
  CBitmap m_bitmap;
  CBitmap* m_oldBitmap = nullptr;
  CDC* m_pDC = nullptr;
  RECT m_rect{};
  bool m_bMemDC = false;
};
