#include "dllfix/DllSearch.h"

#include <algorithm>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/ProgramVersion.h"
#include "app/ServiceAddress.h"
#include "app/XmlDocument.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/http/UrlMon.h"
#include "platform/system/SystemInfo.h"

namespace {

// Deeper nesting than any reply needs; a reply nested beyond it is not walked further.
constexpr int kMaxReplyDepth = 64;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::wstring BuildSuffix() {
  std::wstring version;
  GetExeFileVersion(version);
  return version.empty() ? std::wstring() : L"&build=" + version;
}

OSVERSIONINFOEXW OsVersion() {
  OSVERSIONINFOEXW info;
  info.dwOSVersionInfoSize = sizeof(info);
  win::GetVersionEx(&info);
  return info;
}

// Depth-first over every element; a leaf is an element without child elements.
struct PlainWalk {
  CXmlDocument& doc;
  std::vector<DLL_RESULT_DATA>& rows;
  DLL_RESULT_DATA record;
  std::wstring lastLeaf;

  void Visit(int depth) {
    bool hasChildren = false;
    while (depth < kMaxReplyDepth && doc.FindChildElement()) {
      hasChildren = true;
      doc.EnterElement();
      Visit(depth + 1);
      doc.LeaveElement();
    }
    if (hasChildren) return;
    const std::wstring name = mx::ToLower(mx::Trim(doc.GetNodeName()));
    if (name == lastLeaf) return;
    lastLeaf = name;
    if (name == L"filename") {
      record.FILENAME = doc.GetElementText();
    } else if (name == L"filedesc") {
      record.FILEDESC = doc.GetElementText();
    } else if (name == L"fileurl") {
      record.FILEURL = doc.GetElementText();
      rows.push_back(record);
    }
  }
};

const wchar_t* const kSections[] = {L"other", L"b32", L"b64"};

}  // namespace

std::string InvertBytes(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) c = static_cast<char>(~static_cast<unsigned char>(c));
  return out;
}

std::string BytesToHex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string HexToBytes(std::string_view hex, size_t count) {
  std::string out(count, '\0');
  for (size_t i = 0; i < count && 2 * i < hex.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    if (high < 0) continue;
    int value = high;
    const int low = 2 * i + 1 < hex.size() ? HexDigit(hex[2 * i + 1]) : -1;
    if (low >= 0) value = value * 16 + low;
    out[i] = static_cast<char>(value);
  }
  return out;
}

std::wstring EncodeDllName(const std::wstring& name) {
  return mx::Utf8ToWide(BytesToHex(InvertBytes(mx::WideToUtf8(name))));
}

std::wstring DecodeSearchReply(std::string_view reply) {
  std::string upper(reply);
  for (char& c : upper)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  // Trailing line ends of a reply file are no digits.
  while (!upper.empty() && (upper.back() == '\n' || upper.back() == '\r' || upper.back() == ' ')) upper.pop_back();
  std::string bytes = InvertBytes(HexToBytes(upper, upper.size() / 2));
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return mx::Utf8ToWide(bytes);
}

std::vector<DLL_RESULT_DATA> ReadSearchReply(const std::wstring& xml) {
  std::vector<DLL_RESULT_DATA> rows;
  CXmlDocument doc(xml);
  doc.Rewind();
  if (!doc.FindElement()) return rows;
  PlainWalk walk{doc, rows, {}, {}};
  walk.Visit(0);
  return rows;
}

std::wstring DllSearchUrl(const std::wstring& name) {
  const OSVERSIONINFOEXW os = OsVersion();
  SYSTEM_INFO info;
  win::GetNativeSystemInfo(&info);
  return MakeServiceUrl(L"/fapi/searchfile.php?filename=" + EncodeDllName(name) +
                        L"&majorver=" + std::to_wstring(os.dwMajorVersion) +
                        L"&minorver=" + std::to_wstring(os.dwMinorVersion) +
                        L"&producttype=" + std::to_wstring(os.wProductType) +
                        L"&architecturetype=" + std::to_wstring(info.wProcessorArchitecture) +
                        L"&langid=" + GetLangCode() + BuildSuffix());
}

std::wstring DllDetailSearchUrl(const std::wstring& name) {
  const OSVERSIONINFOEXW os = OsVersion();
  return MakeServiceUrl(L"/searchfiles/withkey/search.php?filename=" + EncodeDllName(name) +
                        L"&majorver=" + std::to_wstring(os.dwMajorVersion) +
                        L"&minorver=" + std::to_wstring(os.dwMinorVersion) + L"&langid=" + GetLangCode() +
                        BuildSuffix());
}

BOOL FetchServiceReply(const std::wstring& url, const wchar_t* fileName, std::string& text) {
  text.clear();
  const std::wstring folder = GetAppDataFolderPath();
  if (url.empty() || folder.empty()) return FALSE;
  std::wstring path = folder;
  AppendPath(path, fileName);
  win::DeleteFile(path.c_str());
  if (win::URLDownloadToFile(nullptr, url.c_str(), path.c_str(), 0, nullptr) != S_OK) return FALSE;
  // A reply that cannot be read counts as empty.
  mx::ReadWinFile(path, text, 16u << 20);
  return TRUE;
}

std::vector<DLL_RESULT_DATA_EX>& DllDetailTables::Table(int number) {
  return number == kTable32 ? b32 : number == kTable64 ? b64 : other;
}

const std::vector<DLL_RESULT_DATA_EX>& DllDetailTables::Table(int number) const {
  return number == kTable32 ? b32 : number == kTable64 ? b64 : other;
}

const DLL_RESULT_DATA_EX* DllDetailTables::Find(int table, long index) const {
  if (table < kTableOther || table > kTable64 || index < 0) return nullptr;
  const auto& rows = Table(table);
  return static_cast<size_t>(index) < rows.size() ? &rows[static_cast<size_t>(index)] : nullptr;
}

void ReadDetailReply(const std::wstring& xml, DllDetailTables& tables) {
  tables.other.clear();
  tables.b32.clear();
  tables.b64.clear();
  CXmlDocument doc(xml);
  doc.Rewind();
  if (!doc.FindElement()) return;
  while (doc.FindChildElement(L"group")) {
    doc.EnterElement();
    if (!mx::EqualsNoCase(mx::Trim(doc.GetAttribute(L"grouporder")), L"1")) {
      doc.LeaveElement();
      continue;
    }
    if (doc.FindChildElement(L"groupdescription")) tables.groupDescription = doc.GetElementTextAt(doc.GetChildPosition());
    for (int table = kTableOther; table <= kTable64; ++table) {
      // Back to the group's first child: leaving and entering the group again resets the child position.
      doc.LeaveElement();
      doc.EnterElement();
      if (!doc.FindChildElement(kSections[table - 1])) continue;
      doc.EnterElement();
      while (doc.FindChildElement(L"item")) {
        doc.EnterElement();
        DLL_RESULT_DATA_EX record;
        ReadDllResultItem(doc, record);
        tables.Table(table).push_back(record);
        doc.LeaveElement();
      }
      doc.LeaveElement();
    }
    doc.LeaveElement();
  }
}

BOOL SortDllResultsByOrder(std::vector<DLL_RESULT_DATA_EX>& table) {
  if (table.size() < 2) {
    win::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::stable_sort(table.begin(), table.end(),
                   [](const DLL_RESULT_DATA_EX& a, const DLL_RESULT_DATA_EX& b) { return a.order < b.order; });
  return TRUE;
}

void ChooseRecommended(DllDetailTables& tables, bool win64) {
  for (int table = kTableOther; table <= kTable64; ++table) SortDllResultsByOrder(tables.Table(table));
  if (!win64) tables.b64.clear();
  tables.recommendedTable = kTableOther;
  if (!tables.b64.empty()) {
    tables.recommendedTable = kTable64;
  } else if (!tables.b32.empty()) {
    tables.recommendedTable = kTable32;
  }
}

std::array<int, 2> OtherTables(int recommendedTable) {
  if (recommendedTable == kTable32) return {kTableOther, kTable64};
  if (recommendedTable == kTable64) return {kTableOther, kTable32};
  return {kTable32, kTable64};
}

std::vector<DllRowRef> SameOrderRows(const DllDetailTables& tables) {
  std::vector<DllRowRef> rows;
  const auto& recommended = tables.Table(tables.recommendedTable);
  if (recommended.empty()) return rows;
  const int order = recommended.front().order;
  for (int table : OtherTables(tables.recommendedTable)) {
    const auto& records = tables.Table(table);
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].order == order) rows.push_back({table, static_cast<int>(i), &records[i]});
  }
  return rows;
}

std::vector<DllRowRef> AlternativeRows(const DllDetailTables& tables) {
  std::vector<DllRowRef> rows;
  for (int table : {kTable32, kTable64, kTableOther}) {
    const auto& records = tables.Table(table);
    for (size_t i = 0; i < records.size(); ++i) rows.push_back({table, static_cast<int>(i), &records[i]});
  }
  return rows;
}

std::wstring DllSystemText(const DLL_RESULT_DATA_EX& record) { return record.osname + L", x" + record.bits; }

std::wstring SameOrderLogLine(int table, bool listing) {
  if (table == kTableOther) return L"Alternate DLL with same order fount in other too. Checksum - ";
  if (table == kTable32) return L"Alternate DLL with same order fount in 32 bit too. Checksum - ";
  return listing ? L"Alternate DLL with same order fount in 64bit too. Checksum - "
                 : L"Alternate DLL with same order fount in 64 bit too. Checksum - ";
}

std::array<DLL_RESULT_DATA_EX, 3> RecommendedInstallSet(const DllDetailTables& tables) {
  std::array<DLL_RESULT_DATA_EX, 3> set;
  const auto& recommended = tables.Table(tables.recommendedTable);
  if (recommended.empty()) return set;
  set[0] = recommended.front();
  WriteLogLine(L"Recommended DLL selected to download. Checksum - " + set[0].hash);
  const std::array<int, 2> others = OtherTables(tables.recommendedTable);
  for (const DllRowRef& row : SameOrderRows(tables)) {
    WriteLogLine(SameOrderLogLine(row.table, false) + row.record->hash);
    set[row.table == others[0] ? 1 : 2] = *row.record;
  }
  return set;
}
