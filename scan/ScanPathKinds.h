#pragma once
// What the file system answered about each path during one scan, so that a path every category and every
// twin-folder test names again is asked of the file system once per scan. A scan takes the files as they were
// when it began (answers found valid are kept for the whole scan too); outside a scan nothing is kept.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/FolderNames.h"

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

// What a folder resolved to during the scan: its names as the host listed them (null when it is missing or
// no folder), so that every path of the scan that passes through it asks the listing, not the file system.
std::optional<std::shared_ptr<const mx::FolderNames>> KeptFolder(const std::wstring& folder);
void KeepFolder(const std::wstring& folder, std::shared_ptr<const mx::FolderNames> names);

// For a text searched for a file, the lengths of its prefixes that end in the first folder level below a drive's
// root and could name a file there (longest first): every twin-folder test of the scan passes through the same
// few folders at that level ("C:\\Program Files", its twin), each name of which was judged from the listing.
std::optional<std::vector<unsigned short>> KeptRootPrefixes(const std::wstring& text);
void KeepRootPrefixes(const std::wstring& text, std::vector<unsigned short> lengths);

// A number for the scan whose answers are kept now, different for every scan of the process; 0 outside a scan.
std::uint64_t CurrentScanScope();
