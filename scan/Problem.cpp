#include "scan/Problem.h"

#include <atomic>
#include <unordered_set>
#include <utility>

#include "app/AppLog.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/system/Sfc.h"
#include "platform/win/Message.h"
#include "scan/Category.h"
#include "scan/CategoryFlags.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/SkipLists.h"

std::wstring g_strScanItem;
CRITICAL_SECTION g_csScanItem;

namespace {

constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY

std::function<HWND()>& ProgressWindowProvider() {
  static std::function<HWND()> provider;
  return provider;
}

std::atomic<int>& ProgressCounter() {
  static std::atomic<int> counter{0};
  return counter;
}

std::function<CCategory*(DWORD)>& CategoryLookup() {
  static std::function<CCategory*(DWORD)> lookup;
  return lookup;
}

// The window a test or the screen registered; else the one the scan-progress screen gave the scan manager.
HWND ScanProgressWindow() {
  if (const auto& provider = ProgressWindowProvider()) return provider();
  CZUNApp* app = AfxGetZunApp();
  return app && app->m_pScanManager ? app->m_pScanManager->m_hProgressWnd : nullptr;
}

bool IsHistoryType(int type) { return type >= 26 && type <= 32; }

REGSAM ExamineAccess(int is32BitEntry) {
  if (!IsWow64()) return kExamineAccess;
  return kExamineAccess | (is32BitEntry ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
}

// HKEY_CLASSES_ROOT is the machine's classes seen through another door; the same entry found through both
// is one problem.
std::wstring DuplicateKeyForm(const std::wstring& key) {
  std::wstring lower = mx::ToLower(key);
  static const std::wstring kClassesRoot = L"hkey_classes_root";
  static const std::wstring kMachineClasses = L"hkey_local_machine\\software\\classes";
  if (lower.rfind(kClassesRoot, 0) != 0) return lower;
  for (size_t at = lower.find(kClassesRoot); at != std::wstring::npos;
       at = lower.find(kClassesRoot, at + kMachineClasses.size()))
    lower.replace(at, kClassesRoot.size(), kMachineClasses);
  return lower;
}

// What makes two problems the same entry: the view, the key in its duplicate form, and the value name, data
// and alternate key without regard to case. Each part carries its length, so no text can pass for two.
// Made in one buffer: every problem a scan finds, and every one it turns away as a duplicate, has one made.
std::wstring DuplicateForm(const CProblem& problem) {
  const std::wstring keyForm = DuplicateKeyForm(problem.Key);
  std::wstring form;
  form.reserve(keyForm.size() + problem.ValueName.size() + problem.ValueData.size() + problem.AlternateKey.size() +
               32);
  form += problem.m_n32BitEntry ? L"32" : L"64";
  for (const std::wstring* part : {&keyForm, &problem.ValueName, &problem.ValueData, &problem.AlternateKey}) {
    form += L'\n';
    form += std::to_wstring(part->size());
    form += L':';
    if (part == &keyForm)
      form += keyForm;
    else
      for (const wchar_t c : *part) form += mx::ToLowerChar(c);
  }
  return form;
}

// Brings the category's index up to its problem list. Problems are appended by AddProblem and the results
// loader, and SortProblems keeps the index through its sort; anything else (a repair taking problems out, a sort
// of a part of the list) rebuilds it.
const ProblemIndex& IndexedForms(const CCategory& category) {
  category.m_duplicateIndex.Update(category.m_arrProblems, [](const CProblem& problem) {
    return problem.Key.empty() ? std::wstring() : DuplicateForm(problem);
  });
  return category.m_duplicateIndex;
}

// form is the candidate's DuplicateForm (empty for a problem without a key, which is never a duplicate).
bool IsDuplicateProblem(const CCategory& self, const ProblemIndex::HashedForm& form) {
  if (form.text.empty()) return false;
  auto holds = [&](const CCategory& category) { return IndexedForms(category).Holds(form); };
  const auto& lookup = CategoryLookup();
  if (!lookup) return holds(self);
  bool sawSelf = false;
  for (const CategoryInfo& info : kCategoryTable) {
    const CCategory* category = lookup(info.flag);
    if (!category) continue;
    sawSelf = sawSelf || category == &self;
    if (holds(*category)) return true;
  }
  // a category the manager does not hold (a stand-alone run) still never records an entry twice
  return !sawSelf && holds(self);
}

bool MatchesKeyList(const std::wstring& upperKey, const std::vector<std::wstring>& list) {
  for (const std::wstring& entry : list) {
    if (entry.empty()) continue;
    if (upperKey.find(mx::ToUpper(entry)) != std::wstring::npos) return true;
  }
  return false;
}

// Put together directly: one is written for every problem a scan records, and the template engine copied each
// part on the way (the text is the same).
std::wstring ProblemLogLine(const CProblem& p) {
  std::wstring line;
  if (p.EntryType == kEntryTypeShortcut) {
    line.reserve(p.Key.size() + 48);
    line.append(L"Invalid Shortcut :\r\n EntryType:").append(std::to_wstring(p.EntryType)).append(L"\r\nLink:");
    return line.append(p.Key);
  }
  line.reserve(p.Key.size() + p.ValueName.size() + p.ValueData.size() + p.AlternateKey.size() + 128);
  line.append(L"Invalid Entry Found :\r\n EntryType:").append(std::to_wstring(p.EntryType));
  line.append(L"\r\n Key:").append(p.Key);
  line.append(L"\r\n ValueName:").append(p.ValueName);
  line.append(L" \r\n ValueData:").append(p.ValueData);
  line.append(L" \r\n AlternateKey:").append(p.AlternateKey);
  return line.append(L" \r\n 32BitEntry:").append(std::to_wstring(p.m_n32BitEntry));
}

}  // namespace

std::wstring CProblem::GetDetail(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_arrDetails.size()) return {};
  return m_arrDetails[static_cast<size_t>(index)];
}

HKEY RootKeyFromName(const std::wstring& rootName) {
  static const std::pair<const wchar_t*, HKEY> kRoots[] = {
      {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
      {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
  };
  for (const auto& [name, root] : kRoots)
    if (rootName == name) return root;
  return nullptr;
}

bool SplitProblemKey(const std::wstring& key, HKEY& root, std::wstring& subKey) {
  const size_t slash = key.find(L'\\');
  if (slash == std::wstring::npos) return false;
  root = RootKeyFromName(key.substr(0, slash));
  if (!root) return false;
  subKey = key.substr(slash + 1);
  return true;
}

bool IsKeyProtectedBySfc(HKEY root, const std::wstring& subKey, REGSAM access) {
  static const DWORD major = GetOSMajorVersion();
  if (major <= 5) return false;
  return win::SfcIsKeyProtected(root, subKey.c_str(), access) != 0;
}

void SetCategoryLookup(std::function<CCategory*(DWORD flag)> lookup) { CategoryLookup() = std::move(lookup); }

int CCategory::AddProblem(int entryType, const std::wstring& key, const std::wstring& valueName,
                          const std::wstring& valueData, const std::wstring& alternateKey, int is32BitEntry) {
  if (entryType != kEntryTypeShortcut && !IsReportableKey(mx::ToLower(key))) return -1;

  auto problem = std::make_unique<CProblem>();
  problem->EntryType = entryType;
  problem->Key = key;
  problem->ValueName = valueName;
  problem->ValueData = valueData;
  problem->AlternateKey = alternateKey;
  problem->m_n32BitEntry = is32BitEntry;

  if (entryType == kEntryTypeSharedFile && !IsReportableKey(mx::ToLower(valueName))) return -1;

  const bool isFileProblem = entryType == kEntryTypeShortcut || entryType == kEntryTypeStartMenuShortcut;
  const REGSAM access = ExamineAccess(is32BitEntry);
  HKEY root = nullptr;
  std::wstring subKey;
  if (!isFileProblem) {
    if (!SplitProblemKey(key, root, subKey)) return -1;
    if (IsKeyProtectedBySfc(root, subKey, access)) return -1;
  }

  CZUNApp* app = AfxGetZunApp();
  const std::wstring upperKey = mx::ToUpper(key);
  if (app && MatchesKeyList(upperKey, app->m_arrExcludeList)) return -1;
  std::wstring form = problem->Key.empty() ? std::wstring() : DuplicateForm(*problem);
  const size_t formHash = ProblemIndex::Hash(form);
  if (IsDuplicateProblem(*this, {form, formHash})) return -1;
  if (app && IsHistoryType(entryType) && MatchesKeyList(upperKey, app->m_arrTempList)) return -1;

  if (IsUserAdmin() && !IsHistoryType(entryType) && !isFileProblem) {
    // Opened without creating it: a scan never changes the registry, and a key that is missing or that we
    // cannot open for writing could not be repaired anyway.
    CRegistryKey writable;
    writable.m_access = access;
    if (!writable.Open(root, FALSE, subKey)) return -1;
  }

  problem->m_pBackupHolder = m_pBackupHolder;
  WriteLogLine(ProblemLogLine(*problem));
  m_arrProblems.push_back(std::move(problem));
  m_duplicateIndex.Append(m_arrProblems, std::move(form), formHash);
  m_nProblemsFound.store(static_cast<int>(m_arrProblems.size()), std::memory_order_relaxed);
  return static_cast<int>(m_arrProblems.size()) - 1;
}

void ReportScanProgress(const std::wstring& item, BOOL keepCase) {
  const int count = ++ProgressCounter();
  if (count % 27 != 0) return;
  const std::wstring text = keepCase ? item : mx::ToUpper(item);
  win::EnterCriticalSection(&g_csScanItem);
  g_strScanItem = text;
  if (HWND window = ScanProgressWindow())
    win::PostMessage(window, WM_SCAN_ITEM_TEXT, reinterpret_cast<WPARAM>(&g_strScanItem), 0);
  win::LeaveCriticalSection(&g_csScanItem);
}

void SetScanProgressWindowProvider(std::function<HWND()> provider) {
  ProgressWindowProvider() = std::move(provider);
}

void ResetScanProgressCounter() { ProgressCounter() = 0; }

