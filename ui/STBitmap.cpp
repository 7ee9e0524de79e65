#include "ui/STBitmap.h"

CSTBitmap::CSTBitmap(UINT resourceId) {
  if (!LoadBitmap(resourceId)) return;
  BITMAP bm;
  if (GetBitmap(&bm)) {
    m_nHeight = bm.bmHeight;
    m_nWidth = bm.bmWidth;
  }
}
