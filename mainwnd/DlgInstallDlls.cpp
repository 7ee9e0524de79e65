#include "mainwnd/DlgInstallDlls.h"

#include <cwchar>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/ServiceAddress.h"
#include "app/SystemUtils.h"
#include "dllfix/DllInstaller.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/shell/ShellExecute.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinDefs.h"
#include "ui/CopyTextToClipboard.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

// The page hands ids back as decimal text; anything else reads as no selection.
long ParseId(const std::wstring& text) {
  if (text.empty()) return -1;
  wchar_t* end = nullptr;
  const long value = std::wcstol(text.c_str(), &end, 10);
  return end && *end == L'\0' ? value : -1;
}

}  // namespace

CDlgInstallDlls::CDlgInstallDlls() : CChildHtmlDialog(IDD, kPage) {}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlgInstallDlls::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    using Handler = HRESULT (CDlgInstallDlls::*)();
    std::vector<DHtmlEventEntry> entries;
    auto bind = [&](std::initializer_list<const wchar_t*> ids, Handler handler) {
      for (const wchar_t* id : ids)
        entries.push_back({id, [handler](CChildHtmlDialog& d, const std::wstring&) {
                             return (static_cast<CDlgInstallDlls&>(d).*handler)();
                           }});
    };
    bind({L"idbtnSearchMiddle", L"idbtnSearchRight", L"start3", L"string154", L"string157", L"start4"},
         &CDlgInstallDlls::SearchDll);
    bind({L"clickid"}, &CDlgInstallDlls::OnResultClick);
    bind({L"clickidEX"}, &CDlgInstallDlls::OnInstallAlternate);
    bind({L"idDownloadRecomm", L"idInstallRecomm", L"idDivInstallRecomm"}, &CDlgInstallDlls::OnInstallRecommended);
    bind({L"divNewSearch", L"txtNewSearch", L"idbtnnewsearchR", L"idbtnnewsearchL", L"idbtnnewsearchM"},
         &CDlgInstallDlls::OnNewSearch);
    bind({L"CopyLinkclick", L"CopyLinkAltclick"}, &CDlgInstallDlls::OnCopyChecksum);
    bind({L"idSuggest"}, &CDlgInstallDlls::OnSuggest);
    return entries;
  }();
  return map;
}

void CDlgInstallDlls::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  std::vector<std::wstring> texts{L"IDS_BTN_SEARCH_TARVOLEN", L"IDS_TYPE_DLL_FILE_NAME", L"string152",
                                  L"IDS_NEED_INET_CONN",      L"IDS_BTN_SEARCH_TARVOLEN", L"IDS_SEARCH_RESULTS",
                                  L"string157"};
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStrings", texts);
}

std::wstring CDlgInstallDlls::PageString(const wchar_t* function) {
  web::ScriptValue value;
  if (!m_page.CallJScriptNoArgs(function, &value)) return {};
  if (value.type == web::ScriptValue::Type::Number) return std::to_wstring(static_cast<long long>(value.number));
  return value.text;
}

void CDlgInstallDlls::Tell(const std::wstring& key) {
  win::MessageBox(GetSafeHwnd(), Text(key.c_str()).c_str(), GetAppTitle().c_str(), MB_OK);
}

void CDlgInstallDlls::ShowNoResults(const std::wstring& name) {
  m_page.CallJScriptNoArgs(L"ClearSearchResults");
  m_page.CallJScriptTwoArgs(L"noresults", mx::SafeFormat(Text(L"IDS_SEARCH_RESULTS"), {name}),
                            Text(L"IDS_NO_DLL_FOUND"));
}

HRESULT CDlgInstallDlls::SearchDll() {
  const std::wstring name = mx::Trim(PageString(L"getval"));
  if (name.empty()) {
    Tell(L"IDS_ENTER_DLL_TO_SEARCH");
    m_page.CallJScriptNoArgs(L"ClearSearchResults");
    return S_OK;
  }
  std::string reply;
  if (!FetchServiceReply(DllSearchUrl(name), L"dllinfo.xml", reply)) {
    Tell(L"IDS_UNABLE_TO_SEARCH_DLL");
    return S_OK;
  }
  if (reply.size() < 2) {
    ShowNoResults(name);
    return S_OK;
  }
  m_arrResults = ReadSearchReply(DecodeSearchReply(reply));
  m_page.CallJScriptNoArgs(L"ClearSearchResults");
  m_page.CallJScriptOneArg(L"setSearchResults", mx::SafeFormat(Text(L"IDS_SEARCH_RESULTS"), {name}));
  for (size_t i = 0; i < m_arrResults.size(); ++i)
    m_page.CallJScript(L"AddToSearchList", {std::to_wstring(i), m_arrResults[i].FILENAME, m_arrResults[i].FILEDESC});
  return S_OK;
}

HRESULT CDlgInstallDlls::OnResultClick() {
  const long id = ParseId(PageString(L"returnselectedid"));
  if (id < 0 || static_cast<size_t>(id) >= m_arrResults.size()) return S_OK;
  const DLL_RESULT_DATA row = m_arrResults[static_cast<size_t>(id)];
  DetailSearch(row.FILENAME, row.FILEDESC);
  UpdateWindow();
  return S_OK;
}

void CDlgInstallDlls::ShowExactResultHeader(const std::wstring& fileName, const std::wstring& description) {
  m_page.CallJScriptNoArgs(L"HideDivShowExactSearchResult");
  m_page.CallJScript(L"setSearchResultsEXact",
                     {Text(L"IDS_NEW_SEARCH"), fileName, Text(L"IDS_DESCRIPTION"), description,
                      Text(L"IDS_INSTALL_RECOMMENDED"), Text(L"IDS_VERSION"), Text(L"IDS_SYS"), Text(L"IDS_LANG"),
                      Text(L"IDS_MD5"), Text(L"IDS_SHOW_ADV"), Text(L"IDS_ALL_AVLBL")});
}

void CDlgInstallDlls::DetailSearch(std::wstring fileName, std::wstring description) {
  std::string reply;
  if (!FetchServiceReply(DllDetailSearchUrl(fileName), L"dllinfoEx.xml", reply)) {
    Tell(L"IDS_UNABLE_TO_SEARCH_DLL");
    return;
  }
  if (reply.size() < 2) {
    ShowNoResults(fileName);
    return;
  }
  ShowExactResultHeader(fileName, description);
  ReadDetailReply(mx::Utf8ToWide(reply), m_detail);
  ChooseRecommended(m_detail, IsWow64() != FALSE);
  if (m_detail.Empty()) {
    m_page.CallJScriptNoArgs(L"ShowNewSearch");
    ShowNoResults(fileName);
    return;
  }
  m_page.CallJScriptNoArgs(L"ClearSearchResults");
  const DLL_RESULT_DATA_EX& r = m_detail.Table(m_detail.recommendedTable).front();
  m_page.CallJScript(L"addTableVersions", {L"1", L"0", std::to_wstring(m_detail.recommendedTable), r.fileversion,
                                           DllSystemText(r), r.langname, r.hash, Text(L"IDS_COPY")});
  m_page.CallJScriptOneArg(L"SetRecommDesc", m_detail.groupDescription);
  int rows = 1;
  for (const DllRowRef& row : SameOrderRows(m_detail)) {
    ++rows;
    m_page.CallJScript(L"addTableVersions",
                       {std::to_wstring(rows), std::to_wstring(row.index), std::to_wstring(row.table),
                        row.record->fileversion, DllSystemText(*row.record), row.record->langname, row.record->hash,
                        Text(L"IDS_COPY")});
    WriteLogLine(SameOrderLogLine(row.table, true) + row.record->hash);
  }
  m_page.CallJScriptOneArg(L"settxtNewSearchRecommendedInstall",
                           mx::SafeFormat(Text(L"IDS_RECOM_INST_X_FILES"), {rows}));
  for (const DllRowRef& row : AlternativeRows(m_detail))
    m_page.CallJScript(L"addTableAlternativeVersions",
                       {std::to_wstring(row.index), std::to_wstring(row.table), Text(L"IDS_VERSION"),
                        row.record->fileversion, Text(L"IDS_SYS"), DllSystemText(*row.record),
                        Text(L"IDS_DESCRIPTION"), row.record->filedescription, Text(L"IDS_SELECT"), Text(L"IDS_MD5"),
                        row.record->hash, Text(L"IDS_COPY")});
}

BOOL CDlgInstallDlls::SelectedDetailRecord(const DLL_RESULT_DATA_EX*& record) {
  record = nullptr;
  const long id = ParseId(PageString(L"returnselectedid"));
  if (id < 0) return FALSE;
  const long table = ParseId(PageString(L"returnselectedArray"));
  record = m_detail.Find(static_cast<int>(table), id);
  return record != nullptr;
}

HRESULT CDlgInstallDlls::OnInstallRecommended() {
  const auto set = RecommendedInstallSet(m_detail);
  if (!set[0].filename.empty()) InstallDlls(set[0], set[1], set[2], FALSE);
  UpdateWindow();
  return S_OK;
}

HRESULT CDlgInstallDlls::OnInstallAlternate() {
  const DLL_RESULT_DATA_EX* record = nullptr;
  if (!SelectedDetailRecord(record)) return S_OK;
  WriteLogLine(L"Alternate DLL selected to download. Checksum - " + record->hash);
  InstallDlls(*record, {}, {}, TRUE);
  UpdateWindow();
  return S_OK;
}

HRESULT CDlgInstallDlls::OnCopyChecksum() {
  const DLL_RESULT_DATA_EX* record = nullptr;
  if (!SelectedDetailRecord(record)) return S_OK;
  WriteLogLine(L"User copied checksum - " + record->hash);
  CopyTextToClipboard(record->hash, GetSafeHwnd());
  return S_OK;
}

HRESULT CDlgInstallDlls::OnNewSearch() {
  m_page.CallJScriptNoArgs(L"ShowNewSearch");
  return S_OK;
}

HRESULT CDlgInstallDlls::OnSuggest() {
  const std::wstring url = MakeServiceUrl(L"/suggest.php");
  if (!url.empty()) win::ShellExecute(GetSafeHwnd(), L"open", url.c_str(), L"", L"", SW_SHOWMAXIMIZED);
  return S_OK;
}
