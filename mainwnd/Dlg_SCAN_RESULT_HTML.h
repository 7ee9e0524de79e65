#pragma once
// The results screen: the problems the last scan found in each of the fourteen categories, grouped as the
// scan ran, with the repair button, the detailed problem list and the way back to the summary.
#include <functional>
#include <string>
#include <vector>

#include "mainwnd/ScreenHost.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CScanManager;

class CDlg_SCAN_RESULT_HTML : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 401;
  static constexpr const char* kPage = "428.htm";
  static constexpr UINT_PTR kTimerFillPage = 102;
  static constexpr UINT kFillDelayMs = 27;
  // A second repair click within this time of an accepted one is only logged.
  static constexpr DWORD kRepairClickGuardMs = 3072;

  CDlg_SCAN_RESULT_HTML();

  void SetHost(IScreenHost* host) { m_pHost = host; }

  // Takes the counts of the scan manager's categories, fills the page shortly after and has the main window
  // show the screen.
  void ShowResults();

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;
  void OnTimer(UINT_PTR id);

  HRESULT OnStartClean();
  HRESULT OnDetailedView();
  HRESULT OnBackToResults();

  // The fourteen counts in the page's order (the scan order): 0 for a category that was not scanned.
  static std::vector<std::wstring> CategoryCounts(const CScanManager* manager);
  static std::vector<std::wstring> PageTextKeys();

  CWebPage m_page;
  std::vector<std::wstring> m_arrPageArgs;
  // Runs the detailed problem list modally over this screen, with the title given; the list itself sends
  // the main window on to the results or home screen when it closes. Until it is set the click is logged.
  std::function<void(CDlg_SCAN_RESULT_HTML& screen, const std::wstring& title)> m_runProblemsView;

  // The tick count of the last accepted repair click, for the whole process (0 at start).
  static DWORD s_dwLastCleanClick;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  IScreenHost* m_pHost = nullptr;
};
