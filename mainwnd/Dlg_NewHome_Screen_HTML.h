#pragma once
// The home screen: when the registry was last scanned and what that scan left, one button that scans or
// opens the results, the schedule link, and the DLL installation panel. Its page finishing to load is what
// lets the main window show itself the first time.
#include <string>
#include <vector>

#include "mainwnd/ScreenHost.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CDlg_NewHome_Screen_HTML : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 386;
  static constexpr const char* kPage = "424.htm";

  CDlg_NewHome_Screen_HTML();

  void SetHost(IScreenHost* host) { m_pHost = host; }

  // Refills the counters, dates and the DLL panel (after the load and at every press of Home).
  void UpdatePageTexts();

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;

  HRESULT OnScanOrFix();
  HRESULT OnInstallDllNow();

  // The page's texts, in the order the page places them.
  static std::vector<std::wstring> PageTextKeys();

  CWebPage m_page;

 private:
  IScreenHost* m_pHost = nullptr;
};

// Opens the settings screen on its schedule page (home and scan screens).
HRESULT OnOpenScheduleSettings(IScreenHost* host);
