#include "ui/ModalOverlay.h"

#include "app/DrawingUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"

namespace {
constexpr UINT kOverlayTemplate = 388;
constexpr UINT kDimBitmap = 202;
constexpr BYTE kOverlayAlpha = 201;

HWND MainWindow() {
  win::CWnd* main = win::AfxGetMainWnd();
  return main ? main->m_hWnd : nullptr;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}
}  // namespace

CDlgParentTransculent::CDlgParentTransculent(win::CWnd* parent)
    : CDialog(kOverlayTemplate, parent ? parent : win::AfxGetMainWnd()) {}

BOOL CDlgParentTransculent::OnInitDialog() {
  CDialog::OnInitDialog();
  m_bmpDim.LoadBitmap(kDimBitmap);
  BITMAP info{};
  if (m_bmpDim.GetSafeHandle()) m_bmpDim.GetBitmap(&info);
  m_nBitmapWidth = info.bmWidth;
  m_nBitmapHeight = info.bmHeight;

  const RECT r = m_rcCovered;
  MoveWindow(r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2);
  m_rcCovered = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  SetWindowAlpha(m_hWnd, kOverlayAlpha);

  if (m_pHosted && m_pHosted->Create(m_nHostedTemplate, this)) {
    m_pHosted->CenterWindow(MainWindow());
    m_pHosted->ShowWindow(SW_SHOWNORMAL);
    m_pHosted->UpdateWindow();
  }
  // one waiting message, as the class library's pump would take; never waits for one
  MSG msg;
  if (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) win::PostQuitMessage(static_cast<int>(msg.wParam));
    else win::DispatchMessage(&msg);
  }
  return TRUE;
}

LRESULT CDlgParentTransculent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return OnEraseBkgnd();
  if (msg == WM_PAINT) {
    CPaintDC paint(m_hWnd);
    RECT client{};
    GetClientRect(&client);
    StretchDrawBitmap(m_bmpDim, paint.m_hDC, 0, 0, client.right, client.bottom, m_nBitmapWidth, m_nBitmapHeight);
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

int RunModalWithOverlay(win::CWnd* window, CDialog* dialog, UINT templateId) {
  ++g_nModalCount;
  HWND main = MainWindow();
  HWND covered = window ? window->m_hWnd : main;
  RECT rc{};
  win::GetWindowRect(covered, &rc);
  if (main && !Inside(rc, DesktopRect())) {
    win::ShowWindow(main, SW_SHOWNORMAL);
    win::SetForegroundWindow(main);
    CenterWindowOver(main, nullptr);
    win::GetWindowRect(covered, &rc);
  }
  {
    CDlgParentTransculent overlay(win::AfxGetMainWnd());
    overlay.m_pHosted = dialog;
    overlay.m_nHostedTemplate = templateId;
    overlay.m_rcCovered = rc;
    if (main) win::EnableWindow(main, FALSE);
    overlay.DoModal();
    // However the loop ended, this level no longer counts and the main window takes input again: a hosted
    // dialog that closed itself another way must not leave the tray and the system menu dead.
    if (!overlay.m_bEndedByHost) {
      if (main && win::IsWindow(main)) win::EnableWindow(main, TRUE);
      --g_nModalCount;
    }
  }
  if (covered && win::IsWindow(covered)) {
    win::SetForegroundWindow(covered);
    win::BringWindowToTop(covered);
  }
  return 0;
}

void EndModalWithOverlay(win::CWnd* hosted) {
  if (!hosted || !hosted->m_hWnd) return;
  auto* overlay = dynamic_cast<CDlgParentTransculent*>(win::CWnd::FromHandle(win::GetParent(hosted->m_hWnd)));
  // only a dialog that an overlay hosts may lower the counter, and only once
  if (!overlay || overlay->m_bEndedByHost) return;
  if (HWND main = MainWindow()) win::EnableWindow(main, TRUE);
  overlay->m_bEndedByHost = true;
  --g_nModalCount;
  overlay->CDialog::OnOK();
}

BOOL SetWindowAlpha(HWND hwnd, BYTE alpha) {
  win::SetLastError(0);
  win::SetWindowLong(hwnd, GWL_EXSTYLE, win::GetWindowLong(hwnd, GWL_EXSTYLE) | static_cast<LONG>(WS_EX_LAYERED));
  if (win::GetLastError() != 0) return FALSE;
  return win::SetLayeredWindowAttributes(hwnd, RGB(255, 255, 255), alpha, LWA_ALPHA);
}
