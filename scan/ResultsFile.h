#pragma once
// "results.kvt" in the data folder: the problems of the last scan, so that they survive a restart. The class
// library's archive encoding, no header: the total problem count, then fourteen category blocks in flag order
// (a count and that many problem records). The loader (CScanManager::LoadProblemsFromDisk) checks every
// stored problem against the registry again, so entries removed in the meantime do not come back.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Archive.h"
#include "scan/CategoryFlags.h"
#include "scan/Problem.h"

class CScanManager;

inline constexpr const wchar_t* kResultsFileName = L"results.kvt";

// Data folder + "\results.kvt"; empty when the data folder is not available.
std::wstring ResultsFilePath();

// One problem record: EntryType, selected, Key, ValueName, ValueData, AlternateKey, 32BitEntry, details.
void SerializeProblem(mx::ArchiveWriter& archive, const CProblem& problem);
// False for a damaged record (cut short, malformed text, an entry type outside 0 to 43).
bool SerializeProblem(mx::ArchiveReader& archive, CProblem& problem);

// The file's bytes for the manager's categories (an absent category stores the count 0).
std::string EncodeResults(const CScanManager& manager);

struct StoredResults {
  int total = 0;  // the problem count at save time
  std::array<std::vector<std::unique_ptr<CProblem>>, kCategoryCount> blocks;  // in flag order
};
// False when the bytes are not a whole results file; out is then unspecified.
bool DecodeResults(std::string_view bytes, StoredResults& out);

// Whether a stored problem still describes something in the registry (checked in the view of its 32BitEntry).
bool IsStoredProblemCurrent(const CProblem& problem);

// Writes the file from the manager's categories, replacing the old one atomically: a failed save logs and
// leaves the previous file as it was.
void SaveProblemsToDisk(const CScanManager& manager);
// The same for the application's manager (nothing without one).
void SaveProblemsToDisk();
