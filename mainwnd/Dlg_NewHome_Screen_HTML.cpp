#include "mainwnd/Dlg_NewHome_Screen_HTML.h"

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/ZUNApp.h"
#include "mainwnd/ScanSummaryTexts.h"
#include "platform/win/Timer.h"
#include "scan/ScanManager.h"

namespace {

int ProblemCount() {
  CZUNApp* app = AfxGetZunApp();
  return app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
}

// The age of the last DLL installation in parentheses; empty when none is recorded.
std::wstring InstallAgeText() {
  const int days = DaysSinceLastDllInstall();
  if (days < 0) return L"";
  return L"(" + DaysAgoText(days) + L")";
}

}  // namespace

CDlg_NewHome_Screen_HTML::CDlg_NewHome_Screen_HTML() : CChildHtmlDialog(IDD, kPage) {}

std::vector<std::wstring> CDlg_NewHome_Screen_HTML::PageTextKeys() {
  return {L"string98",  L"string97",  L"string96",  L"string81",  L"string80",  L"string79",
          L"string78",  L"IDS_ERRS_FOUND", L"string68", L"string68", L"string160", L"string136",
          L"string135", L"string134", L"string133", L"string132", L"string131", L"string130",
          L"string129", L"string118", L"string117", L"string117", L"string116", L"string115",
          L"string114", L"string113", L"string112", L"IDS_BTN_START_SCANNING_NOW", L"string105", L"string104",
          L"string103", L"string102", L"string165", L"string166", L"string167", L"string170"};
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlg_NewHome_Screen_HTML::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    std::vector<DHtmlEventEntry> entries;
    auto scanOrFix = [](CChildHtmlDialog& d, const std::wstring&) {
      return static_cast<CDlg_NewHome_Screen_HTML&>(d).OnScanOrFix();
    };
    for (const wchar_t* id : {L"btnBottomStartscan1", L"btnBottomStartscan", L"idFixErrors", L"string103",
                              L"idbtnScanFixLeft", L"idbtnScanFixMiddle", L"idbtnScanFixRight", L"idsScanFixText"})
      entries.push_back({id, scanOrFix});
    entries.push_back({L"string132", [](CChildHtmlDialog& d, const std::wstring&) {
                         return OnOpenScheduleSettings(static_cast<CDlg_NewHome_Screen_HTML&>(d).m_pHost);
                       }});
    auto installDll = [](CChildHtmlDialog& d, const std::wstring&) {
      return static_cast<CDlg_NewHome_Screen_HTML&>(d).OnInstallDllNow();
    };
    for (const wchar_t* id : {L"idInstallaDllFileNow", L"idInstallaDllFileNowLeft", L"idInstallaDllFileNowMiddle",
                              L"idInstallaDllFileNowRight"})
      entries.push_back({id, installDll});
    return entries;
  }();
  return map;
}

void CDlg_NewHome_Screen_HTML::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  std::vector<std::wstring> texts = PageTextKeys();
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStrings", texts);
  UpdatePageTexts();
  if (HWND main = m_pHost ? m_pHost->GetMainWindow() : nullptr)
    win::SetTimer(main, kTimerFirstShow, kFirstShowDelayMs, nullptr);
}

void CDlg_NewHome_Screen_HTML::UpdatePageTexts() {
  const int days = DaysSinceLastScan();
  const std::wstring dateText = days < 0 ? GetLocalizedString(L"IDS_NOSCAN") : DaysAgoText(days);
  const int problems = ProblemCount();
  m_page.CallJScript(L"OnWelcomeNext", {std::to_wstring(problems), StrLastScan, std::to_wstring(days), dateText,
                                        ProblemCountText(problems), L"1", L"0",
                                        GetLocalizedString(L"IDS_SET_SAVE_START_SCAN")});

  // The last DLL line is shown only once an installation has marked the product key.
  std::wstring installedLabel, dllName, installAge;
  CRegistryKey product;
  product.m_access = KEY_READ;
  if (product.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey)) {
    DWORD type = 0, size = 0;
    if (win::RegQueryValueEx(product.Handle(), L"FIRST_FREE_DONE", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      installedLabel = GetLocalizedString(L"IDS_INS_FILES");
      product.ReadString(L"DLLFILENAME", dllName);
      installAge = InstallAgeText();
    }
  }
  m_page.CallJScript(L"SetDllTexts", {GetLocalizedString(L"IDS_DLL_FILE_INS"), L"", L" ", L"1",
                                      GetLocalizedString(L"IDS_INSTALL_A_DLL_NOW"), installedLabel, dllName,
                                      installAge});
}

HRESULT CDlg_NewHome_Screen_HTML::OnScanOrFix() {
  if (ProblemCount() > 0)
    PostMainCommand(m_pHost, ID_CMD_SCAN_DONE);
  else if (m_pHost)
    m_pHost->StartRegistryScan();
  return S_OK;
}

HRESULT CDlg_NewHome_Screen_HTML::OnInstallDllNow() {
  PostMainCommand(m_pHost, IDC_BTN_INSTALL_DLL_FILES);
  return S_OK;
}

HRESULT OnOpenScheduleSettings(IScreenHost* host) {
  OpenSettingsPage(host, IDC_SETTINGS_PAGE_SCHEDULE);
  return S_OK;
}
