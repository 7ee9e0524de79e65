#pragma once
// The DLL search service: the plain search by name (rows of name, description and URL), the detail search of
// one name (every downloadable version, sorted into the tables "other", 32-bit and 64-bit) and the choice of
// the versions recommended for this prefix. Both screens that search (the install-DLLs screen and the
// named-DLL fix) use these; the pages are theirs.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/DllResultData.h"
#include "platform/base/WinTypes.h"

// The name's wire form: its bytes complemented, as upper-case hexadecimal ("abc" -> "9E9D9C").
std::string InvertBytes(std::string_view bytes);
std::string BytesToHex(std::string_view bytes);
// count bytes from pairs of upper-case digits; a pair stops at its first non-digit and keeps what it had.
std::string HexToBytes(std::string_view hex, size_t count);
std::wstring EncodeDllName(const std::wstring& name);
// The plain search's reply (complemented bytes as hex digits of either case) back to its XML text.
std::wstring DecodeSearchReply(std::string_view reply);
// The rows of a decoded plain-search reply: a FILEURL leaf closes a row.
std::vector<DLL_RESULT_DATA> ReadSearchReply(const std::wstring& xml);

// Request URLs on the web service; empty when no service is configured.
std::wstring DllSearchUrl(const std::wstring& name);
std::wstring DllDetailSearchUrl(const std::wstring& name);
// Downloads url into the data folder's fileName (an older file of that name deleted first) and reads it back.
// FALSE when the download failed.
BOOL FetchServiceReply(const std::wstring& url, const wchar_t* fileName, std::string& text);

// Page table numbers of the detail search.
inline constexpr int kTableOther = 1;
inline constexpr int kTable32 = 2;
inline constexpr int kTable64 = 3;

struct DllDetailTables {
  std::vector<DLL_RESULT_DATA_EX> other, b32, b64;
  std::wstring groupDescription;
  int recommendedTable = kTableOther;

  std::vector<DLL_RESULT_DATA_EX>& Table(int number);
  const std::vector<DLL_RESULT_DATA_EX>& Table(int number) const;
  bool Empty() const { return other.empty() && b32.empty() && b64.empty(); }
  // The record a page names by table number and row index; nullptr for anything the tables do not hold.
  const DLL_RESULT_DATA_EX* Find(int table, long index) const;
};

// A record with a page position, for the rows the screens list.
struct DllRowRef {
  int table;
  int index;
  const DLL_RESULT_DATA_EX* record;
};

// Reads the groups with grouporder "1" of a detail reply into the tables (emptied first). Every item starts
// from an empty record.
void ReadDetailReply(const std::wstring& xml, DllDetailTables& tables);
// Ascending by order; FALSE (last error ERROR_INVALID_PARAMETER) for fewer than two records.
BOOL SortDllResultsByOrder(std::vector<DLL_RESULT_DATA_EX>& table);
// Sorts the tables and chooses the recommended table: on a 64-bit prefix the 64-bit version first; on a
// 32-bit prefix the 64-bit versions are dropped.
void ChooseRecommended(DllDetailTables& tables, bool win64);
// The two tables other than the recommended one, lower number first.
std::array<int, 2> OtherTables(int recommendedTable);
// The records of the other tables with the recommended record's order, in page order (recommended not included).
std::vector<DllRowRef> SameOrderRows(const DllDetailTables& tables);
// Every record in the order the alternatives list shows them: 32-bit, 64-bit, then other.
std::vector<DllRowRef> AlternativeRows(const DllDetailTables& tables);
// "XP, x32"
std::wstring DllSystemText(const DLL_RESULT_DATA_EX& record);
// The set that "install recommended" installs: the recommended record, then the last same-order record of each
// other table, lower table number first (empty records where there is none). Logs each choice.
std::array<DLL_RESULT_DATA_EX, 3> RecommendedInstallSet(const DllDetailTables& tables);
// The log line of a same-order record of a table, as the listing and as the installation write it.
std::wstring SameOrderLogLine(int table, bool listing);
