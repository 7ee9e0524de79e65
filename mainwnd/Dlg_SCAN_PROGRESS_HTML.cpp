#include "mainwnd/Dlg_SCAN_PROGRESS_HTML.h"

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/ScanSummaryTexts.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "scan/CategorySelection.h"
#include "scan/EngineMessages.h"
#include "scan/Problem.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"

namespace {

constexpr UINT kStartWorkerDelayMs = 90;

struct ScanGroup {
  DWORD mask;
  int count;
};
// The four scan sections of the worker and their categories.
constexpr ScanGroup kGroups[4] = {{0x105A, 5}, {0x5, 2}, {0x22A0, 4}, {0xD00, 3}};

CScanManager* Manager() {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

void SetScanRunning(bool running) {
  if (CZUNApp* app = AfxGetZunApp()) app->m_bScanRunning = running;
}

}  // namespace

CDlg_SCAN_PROGRESS_HTML::CDlg_SCAN_PROGRESS_HTML() : CChildHtmlDialog(IDD, kPage) {}

std::vector<std::wstring> CDlg_SCAN_PROGRESS_HTML::PageTextKeys() {
  return {L"string161", L"string32", L"string3",  L"string18",  L"string19",  L"string2",
          L"string20",  L"string21", L"string22", L"string23",  L"string160", L"string24",
          L"string25",  L"string26", L"string27", L"string28",  L"string29",  L"string30",
          L"string31",  L"string165", L"string166", L"string167"};
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlg_SCAN_PROGRESS_HTML::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    std::vector<DHtmlEventEntry> entries;
    for (const wchar_t* id : {L"btnBottomStopscan", L"btnBottomStopscan2", L"string3", L"btnBottomStopscanLeft",
                              L"btnBottomStopscanMiddle", L"btnBottomStopscanRight"})
      entries.push_back({id, [](CChildHtmlDialog& d, const std::wstring&) {
                           return static_cast<CDlg_SCAN_PROGRESS_HTML&>(d).OnStopScan();
                         }});
    return entries;
  }();
  return map;
}

void CDlg_SCAN_PROGRESS_HTML::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_page.CallJScriptOneArg(L"setlanguage", GetLangCode());
  std::vector<std::wstring> texts = PageTextKeys();
  GetLocalizedStrings(texts);
  m_page.CallJScript(L"LoadStrings", texts);
}

LRESULT CDlg_SCAN_PROGRESS_HTML::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      OnTimer(wParam);
      break;  // and the default handling
    case WM_SCAN_ITEM_TEXT:
      return OnScanItemText(wParam, lParam);
    case WM_SCAN_COMPLETED:
      return OnScanCompleted(wParam, lParam);
    case WM_SCAN_STOPPED:
      return OnScanStopped(wParam, lParam);
    default:
      break;
  }
  return CChildHtmlDialog::WindowProc(msg, wParam, lParam);
}

void CDlg_SCAN_PROGRESS_HTML::OnTimer(UINT_PTR id) {
  if (id == kTimerPrepareScan) {
    KillTimer(kTimerPrepareScan);
    PrepareScan();
  } else if (id == kTimerStartWorker) {
    KillTimer(kTimerStartWorker);
    StartWorker();
  } else if (id == kTimerItemText) {
    KillTimer(kTimerItemText);
    m_bItemTimerArmed = false;
    ShowItemText();
  }
}

void CDlg_SCAN_PROGRESS_HTML::PrepareScan() {
  CScanManager* manager = Manager();
  CZUNApp* app = AfxGetZunApp();
  if (!manager || m_bScanActive || (app && app->m_bScanRunning)) return;  // one scan at a time

  DWORD selected = 0;
  int selectedCount = 0;
  GetSelectedScanCategories(selected, selectedCount);
  if (selectedCount == 0) {
    win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_NO_SELECTED").c_str(),
                    GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
    OpenSettingsPage(m_pHost, IDC_SETTINGS_PAGE_SCAN_AREA);
    return;
  }

  const BYTE groups[4] = {m_bGroup1, m_bGroup2, m_bGroup3, m_bGroup4};
  m_page.CallJScript(L"setcheckboxstatus", {groups[0] ? L"1" : L"0", groups[1] ? L"1" : L"0",
                                            groups[2] ? L"1" : L"0", groups[3] ? L"1" : L"0"});
  m_dwCategoryMask = 0;
  m_nCategoryCount = 0;
  for (int g = 0; g < 4; ++g) {
    if (!groups[g]) continue;
    m_dwCategoryMask |= kGroups[g].mask;
    m_nCategoryCount += kGroups[g].count;
  }
  if (m_nCategoryCount <= 0) return;

  SetScanRunning(true);
  m_bScanActive = true;
  m_lastItemShownAt = 0;
  if (m_pHost) m_pHost->EnableNavigation(FALSE);
  m_page.CallJScriptNoArgs(L"setvarsforscan");
  if (m_hWnd) manager->m_hProgressWnd = m_hWnd;
  manager->CreateCategories(static_cast<int>(m_dwCategoryMask), m_nCategoryCount);
  m_page.CallJScriptOneArg(L"SetScanProgressBar", L"1");
  m_nShownSection = 1;
  SetTimer(kTimerStartWorker, kStartWorkerDelayMs);
}

void CDlg_SCAN_PROGRESS_HTML::StartWorker() {
  CScanManager* manager = Manager();
  if (!m_bScanActive || !manager) return;
  if (!BeginScanWorker(*manager)) {
    // Nothing ran: as after a stop, the last results come back and the user is home again.
    WriteLogLine(L"The scan worker could not be started");
    OnScanStopped(1, 0);
    return;
  }
  ShowScreenSoon(m_pHost, SCREEN_SCAN_PROGRESS);
}

std::wstring CDlg_SCAN_PROGRESS_HTML::PageItemText(std::wstring item) {
  for (wchar_t& c : item)
    if (c == L'\n' || c == L'\r') c = L' ';
  if (item.size() <= 120) return item;
  std::wstring text = item.substr(0, 110) + L"\n" + item.substr(110, 107);
  if (item.size() >= 168) text += L"...";
  return text;
}

int CDlg_SCAN_PROGRESS_HTML::SectionProblemCount(const CScanManager& manager, int section) {
  int count = 0;
  for (const ScanOrderRow& row : kScanOrder)
    if (row.section == section)
      if (const CCategory* category = manager.GetCategory(row.flag))
        count += category->m_nProblemsFound.load(std::memory_order_relaxed);
  return count;
}

LRESULT CDlg_SCAN_PROGRESS_HTML::OnScanItemText(WPARAM wParam, LPARAM) {
  if (!m_bScanActive || wParam == 0) return 0;
  // The worker names either the shared item text or a constant text of its own (between categories).
  m_pItemText = reinterpret_cast<const std::wstring*>(wParam);
  // The worker reports every few dozen items; the page gets the newest one at a readable pace, and the one
  // held back is shown when the interval has passed.
  const ULONGLONG now = win::GetTickCount64();
  const ULONGLONG since = now - m_lastItemShownAt;
  if (m_lastItemShownAt == 0 || since >= kItemTextIntervalMs) {
    ShowItemText();
  } else if (!m_bItemTimerArmed) {
    m_bItemTimerArmed = true;
    SetTimer(kTimerItemText, static_cast<UINT>(kItemTextIntervalMs - since));
  }
  return 0;
}

void CDlg_SCAN_PROGRESS_HTML::CancelHeldItemText() {
  if (!m_bItemTimerArmed) return;
  KillTimer(kTimerItemText);
  m_bItemTimerArmed = false;
}

void CDlg_SCAN_PROGRESS_HTML::ShowItemText() {
  CScanManager* manager = Manager();
  if (!m_bScanActive || !manager) return;
  std::wstring item;
  if (m_pItemText == &g_strScanItem) {
    win::EnterCriticalSection(&g_csScanItem);
    item = g_strScanItem;
    win::LeaveCriticalSection(&g_csScanItem);  // never held across a call into the page
  } else if (m_pItemText) {
    item = *m_pItemText;
  }

  const int section = g_nScanSection;
  int count = 0;
  if (section >= 1 && section <= 4) {
    count = SectionProblemCount(*manager, section);
    // The picture changes with the section only; every call into the page makes the worker wait if it
    // sends a message meanwhile.
    if (section != m_nShownSection) m_page.CallJScriptOneArg(L"SetScanProgressBar", std::to_wstring(section));
    m_nShownSection = section;
  }
  m_page.CallJScript(L"updatePath", {PageItemText(item), std::to_wstring(section), std::to_wstring(count)});
  m_lastItemShownAt = win::GetTickCount64();
}

LRESULT CDlg_SCAN_PROGRESS_HTML::OnScanCompleted(WPARAM, LPARAM) {
  CScanManager* manager = Manager();
  if (!m_bScanActive || !manager) return 0;
  m_bScanActive = false;
  CancelHeldItemText();
  SetScanRunning(false);
  m_page.CallJScriptOneArg(L"SetScanProgressBar", L"5");
  try {
    SYSTEMTIME now{};
    win::GetLocalTime(&now);
    StrLastScan = FormatLastScanTime(now);
    SaveLastScanTime(now);
  } catch (...) {
    // the scan is saved and reported all the same
  }
  if (m_pHost) m_pHost->EnableNavigation(TRUE);
  SaveProblemsToDisk(*manager);
  SaveSettings();
  PostMainCommand(m_pHost, ID_CMD_SCAN_DONE);
  RegErrFoundTillDate += static_cast<DWORD>(manager->GetProblemCount());
  return 0;
}

LRESULT CDlg_SCAN_PROGRESS_HTML::OnScanStopped(WPARAM, LPARAM) {
  CScanManager* manager = Manager();
  if (!m_bScanActive || !manager) return 0;
  m_bScanActive = false;
  CancelHeldItemText();
  SetScanRunning(false);
  m_page.CallJScriptOneArg(L"SetScanProgressBar", L"5");
  SaveSettings();
  if (m_pHost) m_pHost->EnableNavigation(TRUE);
  manager->DeleteCategories();     // the partial results are dropped
  manager->LoadProblemsFromDisk();  // and those of the last completed scan come back
  PostMainCommand(m_pHost, IDC_BTN_HOME);
  PumpMessages();
  return 0;
}

HRESULT CDlg_SCAN_PROGRESS_HTML::OnStopScan() {
  // The worker keeps running while the user decides: it is never suspended, so it can hold no lock the
  // question's own message loop might need. A Yes only asks it to stop.
  if (m_bAskingStop || !m_bScanActive) return S_OK;
  m_bAskingStop = true;
  const int answer = win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_STOP_SCAN_DES").c_str(),
                                     GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(),
                                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  m_bAskingStop = false;
  CScanManager* manager = Manager();
  if (answer == IDYES && m_bScanActive && manager) win::SetEvent(manager->m_hStopEvent);
  return S_OK;
}
