#pragma once
// The skinned dialog base of the top-level windows without a standard caption: it paints the caption band,
// side borders and bottom band from the skin bitmaps, owns the minimise, maximise/restore and close buttons,
// moves the window when its bands are dragged (unless m_bNoDrag), and answers the control colours with the
// shared white brush. Derived constructors choose the variant with the byte flags.
#include <string>

#include "ui/AfxDialog.h"
#include "ui/HoverButton.h"

inline constexpr UINT IDC_BTN_MINIMIZE = 5001;
inline constexpr UINT IDC_BTN_MAXIMIZE = 5002;
inline constexpr UINT IDC_BTN_CLOSE = 5003;

// The maximise (145) and restore (144) strips, loaded by the first frame.
extern HBITMAP g_hbmMaximize;
extern HBITMAP g_hbmRestore;

class CMainBorder : public CDialog {
 public:
  CMainBorder(UINT templateId, win::CWnd* parent);
  ~CMainBorder() override;

  BOOL OnInitDialog() override;
  // Paints the frame for the client rectangle into target (normally the caller's CSTMemDC).
  void DrawFrame(CDC* target, const RECT* client);

  BYTE m_bThinBottom = 0;
  CHoverButton m_btnClose;
  CHoverButton m_btnMinimize;
  CHoverButton m_btnMaximize;
  HBITMAP m_hbmClose = nullptr;
  HBITMAP m_hbmMinimize = nullptr;
  BYTE m_bMaximizable = 0;
  BYTE m_bMaximized = 0;
  BYTE m_bCompactHeader = 0;
  BYTE m_bShowMinimize = 1;
  BYTE m_bNoDrag = 1;
  BYTE m_bLogoFrame = 0;
  std::wstring m_strTitle;
  BYTE m_bTitledFrame = 0;
  BYTE m_bAddEntryCaption = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  virtual void OnPaint();
  virtual void OnSize(UINT type, int cx, int cy);
  // TRUE when the press was handled completely (no default processing).
  virtual BOOL OnLButtonDown(UINT flags, POINT point);
  virtual void OnMinimizeButton();
  virtual void OnMaximizeButton();
  virtual void OnCloseButton();
};
