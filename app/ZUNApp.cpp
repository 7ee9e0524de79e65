#include "app/ZUNApp.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/CategoryTexts.h"
#include "app/ExclusionLists.h"
#include "app/KeyFilter.h"
#include "app/LanguageTable.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "platform/fs/DosDevices.h"
#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/shell/ShellExecute.h"
#include "platform/shell/SpecialFolders.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/RegisteredMessage.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

std::atomic<int> g_nModalCount{0};

namespace {

std::atomic<CZUNApp*> g_app{nullptr};

std::mutex g_hooksLock;
ScanManagerHooks g_hooks;

ScanManagerHooks Hooks() {
  std::lock_guard<std::mutex> guard(g_hooksLock);
  return g_hooks;
}

// The machine's product key holds the few values other processes and the installer leave for us. It is
// only ever read here, so a standard user, who may not open it for writing, sees them too.
bool MachineValueExists(const wchar_t* valueName) {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey)) return false;
  DWORD type = 0, cb = 0;
  return win::RegQueryValueEx(key.Handle(), valueName, nullptr, &type, nullptr, &cb) == ERROR_SUCCESS;
}

std::wstring FirstArgument() {
  const auto& args = win::CommandLineArgs();
  return args.size() > 1 ? args[1] : std::wstring();
}

bool HasArguments() { return win::CommandLineArgs().size() > 1; }

// A wait a start makes before it goes to work. The tests start the real program with MX_NO_START_WAIT set:
// they check what it does, and the waits' lengths are checked on the fake clock instead.
void StartUpWait(DWORD ms) {
  if (const char* skip = std::getenv("MX_NO_START_WAIT"); skip && *skip) return;
  win::Sleep(ms);
}

struct FontSpec {
  int height;
  int weight;
};

}  // namespace

void SetScanManagerHooks(ScanManagerHooks hooks) {
  std::lock_guard<std::mutex> guard(g_hooksLock);
  g_hooks = std::move(hooks);
}

AppFonts::~AppFonts() {
  for (HFONT& font : m_fonts)
    if (font) win::DeleteObject(font);
}

void AppFonts::Set(int index, HFONT font) {
  if (index < 0 || index >= 14) {
    if (font) win::DeleteObject(font);
    return;
  }
  if (m_fonts[index]) win::DeleteObject(m_fonts[index]);
  m_fonts[index] = font;
}

CZUNApp* AfxGetZunApp() { return g_app.load(); }

void BuildLanguageFilePath(std::wstring& out, CZUNApp* app) {
  wchar_t module[MAX_PATH + 1] = {};
  win::GetModuleFileName(nullptr, module, MAX_PATH + 1);
  std::wstring folder = module;
  const size_t slash = folder.rfind(L'\\');
  folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
  out = folder + LanguageTable[GetLangID()].iniFile;
  if (app) app->m_strLangIniPath = out;
}

void DeleteScanManager(CScanManager* manager) {
  if (manager == nullptr) return;
  const ScanManagerHooks hooks = Hooks();
  // A worker still running holds the manager: stop it and wait before the manager goes.
  if (hooks.stopWorkersAndWait) hooks.stopWorkersAndWait(manager);
  if (hooks.destroy) hooks.destroy(manager);
}

BOOL OpenHelpFile() {
  wchar_t module[MAX_PATH + 1] = {};
  win::GetModuleFileName(nullptr, module, MAX_PATH + 1);
  std::wstring path = module;
  path = path.substr(0, path.rfind(L'\\') + 1) + L"tarvmend.chm";
  return win::ShellExecute(nullptr, L"Open", path.c_str(), L"", L"", SW_SHOWMAXIMIZED) > 32;
}

UINT PostMainUIContinueMessage() {
  static const UINT id = win::RegisterWindowMessage(L"PostMainUI Continue {974AD229-53B2-4d82-9105-26A10710D1EF}");
  return id;
}

UINT ShowChildScreenMessage() {
  static const UINT id = win::RegisterWindowMessage(L"WM_SHOW_CHILD_HTM_DLG {974AD229-53B2-4d82-9105-26A10710D1EF}");
  return id;
}

CZUNApp::CZUNApp() {
  g_nModalCount = 0;
  std::wstring fonts;
  if (GetShellFolderPath(fonts, CSIDL_FONTS)) {
    AppendPath(fonts, L"segoeui.ttf");
    m_bSegoeUIAvailable = FileExists(fonts);
  }
  BuildLanguageFilePath(m_strLangIniPath, this);
  g_app.store(this);
}

CZUNApp::~CZUNApp() {
  CZUNApp* self = this;
  g_app.compare_exchange_strong(self, nullptr);
  m_pMainWnd = nullptr;
  m_pMainDlg = nullptr;
  m_bareMainWnd.reset();
  if (m_hMutex) win::CloseHandle(m_hMutex);
}

UINT CZUNApp::GetProfileInt(const std::wstring& section, const std::wstring& entry, int defaultValue) {
  std::wstring path = kProductKey;
  if (!section.empty()) AppendPath(path, section);
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_CURRENT_USER, FALSE, path)) return static_cast<UINT>(defaultValue);
  DWORD type = 0, value = 0, cb = sizeof value;
  if (win::RegQueryValueEx(key.Handle(), entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) !=
          ERROR_SUCCESS ||
      type != REG_DWORD)
    return static_cast<UINT>(defaultValue);
  return value;
}

BOOL CZUNApp::WriteProfileInt(const std::wstring& section, const std::wstring& entry, int value) {
  std::wstring path = kProductKey;
  if (!section.empty()) AppendPath(path, section);
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_WRITE;
  if (!key.Open(HKEY_CURRENT_USER, TRUE, path)) return FALSE;
  return key.WriteDWORD(static_cast<DWORD>(value), entry);
}

void CZUNApp::CreateAppFonts() {
  static constexpr int kOrder[] = {1, 2, 0, 3, 4, 9, 8, 7, 10, 11, 12, 13, 6, 5};
  const bool segoe = m_bSegoeUIAvailable;
  const std::wstring face = segoe ? std::wstring(L"segoe UI") : GetLocalizedString(L"IDS_FONT_DIALOG_HEADINGS_XP");
  const int lang = m_nLangID >= 0 && m_nLangID < kLanguageCount ? m_nLangID : 0;
  const FontSpec kSpecs[14] = {
      {segoe ? -19 : -17, segoe ? 700 : 600},
      {-17, 600},
      {-14, 600},
      {-23, segoe ? 700 : 600},
      {-14, 400},
      {lang == 0 ? -14 : -13, (lang == 6 || lang == 10 || lang == 14) ? 500 : 700},
      {-11, 400},
      {-10, 400},
      {-11, 400},
      {-12, 400},
      {-10, 700},
      {-13, 400},
      {-13, 700},
      {-9, 400},
  };
  for (int index : kOrder) {
    LOGFONTW lf{};
    lf.lfCharSet = LanguageTable[lang].charset;
    lf.lfQuality = 5;  // ClearType
    face.copy(lf.lfFaceName, std::min<size_t>(face.size(), LF_FACESIZE - 1));
    lf.lfHeight = kSpecs[index].height;
    lf.lfWeight = kSpecs[index].weight;
    m_fonts.Set(index, win::CreateFontIndirect(&lf));
  }
}

void CZUNApp::ForwardToFirstInstance() {
  const std::wstring title = GetLocalizedString(L"AFX_IDS_APP_TITLE", kResourceSection);
  // Without a title any untitled dialog of any program would match: that is no first instance of ours.
  if (title.empty()) return;
  HWND hwnd = win::FindWindow(L"#32770", title.c_str());
  if (!win::IsWindow(hwnd)) return;
  const CommandWord word = ClassifyCommandWord(NormalizeCommandWord(FirstArgument()));
  if (word == CommandWord::Scan) {
    win::PostMessage(hwnd, WM_START_SCHEDULED_SCAN, 0, 0);
  } else if (word == CommandWord::AskUser) {
    if (!MachineValueExists(L"ASKEDUSER")) win::PostMessage(hwnd, WM_ASK_DLL_FIXED, 0, 0);
  } else {
    win::PostMessage(hwnd, WM_BRING_TO_FRONT, 0, 0);
    win::ShowWindow(hwnd, SW_SHOWNORMAL);
    win::SetForegroundWindow(win::GetLastActivePopup(hwnd));
  }
}

BOOL CZUNApp::ApplyCommandWord() {
  switch (ClassifyCommandWord(m_strCommandWord)) {
    case CommandWord::AskUser:
      m_bAskUserMode = TRUE;
      if (MachineValueExists(L"ASKEDUSER")) return FALSE;  // the question was already asked
      break;
    case CommandWord::StartedAfterOptimization:
      m_bStartedAfterOptimization = TRUE;
      break;
    case CommandWord::ElevatedScan:
      m_bElevatedScan = TRUE;
      break;
    case CommandWord::ElevatedDefrag:
      m_bElevatedDefrag = TRUE;
      break;
    case CommandWord::ElevatedFullBackup:
      m_bElevatedFullBackup = TRUE;
      break;
    case CommandWord::ElevatedFullBackupRestore:
      m_bElevatedFullBackupRestore = TRUE;
      break;
    case CommandWord::ElevatedPartialBackupRestore:
      m_bElevatedPartialBackupRestore = TRUE;
      break;
    case CommandWord::ElevatedSchedule:
      m_bElevatedSchedule = TRUE;
      break;
    case CommandWord::Default:
      m_bShowSplash = FALSE;
      m_bDefaultMode = TRUE;
      break;
    case CommandWord::Rem:
      if (StartWhenWinBoots == 0) return FALSE;  // the logon start is switched off
      m_bStartedByLogon = TRUE;
      StartUpWait(64283);
      break;
    case CommandWord::DllFile: {
      m_bDllFileMode = TRUE;
      CRegistryKey key(HKEY_LOCAL_MACHINE);
      key.m_access = KEY_READ;
      std::wstring name;
      if (!key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey) || !key.ReadString(L"DLLFILENAME", name) ||
          mx::Trim(name).empty())
        m_bDllFileMode = FALSE;
      break;
    }
    case CommandWord::Scan:
    case CommandWord::UpdateCheck:
    case CommandWord::None:
      break;
  }
  return TRUE;
}

BOOL CZUNApp::InitInstance() {
  StartUpWait(HasArguments() ? 4096 : 1024);
  CWinApp::InitInstance();
  BuildLanguageFilePath(m_strLangIniPath, this);
  ApplyLanguageLocale(GetLangID());
  m_nLangID = GetLangID();
  if (HasArguments()) StartUpWait(2048);

  win::SetLastError(0);
  m_hMutex = win::CreateMutex(nullptr, TRUE, m_strMutexName.c_str());
  const DWORD error = win::GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) m_bOtherInstanceFound = TRUE;
  // The handle stays open for the life of the process: it keeps the name alive while we run.
  if (m_hMutex) win::ReleaseMutex(m_hMutex);
  if (m_bOtherInstanceFound) {
    ForwardToFirstInstance();
    return FALSE;
  }
  win::Sleep(0);

  // What Windows lists at boot: the hives of this prefix and their files.
  mx::PublishHiveList();
  LoadSettings();
  ++NumTimesKVTRunned;
  CreateAppFonts();
  LoadCategoryStrings();
  LoadExclusionList();
  LoadTemporaryList(this);
  if (const ScanManagerHooks hooks = Hooks(); hooks.create) m_pScanManager = hooks.create();
  AddProgramFirewallRule();

  m_strCommandWord = NormalizeCommandWord(FirstArgument());
  if (!ApplyCommandWord()) return FALSE;
  if (!IsUserAdmin()) {
    m_bElevatedScan = m_bElevatedDefrag = m_bElevatedFullBackup = FALSE;
    m_bElevatedFullBackupRestore = m_bElevatedPartialBackupRestore = m_bElevatedSchedule = FALSE;
  }
  if (!m_strCommandWord.empty() && !m_bStartedByLogon) {
    const CommandWord word = ClassifyCommandWord(m_strCommandWord);
    if (word == CommandWord::Scan) {
      m_bScheduledScanMode = TRUE;
      m_bShowSplash = FALSE;
    } else if (word == CommandWord::UpdateCheck) {
      m_bUpdateCheckMode = TRUE;
      m_bShowSplash = FALSE;
    }
  } else {
    m_bShowSplash = TRUE;
  }

  return CreateMainWindow();
}

BOOL CZUNApp::CreateMainWindow() {
  m_bareMainWnd = std::make_unique<win::CWnd>();
  if (!m_bareMainWnd->CreateEx(0, L"#32770", GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 770, 593, nullptr, nullptr))
    return FALSE;
  m_pMainWnd = m_bareMainWnd.get();
  return TRUE;
}

BOOL CZUNApp::PreTranslateMessage(MSG* msg) {
  if (msg && ShouldSwallowMessage(*msg, MachineKeyboardState())) return TRUE;
  return CWinApp::PreTranslateMessage(msg);
}

int CZUNApp::ExitInstance() {
  if (!m_bOtherInstanceFound) {
    const ScanManagerHooks hooks = Hooks();
    if (m_pScanManager && hooks.saveProblems) hooks.saveProblems(m_pScanManager);
    if (m_pScanManager) {
      DeleteScanManager(m_pScanManager);
      m_pScanManager = nullptr;
    }
    SaveExclusionList();
    SaveTemporaryList();
  }
  return CWinApp::ExitInstance();
}
