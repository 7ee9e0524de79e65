#include "mainwnd/Dlg_Scan_Main_Htm.h"

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "mainwnd/Dlg_NewHome_Screen_HTML.h"
#include "mainwnd/ScanSummaryTexts.h"
#include "platform/win/Message.h"
#include "scan/ScanManager.h"

namespace {

int ProblemCount() {
  CZUNApp* app = AfxGetZunApp();
  return app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
}

}  // namespace

CDlg_Scan_Main_Htm::CDlg_Scan_Main_Htm() : CChildHtmlDialog(IDD, kPage) {}

std::vector<std::wstring> CDlg_Scan_Main_Htm::PageTextKeys() {
  return {L"string1",  L"string5",  L"string6",  L"IDS_ERRS_FOUND", L"string8", L"IDS_BTN_START_SCANNING_NOW",
          L"IDS_SEL_CATEGORIES", L"IDS_BTN_REG_OPT_SETTINGS", L"string26", L"string27", L"string28", L"string29",
          L"string30", L"string31", L"string160", L"string165", L"string166", L"string167", L"string170"};
}

BOOL CDlg_Scan_Main_Htm::OnInitDialog() {
  CChildHtmlDialog::OnInitDialog();
  m_bHasProblems = 0;
  return TRUE;
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlg_Scan_Main_Htm::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    std::vector<DHtmlEventEntry> entries;
    auto self = [](CChildHtmlDialog& d) -> CDlg_Scan_Main_Htm& { return static_cast<CDlg_Scan_Main_Htm&>(d); };
    for (const wchar_t* id : {L"btnBottomStartscan1", L"btnBottomStartscan2", L"string17", L"btnBottomStartscanLeft",
                              L"btnBottomStartscanMiddle", L"btnBottomStartscanRight"})
      entries.push_back({id, [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnStartScan(); }});
    entries.push_back(
        {L"idViewErrors", [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnViewErrors(); }});
    for (const wchar_t* id : {L"idcat1", L"idcat2", L"idcat3", L"idcat4", L"string24", L"string26", L"string28",
                              L"string30"})
      entries.push_back({id, [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnCategoryBox(); }});
    entries.push_back({L"idConfig", [self](CChildHtmlDialog& d, const std::wstring&) {
                         return OnOpenScheduleSettings(self(d).m_pHost);
                       }});
    return entries;
  }();
  return map;
}

void CDlg_Scan_Main_Htm::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  std::vector<std::wstring> texts = PageTextKeys();
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStrings", texts);
}

void CDlg_Scan_Main_Htm::UpdatePageTexts() {
  const int days = DaysSinceLastScan();
  std::wstring dateText;
  if (days < 0) {
    dateText = GetLocalizedString(L"IDS_NOSCAN");
    m_bHasProblems = 0;
  } else {
    m_bHasProblems = ProblemCount() != 0;
    dateText = GetLocalizedString(L"IDS_SCANNED") + DaysAgoText(days);
  }
  const int problems = ProblemCount();
  m_page.CallJScript(L"OnWelcomeNext", {std::to_wstring(problems), StrLastScan, std::to_wstring(days), dateText,
                                        ProblemCountText(problems)});
  m_page.CallJScript(L"SetBottomTextReg", {GetLocalizedString(L"IDS_SCH_SCAN"), GetLocalizedString(L"IDS_CONFIG_SCH"),
                                           GetLocalizedString(L"IDS_SETUP_AUTOMATED")});
}

HRESULT CDlg_Scan_Main_Htm::OnStartScan() {
  if (m_bHasProblems) {
    // Sent, so the results screen is filled before this click is done.
    if (HWND main = m_pHost ? m_pHost->GetMainWindow() : nullptr) win::SendMessage(main, WM_COMMAND, ID_CMD_SCAN_DONE, 0);
  } else if (m_pHost) {
    m_pHost->StartRegistryScan();
  }
  return S_OK;
}

HRESULT CDlg_Scan_Main_Htm::OnViewErrors() {
  if (m_pHost) m_pHost->StartRegistryScan();
  return S_OK;
}

HRESULT CDlg_Scan_Main_Htm::OnCategoryBox() {
  OpenSettingsPage(m_pHost, IDC_SETTINGS_PAGE_SCAN_AREA);
  return S_OK;
}
