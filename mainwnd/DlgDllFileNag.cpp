#include "mainwnd/DlgDllFileNag.h"

#include <cwchar>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "dllfix/DllInstaller.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinDefs.h"
#include "ui/CopyTextToClipboard.h"
#include "ui/InputApi.h"
#include "ui/STMemDC.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key, kResourceSection); }

long ParseId(const std::wstring& text) {
  if (text.empty()) return -1;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  return end && *end == L'\0' ? value : -1;
}

std::wstring PageString(CWebPage& page, const wchar_t* function) {
  web::ScriptValue value;
  if (!page.CallJScriptNoArgs(function, &value)) return {};
  if (value.type == web::ScriptValue::Type::Number) return std::to_wstring(static_cast<long long>(value.number));
  return value.text;
}

}  // namespace

std::wstring RecordedDllName() {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  key.m_access = KEY_READ;
  std::wstring name;
  if (key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey)) key.ReadString(L"DLLFILENAME", name);
  return name;
}

CDlgDllFileNagHtml::CDlgDllFileNagHtml() : CChildHtmlDialog(IDD_DLL_FILE_NAG_HTML, kDllFileNagPage) {}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlgDllFileNagHtml::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    using Handler = HRESULT (CDlgDllFileNagHtml::*)();
    std::vector<DHtmlEventEntry> entries{
        {L"ButtonOK", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonOK(id); }},
        {L"ButtonCancel", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonCancel(id); }}};
    auto bind = [&](std::initializer_list<const wchar_t*> ids, Handler handler) {
      for (const wchar_t* id : ids)
        entries.push_back({id, [handler](CChildHtmlDialog& d, const std::wstring&) {
                             return (static_cast<CDlgDllFileNagHtml&>(d).*handler)();
                           }});
    };
    bind({L"clickme"}, &CDlgDllFileNagHtml::OnInstallShown);
    bind({L"clickidEX"}, &CDlgDllFileNagHtml::OnInstallAlternate);
    bind({L"idbtnInstall", L"sInstallRecomm"}, &CDlgDllFileNagHtml::OnInstallRecommended);
    bind({L"CopyLinkclick", L"CopyLinkAltclick"}, &CDlgDllFileNagHtml::OnCopyChecksum);
    return entries;
  }();
  return map;
}

void CDlgDllFileNagHtml::PrepareTexts() {
  m_strDllName = RecordedDllName();
  const std::wstring name = m_strDllName;
  m_texts = {{L"dllName", name},
             {L"dllName1", name},
             {L"idDllnameText", name},
             {L"fixing", Text(L"IDS_FIXING_SLL") + L" " + name},
             {L"idHeading1", mx::SafeFormat(Text(L"IDS_DLL_WILL_NOW_BE_INS"), {name})},
             {L"idHeading2", Text(L"IDS_WE_RECOMM_VER")},
             {L"idDescText", Text(L"IDS_DESCRIPTION")},
             {L"idDescValue", L""},
             {L"sInstallRecomm", Text(L"IDS_INSTALL_RECOMMENDED")},
             {L"idInstallSizer", Text(L"IDS_INSTALL_RECOMMENDED")},
             {L"idShowAltText", Text(L"IDS_SHOW_ALT_VER")},
             {L"BackLink", Text(L"IDS_BACK")},
             {L"idAllAvailableTxt", Text(L"IDS_ALL_AVLBL")},
             {L"congs", Text(L"IDS_CONGS_DLL")},
             {L"fixed", Text(L"IDS_AR_FIXED")},
             {L"bottomtext", Text(L"IDS_DLL_NAG_BOTTOM_TEXT")}};
}

void CDlgDllFileNagHtml::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  // The recorded name is shown as text, whatever it holds.
  for (const auto& [id, text] : m_texts) m_page.CallJScriptTwoArgs(L"setElementText", id, text);
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  m_page.CallJScriptOneArg(L"SetBtnText", GetLangCode());
}

void CDlgDllFileNagHtml::SearchNamedDll(const std::wstring& name) {
  std::string reply;
  if (!FetchServiceReply(DllDetailSearchUrl(name), L"dllinfoEx.xml", reply)) {
    win::MessageBox(GetSafeHwnd(), Text(L"IDS_UNABLE_TO_SEARCH_DLL").c_str(), GetAppTitle().c_str(), MB_OK);
    return;
  }
  if (reply.size() >= 2) {
    ReadDetailReply(mx::Utf8ToWide(reply), m_detail);
    ChooseRecommended(m_detail, IsWow64() != FALSE);
  }
  if (reply.size() < 2 || m_detail.Empty()) {
    m_page.CallJScriptOneArg(L"ShowdivNotFound", Text(L"IDS_NO_DLL_FOUND"));
    return;
  }
  m_page.CallJScriptNoArgs(L"showDiv1");
  const int s = m_detail.recommendedTable;
  const DLL_RESULT_DATA_EX& r = m_detail.Table(s).front();
  auto addVersion = [&](int id, int table, const DLL_RESULT_DATA_EX& rec) {
    m_page.CallJScript(L"addTableVersions",
                       {std::to_wstring(id), std::to_wstring(table), Text(L"IDS_VERSION"), rec.fileversion,
                        Text(L"IDS_SYS"), DllSystemText(rec), Text(L"IDS_MD5"), rec.hash, Text(L"IDS_COPY")});
  };
  addVersion(0, s, r);
  m_page.CallJScriptOneArg(L"setText", m_detail.groupDescription);
  int rows = 1;
  for (const DllRowRef& row : SameOrderRows(m_detail)) {
    addVersion(row.index, row.table, *row.record);
    WriteLogLine(SameOrderLogLine(row.table, true) + row.record->hash);
    ++rows;
  }
  m_page.CallJScriptOneArg(L"settxtNewSearchRecommendedInstall",
                           mx::SafeFormat(Text(L"IDS_RECOM_INST_X_FILES"), {rows}));
  for (const DllRowRef& row : AlternativeRows(m_detail))
    m_page.CallJScript(L"addTableAlternateVersions",
                       {std::to_wstring(row.index), std::to_wstring(row.table), Text(L"IDS_VERSION"),
                        row.record->fileversion, Text(L"IDS_SYS"), DllSystemText(*row.record),
                        Text(L"IDS_DESCRIPTION"), row.record->filedescription, Text(L"IDS_SELECT"), Text(L"IDS_MD5"),
                        row.record->hash, Text(L"IDS_COPY")});
}

void CDlgDllFileNagHtml::AfterInstall(BOOL installed) {
  if (installed) m_page.CallJScriptNoArgs(L"DownloadDone");
  UpdateWindow();
}

HRESULT CDlgDllFileNagHtml::OnInstallRecommended() {
  const auto set = RecommendedInstallSet(m_detail);
  AfterInstall(!set[0].filename.empty() && InstallDlls(set[0], set[1], set[2], FALSE));
  return S_OK;
}

BOOL CDlgDllFileNagHtml::SelectedRecord(const DLL_RESULT_DATA_EX*& record) {
  const long id = ParseId(PageString(m_page, L"returnselectedid"));
  const long table = ParseId(PageString(m_page, L"returnselectedArray"));
  record = id < 0 ? nullptr : m_detail.Find(static_cast<int>(table), id);
  return record != nullptr;
}

HRESULT CDlgDllFileNagHtml::OnInstallAlternate() {
  const DLL_RESULT_DATA_EX* record = nullptr;
  if (!SelectedRecord(record)) return S_OK;
  WriteLogLine(L"Alternate DLL selected to download. Checksum - " + record->hash);
  AfterInstall(InstallDlls(*record, {}, {}, TRUE));
  return S_OK;
}

HRESULT CDlgDllFileNagHtml::OnCopyChecksum() {
  const DLL_RESULT_DATA_EX* record = nullptr;
  if (!SelectedRecord(record)) return S_OK;
  WriteLogLine(L"User copied checksum - " + record->hash);
  CopyTextToClipboard(record->hash, GetSafeHwnd());
  return S_OK;
}

HRESULT CDlgDllFileNagHtml::OnInstallShown() {
  MoveWindow(6, 56, 588, 221, TRUE);
  if (m_pFrame) m_pFrame->ShowFollowUpControls();
  return S_OK;
}

CDlgDllFileNag::CDlgDllFileNag(win::CWnd* parent) : CMainBorder(IDD_DLL_FILE_NAG, parent) {
  m_bLogoFrame = 1;
  m_bThinBottom = 1;
  m_bShowMinimize = 0;
  m_htmlPage.m_pFrame = this;
}

BOOL CDlgDllFileNag::OnInitDialog() {
  CMainBorder::OnInitDialog();
  SetWindowText(GetLocalizedString(L"AFX_IDS_APP_TITLE", kResourceSection).c_str());
  MoveWindow(0, 0, 600, 350, TRUE);
  CenterWindow();
  m_btnStartScan.SubclassDlgItem(1, this);
  m_lnkFeedback.SubclassDlgItem(240, this);
  m_btnStartScan.MoveWindow(315, 278, 226, 53);
  m_btnStartScan.SetBitmapsAndText(1043, 0, Text(L"IDS_BTN_START_SCANNING_NOW"));
  m_btnStartScan.m_bLargeText = 1;
  m_btnStartScan.EnableWindow(FALSE);
  m_btnStartScan.ShowWindow(SW_HIDE);
  m_lnkFeedback.MoveWindow(25, 302, 140, 15);
  m_lnkFeedback.SetWindowText(Text(L"IDS_SUBMIT_FEEEDBACK").c_str());
  m_lnkFeedback.EnableWindow(FALSE);
  m_lnkFeedback.ShowWindow(SW_HIDE);
  m_htmlPage.PrepareTexts();
  m_htmlPage.Create(IDD_DLL_FILE_NAG_HTML, this);
  m_htmlPage.MoveWindow(6, 56, 588, 290, TRUE);
  m_htmlPage.ShowWindow(SW_SHOW);
  SetTimer(kNamedDllSearchTimer, kNamedDllSearchDelay);
  return FALSE;
}

void CDlgDllFileNag::OnTimer(UINT_PTR id) {
  if (id != kNamedDllSearchTimer) return;
  KillTimer(kNamedDllSearchTimer);
  ForceForegroundWindow(m_hWnd);
  m_htmlPage.SearchNamedDll(RecordedDllName());
}

void CDlgDllFileNag::ShowFollowUpControls() {
  for (win::CWnd* control : std::initializer_list<win::CWnd*>{&m_btnStartScan, &m_lnkFeedback}) {
    control->EnableWindow(TRUE);
    control->ShowWindow(SW_SHOW);
  }
}

void CDlgDllFileNag::OnCancel() {
  // Escape alone does not close the window; its close button does.
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  EndDialog(IDCANCEL);
}

BOOL CDlgDllFileNag::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
    if (LOWORD(wParam) == 1) {
      EndDialog(IDCANCEL);
      return TRUE;
    }
    if (LOWORD(wParam) == 240) {
      EndDialog(IDOK);
      return TRUE;
    }
  }
  return CMainBorder::OnCommand(wParam, lParam);
}

LRESULT CDlgDllFileNag::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    OnTimer(wParam);
    return 0;
  }
  if (msg == WM_ENDSESSION) SendMessage(WM_COMMAND, IDCANCEL, 0);
  return CMainBorder::WindowProc(msg, wParam, lParam);
}

void CDlgDllFileNag::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  DrawFrame(&buffer, &client);
}

int RunNamedDllFix(win::CWnd* mainWindow) {
  if (mx::Trim(RecordedDllName()).empty()) return IDCANCEL;
  CDlgDllFileNag window(mainWindow);
  return static_cast<int>(window.DoModal());
}
