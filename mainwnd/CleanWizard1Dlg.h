#pragma once
// The repair page: the classic page the main window shows while the problems marked for repair are repaired.
// It makes a restore point, opens the undo run, starts the engine's repair worker and shows its progress;
// when the worker ends it closes the undo run, settles the problems that are left and sends the main window
// on to the results or the home screen.
#include <functional>
#include <string>

#include "mainwnd/ScreenHost.h"
#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/MyHoverButton.h"

class CScanManager;

inline constexpr UINT IDD_REPAIR_PAGE = 413;
inline constexpr UINT IDC_BTN_STOP_REPAIR = 239;
inline constexpr int IDC_REPAIR_PROGRESS_HIDDEN = 325;
inline constexpr int IDC_REPAIR_PROGRESS = 327;
inline constexpr int IDC_REPAIR_STATUS = 361;
inline constexpr int IDC_REPAIR_HEADING = 339;
inline constexpr int IDC_REPAIR_COUNT = 357;
inline constexpr int IDC_REPAIR_ANIMATION = 1009;
inline constexpr UINT IDR_REPAIR_ANIMATION = 210;

class CCleanWizard1Dlg : public CDlgChildBase {
 public:
  CCleanWizard1Dlg();

  void SetHost(IScreenHost* host) { m_pHost = host; }

  BOOL OnInitDialog() override;
  // The count line: how many problems are marked for repair.
  void ShowSelectedCount();
  // The start: restore point, navigation locked, the manager's window handles, the undo run and the worker.
  // A request while a run is pending or running is only logged.
  void OnRunRepair();
  void OnStopRepair();
  LRESULT OnCleanCompleted();
  LRESULT OnCleanStopped();

  // A run was asked for and has not ended yet (set on this thread before the undo run opens).
  bool IsRepairBusy() const { return m_bRepairPending; }

  // The count text "IDS_TOTAL_SELECTED_FOR_CLEAN" for a count: the plural "s" unless it is exactly 1.
  static std::wstring SelectedCountText(int count);
  // The failed problems that stay listed: the history-list entries among them go into the temporary list so
  // the next scan does not report them again. Returns how many keys were added.
  static int RememberFailedHistoryEntries(const CScanManager& manager, std::vector<std::wstring>& tempList);

  CProgressCtrl m_progressHidden;
  CProgressCtrl m_progressRepair;
  CStatic m_stcStatus;
  CMyHoverButton m_btnStop;
  CDlgTemplateLayout m_layout;
  CStatic m_stcHeading;
  CAnimateCtrl m_animBusy;

  // Called after a run's undo record was written, so the backup screen lists it (the main window sets it).
  std::function<void()> m_onUndoRunRecorded;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();
  // The common end of a run: settings saved, navigation free, the undo run closed, the list settled and
  // saved; returns how many repairs of the run failed.
  int FinishRun(bool completed);
  // Gives up a start that could not open its undo run or its worker.
  void AbandonStart(const wchar_t* why);
  void Tell(const std::wstring& text);

  IScreenHost* m_pHost = nullptr;
  bool m_bRepairPending = false;
};
