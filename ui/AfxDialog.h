#pragma once
// The class library's dialog: a window made from a dialog template resource with this object as its
// handler, modeless (Create) or modal (DoModal, a nested loop that the answer provider may end at once).
// Handlers are virtual functions in place of message maps: a derived dialog overrides WindowProc for the
// messages it handles and passes the rest to its base.
#include <cstdint>

#include "platform/gdi/Controls.h"
#include "platform/win/Wnd.h"

class CDialog : public win::CWnd {
 public:
  explicit CDialog(UINT templateId = 0, win::CWnd* parent = nullptr);
  ~CDialog() override;

  // Modeless: the window exists (hidden unless the template is visible) when this returns TRUE.
  BOOL Create(UINT templateId, win::CWnd* parent = nullptr);
  // Modal: the owner (the parent given, else the thread's main window) is disabled while the loop runs when
  // it was enabled before; returns the EndDialog result, -1 when the window could not be made.
  virtual std::intptr_t DoModal();
  void EndDialog(int result);

  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  // Centres the window on alternate (nullptr: its owner, else the screen).
  void CenterWindow(HWND alternate = nullptr);

  UINT m_nIDTemplate = 0;
  win::CWnd* m_pParentWnd = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // A WM_CTLCOLOR* answer; nullptr leaves it to the default.
  virtual HBRUSH OnCtlColor(HDC, HWND, UINT /*ctlColorMessage*/) { return nullptr; }
  // WM_COMMAND before the IDOK/IDCANCEL routing; TRUE when handled.
  virtual BOOL OnCommand(WPARAM, LPARAM) { return FALSE; }

 private:
  HFONT m_hFont = nullptr;
};

// Centres hwnd on over (nullptr or hidden/minimised: the screen); a child is placed in its parent's
// coordinates.
void CenterWindowOver(HWND hwnd, HWND over);
// The desktop's rectangle: the screen.
RECT DesktopRect();

// TRUE for the seven WM_CTLCOLOR* messages.
bool IsCtlColorMessage(UINT msg);
