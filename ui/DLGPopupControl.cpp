#include "ui/DLGPopupControl.h"

#include <algorithm>
#include <cstdlib>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LanguageTable.h"
#include "app/LocalizedStrings.h"
#include "platform/base/SafeFormat.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "ui/NotifierWindow.h"
#include "ui/STMemDC.h"

std::atomic<HWND> CDLGPopupControl::s_activePopup{nullptr};

namespace {

constexpr LRESULT MA_NOACTIVATE = 3;
constexpr UINT kBackgroundBitmap = 176;
constexpr UINT kHandCursor = 316;
constexpr RECT kLinkBand{5, 118, 235, 135};
constexpr RECT kMiddleBand{5, 99, 235, 115};
constexpr RECT kHoverBand{8, 72, 216, 124};

int StepToward(int current, int target, int stepsLeft) {
  return stepsLeft > 0 ? current + (target - current) / stepsLeft : target;
}

HFONT MakeFont(int height, bool underline, BYTE charset) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_BOLD;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfCharSet = charset;
  lf.lfQuality = CLEARTYPE_QUALITY;
  std::wstring_view face = L"arial";
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return win::CreateFontIndirect(&lf);
}

}  // namespace

PopupContent MakePopupContent(bool updateRun, int problemCount) {
  PopupContent content;
  content.updateRun = updateRun;
  content.problemCount = problemCount;
  const auto text = [](const wchar_t* key) { return GetLocalizedString(key, kResourceSection); };
  if (updateRun) {
    content.message = text(L"IDS_NEW_UPDATE_AVAILABLE");
    content.link = text(L"IDS_CLK_TO_UPDATE_NOW");
  } else if (problemCount >= 1) {
    content.message = mx::SafeFormat(text(L"IDS_ZUN_FOUND_NUM"),
                                     {problemCount, text(problemCount < 2 ? L"IDS_ERROR" : L"IDS_ERRORS")}) +
                      L" " + text(L"IDS_DURING_SCH_SCAN");
    content.link = text(L"IDS_CLICK_TOVIEW_RESULTS");
  } else {
    content.message = text(L"IDS_ZUN_DIDNOT_FOUND_ERRORS") + L" " + text(L"IDS_ON_UR_SYSTEM");
    content.link = text(L"IDS_CLICKTO_OPEN_ZUN");
  }
  const int language = GetLangID();
  content.languageIndex = language >= 0 && language < kLanguageCount ? language : 0;
  content.charset = LanguageTable[content.languageIndex].charset;
  return content;
}

CDLGPopupControl::CDLGPopupControl(PopupContent content) : m_content(std::move(content)) {
  win::Sleep(0);
  // The popup alive now leaves first; its own thread handles the close while this one waits.
  if (HWND old = s_activePopup.load(); old && win::IsWindow(old)) win::SendMessage(old, WM_CLOSE, 0, 0);
  RECT work{};
  win::SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  m_ptAnchor = POINT{work.right - 27, work.bottom};
}

CDLGPopupControl::~CDLGPopupControl() {
  if (GetSafeHwnd()) Finish();
}

BOOL CDLGPopupControl::Create(HWND parent) {
  if (GetSafeHwnd()) return TRUE;
  DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  m_bLayered = m_nAlpha <= 254 || m_nMode == 1;
  if (m_bLayered) exStyle |= WS_EX_LAYERED;
  m_hOwner = parent;
  RegisterNotifierWindowClass(L"MendrixPopup");
  if (!CreateEx(exStyle, L"MendrixPopup", L"", WS_POPUP, 0, 0, 0, 0, parent, nullptr)) return FALSE;
  s_activePopup.store(m_hWnd);
  m_hCursor = nullptr;
  return TRUE;
}

void CDLGPopupControl::NotifyOwner(WPARAM wParam, LPARAM lParam) {
  if (m_hOwner && win::IsWindow(m_hOwner)) win::PostMessage(m_hOwner, WM_POPUP_NOTIFY, wParam, lParam);
}

void CDLGPopupControl::SetState(int state) {
  if (m_nState == state) return;
  m_nState = state;
  NotifyOwner(kPopupStateChanged, state);
}

int CDLGPopupControl::AnimationSteps() const {
  return m_nStepInterval > 0 ? std::max(1, m_nAnimTime / m_nStepInterval) : 1;
}

void CDLGPopupControl::BeginShow(BOOL firstTime) {
  m_nState = kShowing;
  NotifyOwner(kPopupStateChanged, kShowing);
  const POINT a = m_ptAnchor;
  m_rcTarget = RECT{a.x - m_nWidth, a.y - m_nHeight, a.x, a.y};
  m_nTargetAlpha = m_nAlpha;
  if (firstTime) {
    m_rcCurrent = m_rcTarget;
    m_nCurrentAlpha = m_nAlpha;
    if (m_nMode == 0 || m_nAnimTime == 0) {
      ApplyFrame(true);
      OnShown();
      return;
    }
    if (m_nMode == 1) m_nCurrentAlpha = 0;
    if (m_nMode == 2) m_rcCurrent = RECT{a.x - m_nWidth, a.y, a.x, a.y};
    if (m_nMode == 3) m_rcCurrent = RECT{a.x, a.y, a.x, a.y};
    m_nStepsLeft = AnimationSteps();
  } else {
    m_nStepsLeft = std::max(1, AnimationSteps() - m_nStepsLeft);
  }
  SetTimer(kPopupTimerShow, m_nStepInterval);
  ApplyFrame(true);
}

void CDLGPopupControl::OnShown() {
  SetState(kShown);
  m_rcCurrent = m_rcTarget;
  m_nCurrentAlpha = m_nAlpha;
  if (m_nStayTime != 0) SetTimer(kPopupTimerStay, m_nStayTime);
}

void CDLGPopupControl::BeginHide() {
  SetState(kHiding);
  if (m_nMode == 0 || m_nAnimTime == 0) return Finish();
  const POINT a = m_ptAnchor;
  if (m_nMode == 1) m_nTargetAlpha = 0;
  if (m_nMode == 2) m_rcTarget = RECT{a.x - m_nWidth, a.y, a.x, a.y};
  if (m_nMode == 3) m_rcTarget = RECT{a.x, a.y, a.x, a.y};
  m_nStepsLeft = AnimationSteps();
  SetTimer(kPopupTimerHide, m_nStepInterval);
  ApplyFrame(true);
}

void CDLGPopupControl::StepAnimation(int stepsLeft) {
  m_rcCurrent.left = StepToward(m_rcCurrent.left, m_rcTarget.left, stepsLeft);
  m_rcCurrent.top = StepToward(m_rcCurrent.top, m_rcTarget.top, stepsLeft);
  m_rcCurrent.right = StepToward(m_rcCurrent.right, m_rcTarget.right, stepsLeft);
  m_rcCurrent.bottom = StepToward(m_rcCurrent.bottom, m_rcTarget.bottom, stepsLeft);
  m_nCurrentAlpha = StepToward(m_nCurrentAlpha, m_nTargetAlpha, stepsLeft);
  ApplyFrame(false);
}

void CDLGPopupControl::ApplyFrame(bool forced) {
  if (!GetSafeHwnd()) return;
  const RECT& r = m_rcCurrent;
  SetWindowPos(nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
  win::InvalidateRect(m_hWnd, nullptr, FALSE);
  // Compared with what the window shows, so that the last step's alpha (which equals the target) is shown too.
  if (m_bLayered && !m_bPaused && (forced || m_nCurrentAlpha != m_nShownAlpha)) {
    m_nShownAlpha = std::clamp(m_nCurrentAlpha, 0, 255);
    win::SetLayeredWindowAttributes(m_hWnd, 0, static_cast<BYTE>(m_nShownAlpha), LWA_ALPHA);
  }
  UpdateWindow();
}

// The window goes, the owner learns it, and this thread's loop ends. The results are saved by the owner.
void CDLGPopupControl::Finish() {
  HWND own = m_hWnd;
  if (own) DestroyWindow();
  HWND expected = own;
  if (own) s_activePopup.compare_exchange_strong(expected, nullptr);
  m_bPaused = FALSE;
  if (m_nState != kNone) SetState(kNone);
  win::PostQuitMessage(0);
}

void CDLGPopupControl::OnTimer(UINT_PTR id) {
  if (id == kPopupTimerShow || id == kPopupTimerHide) {
    StepAnimation(m_nStepsLeft);
    if (--m_nStepsLeft <= 0) {
      KillTimer(id);
      if (id == kPopupTimerShow)
        OnShown();
      else
        Finish();
    }
  } else if (id == kPopupTimerStay && !m_bPaused) {
    KillTimer(kPopupTimerStay);
    BeginHide();
  }
}

void CDLGPopupControl::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  if (HBITMAP bitmap = gdi::LoadBitmapResource(kBackgroundBitmap)) {
    DrawBitmap(bitmap, buffer.GetSafeHdc(), 0, 0, m_nWidth, m_nHeight, SRCCOPY);
    win::DeleteObject(bitmap);
  }
  DrawTexts(buffer, client);
}

void CDLGPopupControl::DrawTexts(CDC& dc, const RECT& client) {
  const bool english = m_content.languageIndex == 0;
  HFONT messageFont = MakeFont(english ? -11 : -9, false, m_content.charset);
  HFONT linkFont = MakeFont(-11, true, m_content.charset);
  dc.SetBkMode(TRANSPARENT);
  HGDIOBJ old = dc.SelectObject(messageFont);
  RECT message{10, 63, client.right - 10, 104};
  dc.SetTextColor(RGB(27, 27, 45));
  dc.DrawText(m_content.message, &message, DT_CENTER | DT_WORDBREAK);
  if (!m_content.link.empty()) {
    dc.SelectObject(english ? linkFont : messageFont);
    RECT link{5, 117, client.right, 135};
    dc.SetTextColor(RGB(18, 27, 225));
    dc.DrawText(m_content.link, &link, DT_CENTER | DT_SINGLELINE);
  }
  dc.SelectObject(old);
  win::DeleteObject(messageFont);
  win::DeleteObject(linkFont);
}

void CDLGPopupControl::OnLButtonDown(POINT point) {
  // Only the link acts; the main window does the rest on its own thread.
  if (!NotifierHit(kLinkBand, point)) return;
  UINT command = kPopupCmdCheckForUpdates;
  if (!m_content.updateRun) command = m_content.problemCount >= 1 ? kPopupCmdScanDone : kPopupCmdHome;
  NotifyOwner(kPopupLinkClicked, command);
  PostMessage(WM_CLOSE, 0, 0);
}

void CDLGPopupControl::OnMouseMove(POINT point) {
  RECT client{};
  GetClientRect(&client);
  const bool inside = NotifierHit(client, point);
  const bool overLink = NotifierHit(kMiddleBand, point) || NotifierHit(kLinkBand, point);
  const HCURSOR wanted = overLink ? win::LoadCursor(nullptr, kHandCursor) : nullptr;
  if (wanted != m_hCursor) {
    m_hCursor = wanted;
    win::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  if (inside && !m_bPaused) {
    m_bPaused = TRUE;
    if (m_bLayered) win::SetLayeredWindowAttributes(m_hWnd, 0, 255, LWA_ALPHA);
    TRACKMOUSEEVENT request;
    request.dwFlags = TME_HOVER | TME_LEAVE;
    request.hwndTrack = m_hWnd;
    request.dwHoverTime = 1;
    m_bTracking = win::TrackMouseEvent(&request);
  } else if (!inside && m_bPaused) {
    m_bPaused = FALSE;
    m_bTracking = FALSE;
    if (m_bLayered)
      win::SetLayeredWindowAttributes(m_hWnd, 0, static_cast<BYTE>(std::clamp(m_nAlpha, 0, 255)), LWA_ALPHA);
  }
  if (inside && m_nState == kHiding) {
    KillTimer(kPopupTimerHide);
    if (m_nMode == 1) {
      OnShown();
      ApplyFrame(true);
    } else {
      BeginShow(FALSE);
    }
  }
}

void CDLGPopupControl::OnMouseHover(POINT point) {
  if (!NotifierHit(kHoverBand, point)) return;
  m_bHoverMessage = 1;
  m_hCursor = win::LoadCursor(nullptr, kHandCursor);
  win::InvalidateRect(m_hWnd, nullptr, FALSE);
}

BOOL CDLGPopupControl::OnSetCursor() {
  win::SetCursor(m_hCursor ? m_hCursor : win::LoadCursor(nullptr, IDC_ARROW));
  return TRUE;
}

LRESULT CDLGPopupControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      return OnSetCursor();
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(NotifierMousePoint(lParam));
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(NotifierMousePoint(lParam));
      break;
    case WM_MOUSEHOVER:
      OnMouseHover(NotifierMousePoint(lParam));
      return 0;
    case WM_MOUSELEAVE:
      m_bHoverMessage = 0;
      OnMouseMove(POINT{-1, -1});
      return 0;
    case WM_TIMER: {
      const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
      OnTimer(wParam);
      return result;
    }
    case WM_CLOSE:
      Finish();
      return 0;
    default:
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL RunPopupNotifier(HWND owner, const PopupRunSettings& settings) {
  auto popup = std::make_unique<CDLGPopupControl>(settings.content);
  popup->m_nMode = settings.mode;
  popup->m_nStayTime = settings.stayTime;
  popup->m_nAnimTime = settings.animTime;
  popup->m_nAlpha = settings.alpha;
  popup->m_nWidth = settings.width;
  popup->m_nHeight = settings.height;
  if (!popup->Create(owner)) {
    // Nothing was shown: the owner still hears the end, so that an unattended run does not wait for ever.
    if (win::IsWindow(owner)) win::PostMessage(owner, WM_POPUP_NOTIFY, kPopupStateChanged, CDLGPopupControl::kNone);
    return FALSE;
  }
  if (popup->GetState() == CDLGPopupControl::kNone) popup->BeginShow(TRUE);
  HWND hwnd = popup->GetSafeHwnd();
  MSG msg{};
  while (win::IsWindow(hwnd) && win::GetMessage(&msg, nullptr, 0, 0) > 0) {
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
  }
  return TRUE;  // the object goes here, on the thread that made it, after its loop
}

namespace {

UINT PopupThreadProc(LPVOID param) {
  std::unique_ptr<std::pair<HWND, PopupRunSettings>> job(static_cast<std::pair<HWND, PopupRunSettings>*>(param));
  try {
    RunPopupNotifier(job->first, job->second);
  } catch (...) {
    // The popup is a courtesy: its failure must not take the program down.
  }
  return 0;
}

}  // namespace

BOOL BeginPopupThread(HWND owner, const PopupRunSettings& settings) {
  auto job = std::make_unique<std::pair<HWND, PopupRunSettings>>(owner, settings);
  if (!win::AfxBeginThread(PopupThreadProc, job.get())) return FALSE;
  job.release();  // the thread owns it now
  return TRUE;
}
