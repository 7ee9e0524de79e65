#pragma once
// The skinned window that slides out of the taskbar's edge 2 pixels a step, shows a message with the problem
// count and two links, waits a minute and slides back. It belongs to the main window and lives on its thread;
// what a click asks for goes to the owner's handler, which brings the window up or answers the question.
#include <functional>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/Wnd.h"

inline constexpr int NOTIFIER_MODE_VIEW_RESULTS = 0;
inline constexpr int NOTIFIER_MODE_START_SCAN = 1;
inline constexpr int NOTIFIER_MODE_DLL_FIXED = 3;

inline constexpr UINT kTaskbarSkinBitmap = 440;
inline constexpr UINT_PTR kNotifierTimerAppear = 1;
inline constexpr UINT_PTR kNotifierTimerWait = 2;
inline constexpr UINT_PTR kNotifierTimerDisappear = 3;

// What a click on the notifier asks of its owner.
enum class NotifierAction {
  StartScan,      // show the window and scan
  ViewResults,    // show the window on the results screen
  DllFixed,       // the installed DLL fixed the problem
  DllNotFixed,    // it did not: show the window and the feedback form
  Quit,           // the close area, or the confirmation taken: the run ends
  SlidAway,       // it went back without any click
};

class CTaskbarNotifier : public win::CWnd {
 public:
  enum AnimState { kHidden = 0, kAppearing = 1, kWaiting = 2, kDisappearing = 3 };

  CTaskbarNotifier();
  ~CTaskbarNotifier() override;

  BOOL Create(win::CWnd* parent);
  void CreateFonts();
  // FALSE (and the size left 0) when the skin cannot be loaded.
  BOOL LoadSkin();
  void Show(const std::wstring& text);
  // Stops at once; with quit the owner is told the run ends.
  void Hide(BOOL quit);

  int GetAnimState() const { return m_nAnimState; }
  POINT GetPosition() const { return POINT{m_nCurrentX, m_nCurrentY}; }
  int GetDirection() const { return m_nDirection; }
  int GetAppearInterval() const { return m_nAppearInterval; }
  int GetDisappearInterval() const { return m_nDisappearInterval; }
  SIZE GetSkinSize() const { return SIZE{m_nSkinWidth, m_nSkinHeight}; }
  const std::wstring& GetMessageText() const { return m_strMessage; }
  const std::wstring& GetTitle() const { return m_strTitle; }
  // The lower link's text as it is drawn now.
  std::wstring GetLowerLinkText() const;
  BYTE IsConfirmAsked() const { return m_bConfirmAsked; }

  int m_nMode = NOTIFIER_MODE_START_SCAN;
  COLORREF m_crText = RGB(133, 146, 181);
  RECT m_rcMessage{};
  // The problem count shown under the message (not in mode 3).
  int m_nProblemCount = 0;
  std::function<void(NotifierAction)> m_onAction;

  static constexpr RECT kTitleLink{50, 120, 210, 140};
  static constexpr RECT kCloseArea{248, 2, 270, 19};
  static constexpr RECT kLowerLink{35, 170, 240, 195};

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnTimer(UINT_PTR id);
  void OnPaint();
  void OnMouseMove(POINT point);
  void OnLButtonUp(POINT point);
  void StopAndHide();
  void MoveToCurrent();
  void Act(NotifierAction action);

  std::wstring m_strTitle, m_strMessage;
  HFONT m_hNormalFont = nullptr, m_hBoldFont = nullptr, m_hUnderlineFont = nullptr;
  HCURSOR m_hCursor = nullptr;
  HBITMAP m_hSkin = nullptr;
  int m_nSkinWidth = 0, m_nSkinHeight = 0;
  int m_nAnimState = kHidden;
  int m_nShowTime = 500, m_nStayTime = 60000, m_nHideTime = 500;
  int m_nAppearInterval = 0, m_nDisappearInterval = 0;
  int m_nStartX = 0, m_nStartY = 0, m_nCurrentX = 0, m_nCurrentY = 0;
  int m_nDirection = 4;
  int m_nStep = 2;
  BYTE m_bConfirmAsked = 0;
  RECT m_rcWork{};
};
