#include "tools/Dlg_Reg_Opt_HTML.h"

#include <cstdlib>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/ScheduledTaskWriter.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/shell/ShellExecute.h"
#include "platform/win/MessageBox.h"
#include "tools/DlgRegDefragHome.h"
#include "ui/ModalOverlay.h"

CDlg_Reg_Opt_HTML::CDlg_Reg_Opt_HTML(win::CWnd* parent) : CChildHtmlDialog(IDD_REG_OPT_HTML, "425.htm", parent) {}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlg_Reg_Opt_HTML::GetDHtmlEventMap() const {
  auto optimize = [](CChildHtmlDialog& d, const std::wstring& id) {
    return static_cast<CDlg_Reg_Opt_HTML&>(d).OnOptimizeClick(id);
  };
  static const std::vector<DHtmlEventEntry> map = {
      {L"idbtnOptimizeMiddle", optimize}, {L"idbtnOptimizeRight", optimize}, {L"start3", optimize},
      {L"string154", optimize},           {L"start4", optimize},             {L"string157", optimize},
  };
  return map;
}

void CDlg_Reg_Opt_HTML::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  std::vector<std::wstring> texts = {L"string150", L"string151", L"string152", L"string153",
                                     L"string154", L"string155", L"string157"};
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStrings", texts);
  UpdateLastOptimizedText();
}

void CDlg_Reg_Opt_HTML::UpdateLastOptimizedText() {
  std::wstring text = !StrLatestRegDefrag.empty() ? StrLatestRegDefrag : GetLocalizedString(L"IDS_NOREGOPT_YET");
  m_page.CallJScriptOneArg(L"settext", text);
}

HRESULT CDlg_Reg_Opt_HTML::OnOptimizeClick(const std::wstring&) {
  StartOptimization();
  return S_OK;
}

void CDlg_Reg_Opt_HTML::StartOptimization() {
  CZUNApp* app = AfxGetZunApp();
  win::CWnd* main = app ? app->m_pMainWnd : nullptr;
  HWND owner = main ? main->GetSafeHwnd() : m_hWnd;
  if (GetOSMajorVersion() < 6 || IsUserAdmin()) {
    if (win::MessageBox(owner, GetLocalizedString(L"IDS_ALERT_DEFRAG").c_str(), GetAppTitle().c_str(),
                        MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) != IDYES)
      return;
    CDlgRegDefragHome window(main);
    RunModalWithOverlay(main ? main : this, &window, IDD_REG_DEFRAG_HOME);
    if (main) main->UpdateWindow();
    return;
  }
  // The elevated copy takes over; this one ends at once.
  SaveSettings();
  if (win::ShellExecute(nullptr, L"runas", ProgramModulePath().c_str(), L"zunvistadefrag", L"", SW_SHOWNORMAL) > 32)
    std::exit(0);
  win::MessageBox(owner, GetLocalizedString(L"IDS_STR_LACK_OF_PERMISSION").c_str(), GetAppTitle().c_str(), MB_OK);
}
