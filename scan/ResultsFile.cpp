#include "scan/ResultsFile.h"

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "scan/ScanManager.h"

namespace {

constexpr REGSAM kExaminedKeyAccess = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr int kEntryTypeAppPath = 13;
constexpr int kEntryTypeShellVerb = 21;
constexpr int kEntryTypeUninstall = 36;
// The smallest record: two ints, four empty strings (4 bytes each), an int and an empty array count.
constexpr size_t kMinRecordBytes = 4 + 4 + 4 * 4 + 4 + 2;
// A results file is a few megabytes at most; anything far beyond is not ours.
constexpr std::uint64_t kMaxResultsFileBytes = 256ull << 20;

void UpdateCounts(const CScanManager& manager, const int* savedTotal) {
  const int held = manager.GetProblemCount();
  if (CZUNApp* app = AfxGetZunApp()) {
    if (savedTotal) app->m_nSavedProblemCount = *savedTotal;
    app->m_nLoadedProblemCount = held;
  }
  SaveLastScanResultCount(held);
}

}  // namespace

std::wstring ResultsFilePath() {
  std::wstring path = GetAppDataFolderPath();
  if (path.empty()) return path;
  AppendPath(path, kResultsFileName);
  return path;
}

void SerializeProblem(mx::ArchiveWriter& archive, const CProblem& problem) {
  archive.WriteI32(problem.EntryType);
  archive.WriteI32(problem.m_nSelected);
  archive.WriteString(problem.Key);
  archive.WriteString(problem.ValueName);
  archive.WriteString(problem.ValueData);
  archive.WriteString(problem.AlternateKey);
  archive.WriteI32(problem.m_n32BitEntry);
  archive.WriteStringArray(problem.m_arrDetails);
}

bool SerializeProblem(mx::ArchiveReader& archive, CProblem& problem) {
  std::int32_t type = 0, selected = 0, is32Bit = 0;
  CProblem read;
  archive.ReadI32(type);
  archive.ReadI32(selected);
  archive.ReadString(read.Key);
  archive.ReadString(read.ValueName);
  archive.ReadString(read.ValueData);
  archive.ReadString(read.AlternateKey);
  archive.ReadI32(is32Bit);
  archive.ReadStringArray(read.m_arrDetails);
  // The entry type indexes the text and repair tables: one outside them means the bytes are not a record.
  if (!archive.ok() || type < 0 || type >= kEntryTypeCount) return false;
  read.EntryType = type;
  read.m_nSelected = selected;
  read.m_n32BitEntry = is32Bit;
  read.m_pBackupHolder = problem.m_pBackupHolder;
  problem = std::move(read);
  return true;
}

std::string EncodeResults(const CScanManager& manager) {
  mx::ArchiveWriter archive;
  archive.WriteI32(manager.GetProblemCount());
  for (const CategoryInfo& info : kCategoryTable) {
    const CCategory* category = manager.GetCategory(info.flag);
    if (category == nullptr) {
      archive.WriteI32(0);
      continue;
    }
    archive.WriteI32(static_cast<std::int32_t>(category->m_arrProblems.size()));
    for (const auto& problem : category->m_arrProblems) SerializeProblem(archive, *problem);
  }
  return archive.take();
}

bool DecodeResults(std::string_view bytes, StoredResults& out) {
  mx::ArchiveReader archive(bytes);
  std::int32_t total = 0;
  if (!archive.ReadI32(total) || total < 0) return false;
  out.total = total;
  for (auto& block : out.blocks) {
    std::int32_t count = 0;
    if (!archive.ReadI32(count) || count < 0) return false;
    // Checked against the bytes left before anything is allocated for it.
    if (static_cast<size_t>(count) > archive.remaining() / kMinRecordBytes) return false;
    block.clear();
    block.reserve(static_cast<size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
      auto problem = std::make_unique<CProblem>();
      if (!SerializeProblem(archive, *problem)) return false;
      block.push_back(std::move(problem));
    }
  }
  return archive.atEnd();
}

bool IsStoredProblemCurrent(const CProblem& problem) {
  HKEY root = nullptr;
  std::wstring subKey;
  // A Key that does not start with a registry root (the file path of a shortcut problem) is not checked.
  if (!SplitProblemKey(problem.Key, root, subKey)) return true;

  CRegistryKey key;
  key.m_access = kExaminedKeyAccess;
  if (IsWow64()) key.m_access |= problem.m_n32BitEntry ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  if (!key.Open(root, FALSE, subKey)) return false;

  if (problem.ValueName.empty()) {
    if (problem.ValueData.empty()) return true;
    std::wstring current;
    key.ReadString(L"", current);
    if (mx::EqualsNoCase(current, problem.ValueData)) return true;
    return problem.EntryType == kEntryTypeAppPath || problem.EntryType == kEntryTypeShellVerb;
  }
  DWORD type = 0, size = 0;
  if (win::RegQueryValueEx(key.Handle(), problem.ValueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS)
    return true;
  return problem.EntryType == kEntryTypeUninstall;
}

void SaveProblemsToDisk(const CScanManager& manager) {
  const std::wstring path = ResultsFilePath();
  const std::string bytes = EncodeResults(manager);
  if (path.empty() || mx::WriteWinFile(path, bytes) != ERROR_SUCCESS)
    WriteLogLine(L"SaveProblemsToDisk unable to open file : " + path);
}

void SaveProblemsToDisk() {
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_pScanManager) SaveProblemsToDisk(*app->m_pScanManager);
}

void CScanManager::LoadProblemsFromDisk() {
  const std::wstring path = ResultsFilePath();
  if (path.empty()) return;
  std::string bytes;
  const LONG rc = mx::ReadWinFile(path, bytes, kMaxResultsFileBytes);
  if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return;

  StoredResults stored;
  if (rc != ERROR_SUCCESS) {
    WriteLogLine(L"LoadProblemsFromDisk unable to read file : " + path);
    UpdateCounts(*this, nullptr);
    return;
  }
  if (!DecodeResults(bytes, stored)) {
    // Never half-read: the problems held now stay, and the damaged file is kept aside rather than lost.
    WriteLogLine(L"LoadProblemsFromDisk damaged file rejected : " + path);
    win::MoveFileEx(path.c_str(), (path + L".damaged").c_str(), MOVEFILE_REPLACE_EXISTING);
    UpdateCounts(*this, nullptr);
    return;
  }

  DeleteCategories();
  for (int i = 0; i < kCategoryCount; ++i) {
    const DWORD flag = kCategoryTable[i].flag;
    if (m_categoryFactory) SetCategory(flag, m_categoryFactory(flag));
    CCategory* category = GetCategory(flag);
    if (category == nullptr) continue;
    for (auto& problem : stored.blocks[i]) {
      problem->m_pBackupHolder = m_pBackupHolder;
      if (IsStoredProblemCurrent(*problem)) category->m_arrProblems.push_back(std::move(problem));
    }
  }
  UpdateCounts(*this, &stored.total);
}
