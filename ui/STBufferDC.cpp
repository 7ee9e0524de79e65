#include "ui/STBufferDC.h"

CSTBufferDC::CSTBufferDC() { Release(); }

CSTBufferDC::~CSTBufferDC() { Release(); }

void CSTBufferDC::Release() {
  if (m_hDC && m_oldObject) SelectObject(m_oldObject);
  m_oldObject = nullptr;
  DeleteDC();
  m_bitmap.DeleteObject();
  m_rect = RECT{};
}
