#include "tools/DlgDefragSummary.h"

#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "scan/ScanManager.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/DlgScan5Summary.h"
#include "tools/OptimizationSummary.h"

CDlgDefragSummary::CDlgDefragSummary(win::CWnd* parent)
    : CChildHtmlDialog(IDD_DEFRAG_SUMMARY_HTML, kDefragSummaryPage, parent) {}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlgDefragSummary::GetDHtmlEventMap() const {
  auto button = [](CChildHtmlDialog& d, const std::wstring& id) {
    return static_cast<CDlgDefragSummary&>(d).OnSummaryButton(id);
  };
  static const std::vector<DHtmlEventEntry> map = {
      {L"idBtnText", button},
      {L"idBtnText1", button},
      {L"idBtnTextFont", button},
      {L"ButtonOK", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonOK(id); }},
      {L"ButtonCancel", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonCancel(id); }},
  };
  return map;
}

BOOL CDlgDefragSummary::OnInitDialog() {
  CChildHtmlDialog::OnInitDialog();
  m_layout.Apply(nullptr, GetSafeHwnd(), 374, 96.0);
  return TRUE;
}

void CDlgDefragSummary::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  FillSummaryPage();
}

void CDlgDefragSummary::FillSummaryPage() {
  auto* parent = dynamic_cast<CDlgScan5Summary*>(m_pParentWnd);
  // Before its document is complete the page has nothing to fill; completing it fills it.
  if (!parent || !m_page.GetDocument()) return;
  CZUNApp* app = AfxGetZunApp();
  const int problems = app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
  OptimizationSummaryCounters counters;
  counters.dwSizeBefore = parent->m_dwSizeBefore;
  counters.dwSizeAfter = parent->m_dwSizeAfter;
  counters.dwSpaceSaved = parent->m_dwSpaceSaved;
  counters.nHivesOptimized = parent->m_nHivesOptimized;
  m_page.CallJScript(L"SetText", BuildSummaryPageTexts(problems, counters));
}

HRESULT CDlgDefragSummary::OnSummaryButton(const std::wstring&) {
  auto* page = dynamic_cast<CDialog*>(m_pParentWnd);
  if (page && page->m_pParentWnd) page->m_pParentWnd->PostMessage(WM_COMMAND, IDC_BTN_DEFRAG_CLOSE, 0);
  return S_OK;
}
