#pragma once
// A hover button with a caption: a background strip of three frames, an optional icon strip and an optional
// second text line, drawn in one of a set of text styles chosen by flags that owners set before the first
// paint (navigation buttons, the repair page's and several frames' buttons).
#include <string>

#include "ui/HoverButton.h"

class CMyHoverButton : public CHoverButton {
 public:
  // Loads the strips, measures the caption and sizes the button; returns the caption's width.
  int SetBitmapsAndText(UINT backgroundId, UINT iconId, const std::wstring& caption);
  // A main-window navigation button: background 150, the icon strip, the caption and a second line.
  int SetNavButton(UINT iconId, const std::wstring& caption, const std::wstring& secondLine);
  void DrawItem(DRAWITEMSTRUCT* item) override;

  std::wstring m_strSubText;
  BYTE m_bNavButton = 0;
  std::wstring m_strCaption;
  BYTE m_bDrawText = 1;
  CBitmap m_icon;
  int m_nIconWidth = 0;
  int m_nIconHeight = 0;
  int m_nCaptionWidth = 0;
  BYTE m_bAutoSize = 0;
  BYTE m_bSideText = 0;
  BYTE m_bLinkText = 0;
  BYTE m_bOpaqueText = 0;
  BYTE m_bSmallRussian = 0;
  BYTE m_bBlueText = 0;
  BYTE m_bWhiteText = 0;
  BYTE m_bDarkText = 0;
  BYTE m_bHeadingText = 0;
  BYTE m_bNotInstalled = 0;
  BYTE m_bGreenStyle = 0;
  BYTE m_bBlackSubText = 0;
  BYTE m_bRedText = 0;
  BYTE m_bGreenOffset = 0;
  BYTE m_bBlueCaption = 0;
  BYTE m_bKeepTop = 0;
  BYTE m_bRightLink = 0;
  BYTE m_bLargeText = 0;
  BYTE m_bStayPressed = 0;

 private:
  void DrawBackground(CDC& dc, int frame);
  void DrawIconCaption(CDC& dc, const RECT& item, LOGFONTW lf, bool pressed);
  void DrawTextCaption(CDC& dc, const RECT& item, LOGFONTW lf, bool pressed, bool hot);
};
