#pragma once
// The answers of the DLL search service, one record per row of the name search and per downloadable
// version of the detail search.
#include <climits>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

class CXmlDocument;

// One row of the name search, filled from the reply's FILENAME, FILEDESC and FILEURL elements.
struct DLL_RESULT_DATA {
  std::wstring FILENAME;
  std::wstring FILEDESC;
  std::wstring FILEURL;
};

// One downloadable version of the detail search, filled from the children of one "item" element.
struct DLL_RESULT_DATA_EX {
  // Rank of a version the service gave none: after every ranked one, so it is never recommended
  // ahead of them.
  static constexpr int kUnranked = INT_MAX;

  std::wstring filename;
  std::wstring filedescription;
  std::wstring url;
  std::wstring langname;
  std::wstring bits;
  std::wstring osname;
  std::wstring fileversion;
  std::wstring hash;
  int order = kUnranked;  // lower is better; equal orders belong together
};

// The leading decimal number of a text as the reply's "order" carries it: blanks, a sign and digits;
// 0 when no digit follows; clamped to the range of int.
int ParseDllOrder(std::wstring_view text);

// Fills the record from the children of the current element (an "item"), each field looked up from
// the item's first child so the order of the children does not matter. A field whose element is
// missing keeps its value, so one record carried through a reply repeats the item before. The positions
// of the document are as before afterwards. FALSE when there is no current element.
BOOL ReadDllResultItem(CXmlDocument& doc, DLL_RESULT_DATA_EX& record);
