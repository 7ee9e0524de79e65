#pragma once
// The small borderless window that fades or grows in above the notification area after an unattended run,
// shows one message and one link line, stays a while and leaves again. It lives on a thread of its own: that
// thread creates it, pumps its timers and clicks, and deletes it when its window is gone (RunPopupNotifier).
// Everything it reports to the main window is posted, never sent, so neither thread ever waits on the other.
#include <atomic>
#include <string>

#include "platform/gdi/DC.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/win/Wnd.h"

// Posted to the owner: wParam kPopupStateChanged with lParam the new state, or kPopupLinkClicked with lParam
// the command the click asks the main window for.
inline constexpr UINT WM_POPUP_NOTIFY = 10061;
inline constexpr WPARAM kPopupLinkClicked = 1;
inline constexpr WPARAM kPopupStateChanged = 2;

// The main window's commands a link click asks for.
inline constexpr UINT kPopupCmdCheckForUpdates = 103;
inline constexpr UINT kPopupCmdScanDone = 1134;
inline constexpr UINT kPopupCmdHome = 223;

inline constexpr UINT_PTR kPopupTimerShow = 296;
inline constexpr UINT_PTR kPopupTimerHide = 297;
inline constexpr UINT_PTR kPopupTimerStay = 304;

// What the popup says: taken on the thread that owns the program's state before the popup's thread starts, so
// the popup never reads the application's flags or the scan results from its own thread.
struct PopupContent {
  bool updateRun = false;  // the unattended update check found a new version
  int problemCount = 0;    // problems of the scheduled scan
  std::wstring message, link;
  int languageIndex = 0;  // 0 is English, drawn with the larger message font and the link font
  BYTE charset = 0;
};

// The texts for an update run or for a scan that found count problems, in the current language.
PopupContent MakePopupContent(bool updateRun, int problemCount);

class CDLGPopupControl : public win::CWnd {
 public:
  enum State { kNone = 0, kShowing = 1, kShown = 2, kHiding = 3 };

  // Closes the popup that is alive (if any) first: one popup at a time.
  explicit CDLGPopupControl(PopupContent content = {});
  ~CDLGPopupControl() override;

  virtual BOOL Create(HWND parent);
  virtual void BeginShow(BOOL firstTime);
  virtual void BeginHide();
  virtual void OnShown();
  virtual void NotifyOwner(WPARAM wParam, LPARAM lParam);

  const PopupContent& GetContent() const { return m_content; }
  int GetState() const { return m_nState; }
  BOOL IsPaused() const { return m_bPaused; }
  RECT GetCurrentRect() const { return m_rcCurrent; }
  int GetCurrentAlpha() const { return m_nCurrentAlpha; }
  int GetStepsLeft() const { return m_nStepsLeft; }

  // Set before Create.
  int m_nMode = 3;  // 0 none, 1 fade, 2 grow upward from the bottom edge, 3 grow from the corner
  int m_nWidth = 254;
  int m_nHeight = 193;
  POINT m_ptAnchor{};  // bottom-right corner; the work area's right edge - 27 and its bottom edge
  int m_nAlpha = 252;
  int m_nStayTime = 8192;
  int m_nAnimTime = 261;
  int m_nStepInterval = 54;

  // The window of the popup alive at present (nullptr when none): a handle, never a pointer, so that another
  // thread can only ever ask the window itself to close.
  static HWND ActivePopupWindow() { return s_activePopup.load(); }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void SetState(int state);
  int AnimationSteps() const;
  void StepAnimation(int stepsLeft);
  void ApplyFrame(bool forced);
  void Finish();
  void OnTimer(UINT_PTR id);
  void OnPaint();
  void DrawTexts(CDC& dc, const RECT& client);
  void OnLButtonDown(POINT point);
  void OnMouseMove(POINT point);
  void OnMouseHover(POINT point);
  BOOL OnSetCursor();

  PopupContent m_content;
  int m_nState = kNone;
  int m_nStepsLeft = 0;
  RECT m_rcTarget{}, m_rcCurrent{};
  int m_nTargetAlpha = 252, m_nCurrentAlpha = 252;
  int m_nShownAlpha = -1;  // the alpha last given to the window
  BOOL m_bPaused = FALSE;
  BOOL m_bTracking = FALSE;
  BYTE m_bHoverMessage = 0, m_bHoverMiddle = 0, m_bHoverLink = 1;
  HCURSOR m_hCursor = nullptr;
  HWND m_hOwner = nullptr;
  bool m_bLayered = false;

  static std::atomic<HWND> s_activePopup;
};

// Everything the runner sets before the popup is created.
struct PopupRunSettings {
  PopupContent content;
  int mode = 1;
  int stayTime = 7002;
  int animTime = 1024;
  int alpha = 255;
  int width = 254;
  int height = 193;
};

// Makes a popup on the calling thread with owner as parent, shows it and runs this thread's messages until
// its window is gone; then deletes it. Returns FALSE when the window could not be made (the owner is told
// the state 0 all the same, so an unattended run still ends).
BOOL RunPopupNotifier(HWND owner, const PopupRunSettings& settings);
// Begins a thread that runs RunPopupNotifier and ends with it; any exception ends the thread quietly.
// FALSE when the thread could not start.
BOOL BeginPopupThread(HWND owner, const PopupRunSettings& settings);
