#include "ui/TaskbarNotifier.h"

#include <algorithm>

#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "ui/NotifierWindow.h"
#include "ui/STMemDC.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key, kResourceSection); }

HFONT MakeFont(const wchar_t* face, int height, int weight, bool underline) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfUnderline = underline ? 1 : 0;
  std::wstring_view name = face;
  std::copy(name.begin(), name.begin() + std::min<size_t>(name.size(), LF_FACESIZE - 1), lf.lfFaceName);
  return win::CreateFontIndirect(&lf);
}

void FreeFont(HFONT& font) {
  if (font) win::DeleteObject(font);
  font = nullptr;
}

}  // namespace

CTaskbarNotifier::CTaskbarNotifier() = default;

CTaskbarNotifier::~CTaskbarNotifier() {
  if (GetSafeHwnd()) DestroyWindow();
  FreeFont(m_hNormalFont);
  FreeFont(m_hBoldFont);
  FreeFont(m_hUnderlineFont);
  if (m_hSkin) win::DeleteObject(m_hSkin);
}

BOOL CTaskbarNotifier::Create(win::CWnd* parent) {
  if (GetSafeHwnd()) return TRUE;
  RegisterNotifierWindowClass(L"MendrixTaskbarNotifier");
  if (!CreateEx(WS_EX_TOOLWINDOW, L"MendrixTaskbarNotifier", L"", WS_POPUP, 0, 0, 0, 0,
                parent ? parent->GetSafeHwnd() : nullptr, nullptr))
    return FALSE;
  SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  return TRUE;
}

void CTaskbarNotifier::CreateFonts() {
  FreeFont(m_hNormalFont);
  FreeFont(m_hBoldFont);
  FreeFont(m_hUnderlineFont);
  constexpr int kNinePoint = -12;  // 9 points at 96 dots per inch
  m_hNormalFont = MakeFont(L"Arial", kNinePoint, 400, false);
  m_hUnderlineFont = MakeFont(L"Arial", kNinePoint, 400, true);
  m_hBoldFont = MakeFont(L"Arial", kNinePoint, 700, false);
}

BOOL CTaskbarNotifier::LoadSkin() {
  if (m_hSkin) win::DeleteObject(m_hSkin);
  m_hSkin = gdi::LoadBitmapResource(kTaskbarSkinBitmap);
  BITMAP info{};
  if (!m_hSkin || !win::GetObject(m_hSkin, sizeof(info), &info)) {
    m_nSkinWidth = m_nSkinHeight = 0;
    return FALSE;
  }
  m_nSkinWidth = info.bmWidth;
  m_nSkinHeight = info.bmHeight;
  m_rcMessage = RECT{0, 0, m_nSkinWidth, m_nSkinHeight};
  return TRUE;
}

std::wstring CTaskbarNotifier::GetLowerLinkText() const {
  if (m_nMode != NOTIFIER_MODE_DLL_FIXED) return Text(L"IDS_FIX_ERR_NOW");
  // Once the user said the problem stays, this link sends that answer: it must not read "fixed".
  return Text(m_bConfirmAsked ? L"IDS_TELL_US_ABOUT_PROBLEM" : L"IDC_RADIO_FIXED_PROBLEM");
}

void CTaskbarNotifier::Show(const std::wstring& text) {
  m_strTitle = Text(m_nMode == NOTIFIER_MODE_DLL_FIXED ? L"IDC_RADIO_STILL_HAVE_PROBLEM" : L"string6");
  m_strMessage = text;
  m_nShowTime = 500;
  m_nStayTime = 60000;
  m_nHideTime = 500;
  RECT& work = m_rcWork;
  win::SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  const int screenWidth = win::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = win::GetSystemMetrics(SM_CYSCREEN);
  int edge = 4;  // 1 top, 2 left, 3 right, 4 bottom
  if (work.right - work.left < screenWidth)
    edge = work.left == 0 ? 3 : 2;
  else if (work.bottom - work.top < screenHeight && work.top != 0)
    edge = 1;
  const int w = m_nSkinWidth, h = m_nSkinHeight;
  const auto per = [](int time, int pixels) { return pixels / 2 > 0 ? time / (pixels / 2) : time; };
  switch (m_nAnimState) {
    case kHidden:
      ShowWindow(SW_SHOWNOACTIVATE);
      m_nDirection = edge;
      switch (edge) {
        case 3: m_nStartX = work.right, m_nStartY = work.bottom - h; break;
        case 2: m_nStartX = work.left - w, m_nStartY = work.bottom - h; break;
        case 1: m_nStartX = work.right - w, m_nStartY = work.top - h; break;
        default: m_nStartX = work.right - w, m_nStartY = work.bottom; break;
      }
      m_nAppearInterval = per(m_nShowTime, edge <= 1 || edge == 4 ? h : w);
      m_nDisappearInterval = per(m_nHideTime, edge <= 1 || edge == 4 ? h : w);
      m_nCurrentX = m_nStartX;
      m_nCurrentY = m_nStartY;
      MoveToCurrent();
      m_nAnimState = kAppearing;
      SetTimer(kNotifierTimerAppear, m_nAppearInterval);
      break;
    case kAppearing:
      Invalidate(TRUE);
      UpdateWindow();
      break;
    case kWaiting:
      Invalidate(TRUE);
      UpdateWindow();
      SetTimer(kNotifierTimerWait, m_nStayTime);
      break;
    case kDisappearing:
      KillTimer(kNotifierTimerDisappear);
      m_nAnimState = kWaiting;
      SetTimer(kNotifierTimerWait, m_nStayTime);
      switch (m_nDirection) {
        case 3: m_nCurrentX = work.right - w; break;
        case 2: m_nCurrentX = work.left; break;
        case 1: m_nCurrentY = work.top; break;
        default: m_nCurrentY = work.bottom - h; break;
      }
      MoveToCurrent();
      Invalidate(TRUE);
      UpdateWindow();
      break;
  }
}

void CTaskbarNotifier::MoveToCurrent() {
  SetWindowPos(nullptr, m_nCurrentX, m_nCurrentY, m_nSkinWidth, m_nSkinHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void CTaskbarNotifier::StopAndHide() {
  if (m_nAnimState != kHidden) KillTimer(static_cast<UINT_PTR>(m_nAnimState));
  KillTimer(kNotifierTimerWait);
  if (GetSafeHwnd()) {
    MoveWindow(0, 0, 0, 0);
    ShowWindow(SW_HIDE);
  }
  m_nAnimState = kHidden;
}

void CTaskbarNotifier::Hide(BOOL quit) {
  StopAndHide();
  if (quit) Act(NotifierAction::Quit);
}

void CTaskbarNotifier::Act(NotifierAction action) {
  if (m_onAction) m_onAction(action);
}

void CTaskbarNotifier::OnTimer(UINT_PTR id) {
  const int w = m_nSkinWidth, h = m_nSkinHeight;
  switch (id) {
    case kNotifierTimerAppear: {
      m_nAnimState = kAppearing;
      bool reached = false;
      switch (m_nDirection) {
        case 1: reached = m_nCurrentY - m_nStartY >= h; if (!reached) m_nCurrentY += m_nStep; break;
        case 2: reached = m_nCurrentX - m_nStartX >= w; if (!reached) m_nCurrentX += m_nStep; break;
        case 3: reached = m_nCurrentX <= m_nStartX - w; if (!reached) m_nCurrentX -= m_nStep; break;
        default: reached = m_nCurrentY <= m_nStartY - h; if (!reached) m_nCurrentY -= m_nStep; break;
      }
      if (reached) {
        KillTimer(kNotifierTimerAppear);
        SetTimer(kNotifierTimerWait, m_nStayTime);
        m_nAnimState = kWaiting;
        return;
      }
      MoveToCurrent();
      return;
    }
    case kNotifierTimerWait:
      KillTimer(kNotifierTimerWait);
      m_nAnimState = kDisappearing;
      SetTimer(kNotifierTimerDisappear, m_nDisappearInterval);
      return;
    case kNotifierTimerDisappear: {
      m_nAnimState = kDisappearing;
      bool home = false;
      switch (m_nDirection) {
        case 1: home = m_nCurrentY <= m_nStartY; if (!home) m_nCurrentY -= m_nStep; break;
        case 2: home = m_nCurrentX <= m_nStartX; if (!home) m_nCurrentX -= m_nStep; break;
        case 3: home = m_nCurrentX >= m_nStartX; if (!home) m_nCurrentX += m_nStep; break;
        default: home = m_nCurrentY >= m_nStartY; if (!home) m_nCurrentY += m_nStep; break;
      }
      if (home) {
        Hide(FALSE);
        Act(NotifierAction::SlidAway);
        return;
      }
      MoveToCurrent();
      return;
    }
    default:
      return;
  }
}

void CTaskbarNotifier::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  if (m_hSkin) DrawBitmap(m_hSkin, buffer.GetSafeHdc(), 0, 0, client.right, client.bottom, SRCCOPY);
  buffer.SetBkMode(TRANSPARENT);
  HGDIOBJ old = buffer.SelectObject(m_hNormalFont);
  buffer.SetTextColor(m_crText);
  RECT message = m_rcMessage;
  buffer.DrawText(m_strMessage, &message, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
  HFONT uiBold = nullptr;
  {
    LOGFONTW lf{};
    GetUILogFont(lf);
    lf.lfHeight = -13;
    lf.lfWeight = 700;
    uiBold = win::CreateFontIndirect(&lf);
  }
  if (m_nMode != NOTIFIER_MODE_DLL_FIXED) {
    buffer.SelectObject(uiBold);
    buffer.SetTextColor(RGB(20, 20, 20));
    RECT count{20, 96, 250, 120};
    buffer.DrawText(mx::SafeFormat(Text(L"IDS_ERRORCOUNTS"), {m_nProblemCount}), &count,
                    DT_CENTER | DT_VCENTER | DT_WORDBREAK);
  }
  buffer.SelectObject(m_hUnderlineFont);
  buffer.SetTextColor(RGB(5, 5, 255));
  RECT title = kTitleLink;
  buffer.DrawText(m_strTitle, &title, DT_CENTER | DT_VCENTER);
  buffer.SelectObject(uiBold);
  buffer.SetTextColor(RGB(20, 20, 20));
  RECT lower = kLowerLink;
  buffer.DrawText(GetLowerLinkText(), &lower, DT_CENTER | DT_VCENTER);
  buffer.SelectObject(old);
  if (uiBold) win::DeleteObject(uiBold);
}

void CTaskbarNotifier::OnMouseMove(POINT point) {
  TRACKMOUSEEVENT request;
  request.dwFlags = TME_HOVER | TME_LEAVE;
  request.hwndTrack = m_hWnd;
  request.dwHoverTime = 1;
  win::TrackMouseEvent(&request);
  const bool overLink = NotifierHit(kLowerLink, point) || NotifierHit(kTitleLink, point) || NotifierHit(kCloseArea, point);
  m_hCursor = win::LoadCursor(nullptr, overLink ? IDC_HAND : IDC_ARROW);
}

void CTaskbarNotifier::OnLButtonUp(POINT point) {
  const bool dllMode = m_nMode == NOTIFIER_MODE_DLL_FIXED;
  if (NotifierHit(kTitleLink, point)) {
    if (dllMode) {
      if (m_bConfirmAsked) return Hide(TRUE);
      m_bConfirmAsked = 1;
      m_strMessage = Text(L"IDS_CONFIRM_CONTACT");
      Invalidate(TRUE);
      return;
    }
    StopAndHide();
    return Act(m_nMode == NOTIFIER_MODE_START_SCAN ? NotifierAction::StartScan : NotifierAction::ViewResults);
  }
  if (NotifierHit(kLowerLink, point)) {
    StopAndHide();
    if (!dllMode) return Act(NotifierAction::ViewResults);
    return Act(m_bConfirmAsked ? NotifierAction::DllNotFixed : NotifierAction::DllFixed);
  }
  if (NotifierHit(kCloseArea, point)) Hide(TRUE);
}

LRESULT CTaskbarNotifier::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(NotifierMousePoint(lParam));
      break;
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
      return 0;
    case WM_SETCURSOR:
      if (static_cast<LRESULT>(lParam & 0xFFFF) == HTCLIENT) {
        win::SetCursor(m_hCursor ? m_hCursor : win::LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_LBUTTONUP: {
      const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
      OnLButtonUp(NotifierMousePoint(lParam));
      return result;
    }
    case WM_TIMER: {
      const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
      OnTimer(wParam);
      return result;
    }
    default:
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}
