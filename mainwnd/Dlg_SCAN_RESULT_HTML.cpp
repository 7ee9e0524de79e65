#include "mainwnd/Dlg_SCAN_RESULT_HTML.h"

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"

DWORD CDlg_SCAN_RESULT_HTML::s_dwLastCleanClick = 0;

namespace {

CScanManager* Manager() {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

}  // namespace

CDlg_SCAN_RESULT_HTML::CDlg_SCAN_RESULT_HTML() : CChildHtmlDialog(IDD, kPage) {}

std::vector<std::wstring> CDlg_SCAN_RESULT_HTML::PageTextKeys() {
  return {L"string33", L"string20", L"string22", L"string23", L"string24", L"string25", L"string38",
          L"string39", L"string40", L"string41", L"string42", L"string26", L"string27", L"string43",
          L"string44", L"string28", L"string29", L"string45", L"string46", L"string47", L"string48",
          L"string30", L"string31", L"string49", L"string50", L"IDS_SOFTWARE", L"string109", L"string35",
          L"string159", L"string160", L"string165", L"string166", L"string167", L"IDS_BTN_FIX_ERRORS"};
}

std::vector<std::wstring> CDlg_SCAN_RESULT_HTML::CategoryCounts(const CScanManager* manager) {
  std::vector<std::wstring> counts;
  for (const ScanOrderRow& row : kScanOrder) {
    const CCategory* category = manager ? manager->GetCategory(row.flag) : nullptr;
    counts.push_back(std::to_wstring(category ? category->m_arrProblems.size() : 0));
  }
  return counts;
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlg_SCAN_RESULT_HTML::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    std::vector<DHtmlEventEntry> entries;
    auto self = [](CChildHtmlDialog& d) -> CDlg_SCAN_RESULT_HTML& { return static_cast<CDlg_SCAN_RESULT_HTML&>(d); };
    for (const wchar_t* id : {L"btnStartClean12", L"btnStartClean1", L"btnStartCleanNew", L"btnStartCleanLeft",
                              L"btnStartCleanMiddle", L"btnStartCleanRight", L"btnStartClean11", L"btnStartClean1Left",
                              L"btnStartClean1Middle", L"btnStartClean1Right", L"string170", L"string171"})
      entries.push_back({id, [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnStartClean(); }});
    for (const wchar_t* id : {L"btnbottomDetailedView", L"string109"})
      entries.push_back({id, [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnDetailedView(); }});
    for (const wchar_t* id : {L"idBackToResults", L"idBackToResults1", L"string159"})
      entries.push_back({id, [self](CChildHtmlDialog& d, const std::wstring&) { return self(d).OnBackToResults(); }});
    return entries;
  }();
  return map;
}

void CDlg_SCAN_RESULT_HTML::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  CZUNApp* app = AfxGetZunApp();
  m_page.CallJScriptTwoArgs(L"setlanguage", GetLangCode(), app && app->m_bSegoeUIAvailable ? L"1" : L"0");
  m_page.CallJScriptOneArg(L"LoadStrings", GetLocalizedString(L"string34"));
  std::vector<std::wstring> texts = PageTextKeys();
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStringsDiv", texts);
}

LRESULT CDlg_SCAN_RESULT_HTML::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) OnTimer(wParam);
  return CChildHtmlDialog::WindowProc(msg, wParam, lParam);
}

void CDlg_SCAN_RESULT_HTML::ShowResults() {
  m_arrPageArgs = CategoryCounts(Manager());
  SetTimer(kTimerFillPage, kFillDelayMs);
}

void CDlg_SCAN_RESULT_HTML::OnTimer(UINT_PTR id) {
  if (id != kTimerFillPage) return;
  KillTimer(kTimerFillPage);
  m_page.CallJScript(L"UpdateResultsPage", m_arrPageArgs);
  ShowScreenSoon(m_pHost, SCREEN_SCAN_RESULTS);
}

HRESULT CDlg_SCAN_RESULT_HTML::OnStartClean() {
  win::Sleep(0);
  const DWORD now = win::GetTickCount();
  if (now - s_dwLastCleanClick <= kRepairClickGuardMs - 1) {
    WriteLogLine(L"OnbtnStartClean : clicked with in 3072 return S_OK without clean");
    return S_OK;
  }
  s_dwLastCleanClick = now;
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_bCleanRunning) {
    WriteLogLine(L"OnbtnStartClean : Cleaning already going on");
    return S_OK;
  }
  WriteLogLine(L"Clicked on Fix Errors");
  CScanManager* manager = Manager();
  if (manager && manager->GetSelectedProblemCount() >= 1) {
    PostMainCommand(m_pHost, ID_CMD_START_CLEAN);
    return S_OK;
  }
  win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_NO_ERRORS_SELECTED").c_str(),
                  GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
  return OnDetailedView();
}

HRESULT CDlg_SCAN_RESULT_HTML::OnDetailedView() {
  if (m_runProblemsView)
    m_runProblemsView(*this, GetLocalizedString(L"IDS_STR_REG_ERR_DETAILS"));
  else
    WriteLogLine(L"The detailed problem list is not available");
  return S_OK;
}

HRESULT CDlg_SCAN_RESULT_HTML::OnBackToResults() {
  ShowResults();
  return S_OK;
}
