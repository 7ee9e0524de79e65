#pragma once
// The user's exclusion list and the temporary key list, kept in "ExcludeList.kvt" and "TempHLList.kvt" in
// the data folder in the class library's archive encoding: a 32-bit count, then the string array.
#include <string>
#include <vector>

class CZUNApp;

inline constexpr const wchar_t* kExcludeListFile = L"ExcludeList.kvt";
inline constexpr const wchar_t* kTempListFile = L"TempHLList.kvt";

// The file's bytes for a list.
std::string EncodeKeyList(const std::vector<std::wstring>& list);
// The strings read in full before any damage, empty ones dropped (an empty entry would match every key);
// false when the bytes are damaged (cut short, an absurd count, a malformed string, bytes after the last
// string).
bool DecodeKeyList(const std::string& bytes, std::vector<std::wstring>& out);

// Loading: a missing file leaves the list unchanged; otherwise the list becomes what the file holds (as much
// as can be read of a damaged one, which is also kept aside as "<file>.damaged" so nothing is lost, and
// logged).
// Returns false for a missing or damaged file.
bool LoadKeyListFile(const std::wstring& path, std::vector<std::wstring>& list);
// Replaces the file atomically; a failed save keeps the old file.
bool SaveKeyListFile(const std::wstring& path, const std::vector<std::wstring>& list);

void SaveExclusionList();
void SaveTemporaryList();
void LoadExclusionList();
void LoadTemporaryList(CZUNApp* app);
// Appends key unless an entry equal to it without regard to case is there. Does not save.
void AddToExclusionList(CZUNApp* app, const std::wstring& key);
