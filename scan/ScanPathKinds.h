#pragma once
// What the file system answered about each path during one scan, so that a path every category and every
// twin-folder test names again is asked of the file system once per scan. A scan takes the files as they were
// when it began (answers found valid are kept for the whole scan too); outside a scan nothing is kept.
#include <filesystem>
#include <optional>
#include <string>

// Keeps answers for its lifetime (the scan worker holds one); they are dropped when the last scope ends.
class ScanPathKindScope {
 public:
  ScanPathKindScope();
  ~ScanPathKindScope();
  ScanPathKindScope(const ScanPathKindScope&) = delete;
  ScanPathKindScope& operator=(const ScanPathKindScope&) = delete;
};

// The kind kept for path (-1 missing, 0 folder, 1 anything else); nothing outside a scan or when not asked yet.
std::optional<int> KeptPathKind(const std::wstring& path);
void KeepPathKind(const std::wstring& path, int kind);

// What a folder resolved to during the scan: where the host has it (empty when it is missing or no folder).
std::optional<std::filesystem::path> KeptFolderHost(const std::wstring& folder);
void KeepFolderHost(const std::wstring& folder, const std::filesystem::path& host);
