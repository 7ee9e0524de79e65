#pragma once
// The base of the skinned push buttons: hover tracking, the hand cursor, a copy of the caption, and the
// parent's background painted through the button.
#include <string>

#include "platform/gdi/DC.h"
#include "ui/HoverTracking.h"
#include "ui/OwnerDrawButton.h"

class CBaseGUIButton : public COwnerDrawButton {
 public:
  CBaseGUIButton();

  BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, win::CWnd* parent, UINT id);
  // Paints the parent's background into dc under the button (clipped to clip when given).
  virtual void PaintParentBackground(CDC* dc, const RECT* clip = nullptr);
  virtual void SetWindowText(LPCWSTR text);
  virtual void GetWindowText(std::wstring& text);
  virtual int GetWindowText(LPWSTR buffer, int size);

  BYTE m_bKeepHot = 0;
  HoverState m_hover;
  std::wstring m_strCaption;
  BOOL m_bAutoSize = FALSE;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
