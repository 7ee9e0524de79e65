#include "ui/DlgSplash.h"

#include <memory>

#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Window.h"
#include "ui/KeyGuardedClose.h"

namespace {
constexpr UINT kSplashTemplate = 404;
constexpr UINT kSplashBitmap = 205;
constexpr UINT kAppIcon = 100;
constexpr int kWidth = 443;
constexpr int kHeight = 253;
constexpr WPARAM kIconSmall = 0;
constexpr WPARAM kIconBig = 1;
}  // namespace

CDlgSplash::CDlgSplash() : CDialog(kSplashTemplate, nullptr) { m_hIcon = win::LoadIcon(nullptr, kAppIcon); }

CDlgSplash* CDlgSplash::CreateAndShow() {
  auto splash = std::make_unique<CDlgSplash>();
  if (!splash->Create(kSplashTemplate, nullptr)) return nullptr;
  // from here the window owns the object (PostNcDestroy deletes it)
  CDlgSplash* shown = splash.release();
  HWND hwnd = shown->m_hWnd;
  shown->ShowWindow(SW_SHOWNORMAL);
  PumpMessages();
  if (win::IsWindow(hwnd)) win::UpdateWindow(hwnd);
  PumpMessages();
  return win::IsWindow(hwnd) ? shown : nullptr;
}

BOOL CDlgSplash::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessage(WM_SETICON, kIconBig, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, kIconSmall, reinterpret_cast<LPARAM>(m_hIcon));
  m_bmpSplash.DeleteObject();
  m_bmpSplash.LoadBitmap(kSplashBitmap);
  SetWindowText(GetLocalizedString(L"AFX_IDS_APP_TITLE", kResourceSection, L"").c_str());
  MoveWindow(0, 0, kWidth, kHeight);
  CenterWindow();
  return TRUE;
}

void CDlgSplash::OnOK() { KeyGuardedOnOK(*this); }
void CDlgSplash::OnCancel() { KeyGuardedOnCancel(*this); }

LRESULT CDlgSplash::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return CDialog::WindowProc(msg, wParam, lParam) == -1 ? -1 : 0;
    case WM_PAINT: {
      CPaintDC paint(m_hWnd);
      DrawBitmap(m_bmpSplash, paint.m_hDC, 0, 0, kWidth, kHeight, SRCCOPY);
      return 0;
    }
    default:
      return CDialog::WindowProc(msg, wParam, lParam);
  }
}

void CDlgSplash::PostNcDestroy() {
  if (m_hIcon) win::DestroyIcon(m_hIcon);
  m_hIcon = nullptr;
  delete this;
}
