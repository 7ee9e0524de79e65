#pragma once
// A bitmap button drawn from one strip of three frames (normal, pressed, hover), with the hand cursor and
// hover tracking; the caption buttons of the skinned frame and the language button are of this class.
#include "platform/gdi/GdiObject.h"
#include "ui/HoverTracking.h"
#include "ui/OwnerDrawButton.h"

class CHoverButton : public COwnerDrawButton {
 public:
  CHoverButton();

  // The strip becomes the button's (the previous one is freed); the button takes the size of one frame.
  BOOL LoadStripBitmap(UINT resourceId);
  BOOL SetStripBitmap(HBITMAP strip);
  void DrawItem(DRAWITEMSTRUCT* item) override;

  // Which frame a paint shows for the item state; a pending hover is consumed by it.
  int ChooseFrame(UINT itemState);

  HoverState m_hover;
  int m_nFrameWidth = 0;
  int m_nFrameHeight = 0;
  CBitmap m_strip;
  BYTE m_bKeepHot = 0;
  BYTE m_bLanguageFlag = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
