#pragma once
// The base of every scan category: the stop link, the link to the current undo run, the problems found, and
// the helpers the categories call while they walk the registry (enumeration, view-aware string readers,
// command-line normaliser, shortcut resolver, the empty-key test, the file-reference check, the sort).
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/Problem.h"
#include "scan/ProblemIndex.h"

// The options of one file-reference check, in the order callers pass them as seven positional flags.
struct FileCheckOptions {
  bool bUsePathSkipList = false;  // 1: a reference the built-in path and file skip list matches is valid
  bool bUseFolderSkipList = false;  // 2: a reference IsExcludedPath accepts is valid
  bool bPassedBack = false;  // 3: read by no step; the rundll32 helper only hands it back
  bool bWow64TwinOnlyForProgramFiles = false;  // 4: twin-folder test only for "program files" references
  bool bNoSystemFolderTwin = false;  // 5: the twin-folder test tries only the Program Files twins
  bool bCheckArguments = false;  // 6: command-line arguments are checked as files too
  bool bCheckNetworkPaths = false;  // 7: network paths are checked instead of being valid at once
};

class CCategory {
 public:
  CCategory();
  virtual ~CCategory();
  CCategory(const CCategory&) = delete;
  CCategory& operator=(const CCategory&) = delete;

  // True when the key was not examined (stop requested, or it did not open); false otherwise. Reports empty
  // keys as type 1; in recursive mode examines every subkey through this same virtual slot.
  virtual bool CheckEmptyKey(HKEY root, const std::wstring& subKey, bool view64, const std::vector<std::wstring>& skipFragments,
                             bool recursive);
  // 2 when stopped by the stop event, 1 when it ran to its end.
  virtual int Scan() = 0;
  virtual int GetItemCount() = 0;

  // True when linked to a stop event that is signalled (polled, never waited on).
  bool IsStopRequested() const;
  // The problem filter: index of the new problem, or -1 when a filter rejected it.
  int AddProblem(int entryType, const std::wstring& key, const std::wstring& valueName, const std::wstring& valueData,
                 const std::wstring& alternateKey, int is32BitEntry);
  // Appends a display text to problem number index; any other index is ignored.
  void AddProblemDetail(int index, const std::wstring& text);
  // Whether a problem of that type has exactly that Key (case-sensitive).
  bool FindProblem(int entryType, const std::wstring& key) const;
  // Ascending by detail 0, without regard to case.
  void SortProblems();

  // True when the reference needs no report: it names something that exists, or something of a kind that
  // is never reported (URLs, wildcards, long texts, removable media, protected files, names on the path).
  bool IsFileReferenceValid(const std::wstring& reference, const FileCheckOptions& options);
  bool IsFileReferenceValid(const std::wstring& reference, BOOL usePathSkipList, BOOL useFolderSkipList, BOOL passedBack,
                            BOOL wow64TwinOnlyForProgramFiles, BOOL noSystemFolderTwin, BOOL checkArguments,
                            BOOL checkNetworkPaths);
  // Validates a "rundll32" command line, checking its argument parts with IsFileReferenceValid.
  bool CheckRundll32Command(std::wstring command, const FileCheckOptions& options);

  // Repairs the selected problems (the repair worker): 2 when the stop event was seen, 1 otherwise.
  int FixProblems();

  HANDLE* m_pStopEvent = nullptr;  // the scan manager's stop event; null until linked
  BackupHolder* m_pBackupHolder = nullptr;  // copied into every problem recorded
  std::vector<std::unique_ptr<CProblem>> m_arrProblems;  // in report order until sorted
  // How many problems this scan has recorded so far: the scan-progress screen reads it from the UI thread
  // while the worker is still appending, which the list itself cannot allow.
  std::atomic<int> m_nProblemsFound{0};
  std::wstring m_strSystemFolder;  // the system folder with a trailing backslash

  // The duplicate test's index of m_arrProblems: what makes two problems the same, for each problem recorded.
  mutable ProblemIndex m_duplicateIndex;
  // FindProblem's index, kept the same way: the type and key of each problem recorded.
  mutable ProblemIndex m_typeKeyIndex;
};

// The 32-bit system folder of 64-bit Windows (empty on 32-bit Windows), filled by the first category.
extern std::wstring g_strSysWow64Folder;

// Subkey names of an open key; on 64-bit Windows names beginning with "wow6432node" are left out. Returns
// whether at least one name was added.
bool EnumSubKeys(HKEY key, std::vector<std::wstring>& names);
// Value names of an open key; the count.
int EnumValueNames(HKEY key, std::vector<std::wstring>& names);
// The same without the unnamed default value; the count stored.
int EnumValueNamesSkipDefault(HKEY key, std::vector<std::wstring>& names);

// A REG_SZ or REG_EXPAND_SZ value, unexpanded and trimmed; empty for anything else. Returns whether the
// key opened. The native form is for 32-bit Windows: on 64-bit Windows callers use the view forms, and it
// returns true with an empty text.
bool ReadRegString(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);
bool ReadRegString32(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);
bool ReadRegString64(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);

// The program path of a command line: quotes, switches, icon indices and arguments removed, environment
// variables expanded.
std::wstring ExtractFilePathFromCommand(const std::wstring& command);
// Deletes everything after the first occurrence of part (searched exactly, then upper-cased).
bool CutAfterSubstring(std::wstring& text, const std::wstring& part);
// -1 when the path does not exist, 0 for a directory, 1 for anything else.
int GetPathKind(const std::wstring& path);
bool IsExistingFolder(const std::wstring& path);
std::wstring GetFileNamePart(const std::wstring& path);
std::wstring GetFolderPart(const std::wstring& path);
// The target of a .lnk file; empty when it cannot be read or the path is longer than 259 characters.
std::wstring ResolveShortcutTarget(const std::wstring& shortcutPath);
// Not empty, and begins with "{" or ends with "}".
bool IsGuidString(const std::wstring& text);
// In-place quicksort of problems[lo..hi] by detail 0, without regard to case.
void SortProblemRange(std::vector<std::unique_ptr<CProblem>>& problems, int lo, int hi);

// How the problem filter reaches the categories of the current scan for its duplicate test: the scan
// manager registers a lookup of a category by its single flag (null for an empty slot). Without one, only
// the reporting category's own problems are compared.
void SetCategoryLookup(std::function<CCategory*(DWORD flag)> lookup);
