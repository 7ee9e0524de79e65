#pragma once
// A plain off-screen DC holder: its bitmap, the rectangle it covers and the object selected before it.
// Constructing and destroying both leave nothing behind.
#include "platform/gdi/DC.h"

class CSTBufferDC : public CDC {
 public:
  CSTBufferDC();
  ~CSTBufferDC() override;
  // Selects the previous object back, deletes the DC and the bitmap, zeroes the rectangle.
  void Release();

  CBitmap m_bitmap;
  RECT m_rect{};
  HGDIOBJ m_oldObject = nullptr;
};
