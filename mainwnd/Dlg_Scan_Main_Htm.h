#pragma once
// The scan screen behind the Scan Registry button: the last scan's date and problems, the button that scans
// (or shows the results the last scan left), the four scan groups that lead to the scan-area settings, and
// the invitation to schedule scans.
#include <string>
#include <vector>

#include "mainwnd/ScreenHost.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CDlg_Scan_Main_Htm : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 402;
  static constexpr const char* kPage = "426.htm";

  CDlg_Scan_Main_Htm();

  void SetHost(IScreenHost* host) { m_pHost = host; }

  // Refills the counters and dates; the main window calls it before it shows the screen.
  void UpdatePageTexts();

  BOOL OnInitDialog() override;
  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;

  HRESULT OnStartScan();
  HRESULT OnViewErrors();
  HRESULT OnCategoryBox();

  static std::vector<std::wstring> PageTextKeys();

  CWebPage m_page;
  BYTE m_bHasProblems = 0;  // the last refresh found a scan that left problems

 private:
  IScreenHost* m_pHost = nullptr;
};
