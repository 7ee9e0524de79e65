#pragma once
// A resource bitmap that knows its size; a missing resource reports 0 x 0 and draws nothing.
#include "platform/gdi/GdiObject.h"

class CSTBitmap : public CBitmap {
 public:
  explicit CSTBitmap(UINT resourceId);
  int Height() const { return m_nHeight; }
  int Width() const { return m_nWidth; }

  int m_nHeight = 0;
  int m_nWidth = 0;
};
