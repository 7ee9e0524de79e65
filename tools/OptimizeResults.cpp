#include "tools/OptimizeResults.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/LogonStart.h"
#include "app/RegistryKey.h"
#include "app/RestorePoint.h"
#include "platform/base/SafeFormat.h"
#include "platform/system/Time.h"
#include "platform/win/Message.h"
#include "platform/system/UserDateFormat.h"
#include "tools/HiveOptimizer.h"
#include "tools/RegCompact.h"

namespace {

const std::wstring kSignKey = std::wstring(kProductKey) + L"\\" + L"Sign";

std::wstring Printf(const wchar_t* format, double value) {
  wchar_t buffer[64];
  std::swprintf(buffer, 64, format, value);
  return buffer;
}

// The program's own hand-over.
class ProgramHandOver final : public OptimizeHandOver {
 public:
  BOOL InstallBootCompaction() override {
    HiveOptimizer optimizer;
    return optimizer.Install() == 1;
  }
  BOOL SetStartAfterOptimization(BOOL enable) override {
    ::SetStartAfterOptimization(enable);
    return TRUE;
  }
  void EndProgram() override { win::PostQuitMessage(0); }
};

ProgramHandOver g_noHandOver;
OptimizeHandOver* g_handOver = nullptr;

}  // namespace

OptimizeHandOver& GetOptimizeHandOver() { return g_handOver ? *g_handOver : g_noHandOver; }
void SetOptimizeHandOver(OptimizeHandOver* handOver) { g_handOver = handOver; }

void FormatHiveSize(LONGLONG size, std::wstring& out) {
  if (size < 1024) {
    out = std::to_wstring(static_cast<int>(size)) + L" Bytes";
    return;
  }
  // Each quotient is taken at single precision before it is compared, as the sizes always were.
  float kb = static_cast<float>(static_cast<double>(size) / 1024.0);
  if (kb < 1024.0f) {
    out = Printf(L"%0.1f KB", kb);
    return;
  }
  float mb = static_cast<float>(static_cast<double>(size) / 1048576.0);
  if (mb < 1024.0f) {
    out = Printf(L"%0.2f MB", mb);
    return;
  }
  out = Printf(L"%0.2f GB", static_cast<float>(static_cast<double>(size) / 1073741824.0));
}

std::wstring FormatWithDouble(const std::wstring& tmpl, double value) {
  std::wstring out;
  bool used = false;
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] != L'%') {
      out += tmpl[i];
      continue;
    }
    if (i + 1 < tmpl.size() && tmpl[i + 1] == L'%') {
      out += L'%';
      ++i;
      continue;
    }
    // %f, %.Nf, %0.Nf with N of one digit; anything else is copied as it stands.
    size_t j = i + 1;
    if (j < tmpl.size() && tmpl[j] == L'0') ++j;
    int precision = 6;
    if (j + 1 < tmpl.size() && tmpl[j] == L'.' && iswdigit(tmpl[j + 1])) {
      precision = tmpl[j + 1] - L'0';
      j += 2;
    }
    if (!used && j < tmpl.size() && (tmpl[j] == L'f' || tmpl[j] == L'g')) {
      wchar_t buffer[64];
      std::swprintf(buffer, 64, L"%.*f", precision, value);
      out += buffer;
      used = true;
      i = j;
      continue;
    }
    out += tmpl[i];
  }
  return out;
}

LONGLONG DaysSinceLastOptimization() {
  if (StrLastOptimizeTime.empty()) return -1;
  std::tm parsed{};
  if (!mx::ParseUserDateTime(StrLastOptimizeTime, parsed)) return -1;
  std::int64_t then = mx::UnixFromLocalTime(parsed);
  if (then == -1) return -1;
  double days = static_cast<double>(mx::UnixTimeNow() - then) / 86400.0;
  days += days < 0 ? -5.787037037037037e-6 : 5.787037037037037e-6;
  return static_cast<LONGLONG>(std::trunc(days));
}

std::vector<HiveResultRow> BuildHiveResultRows(const CRegCompact& analysis, double* totalPercent) {
  std::vector<HiveResultRow> rows;
  double liveSum = 0, savedSum = 0;
  const std::wstring fragmented = GetLocalizedString(L"IDS_FRGMENTATION");
  const std::wstring sizes = GetLocalizedString(L"SCANTAB3LISTFILESIZE");
  for (int i = 0; analysis.m_pHives && i < analysis.m_nHives; ++i) {
    const SHiveCompactInfo& r = analysis.m_pHives[i];
    DWORD live = r.dwLiveSize, copy = r.dwCopySize;
    if (!r.nSaved) {
      if (live == 0) continue;
      copy = live - 1;
    }
    double saved = live > copy ? static_cast<double>(live - copy) : 0.0;
    double percent = live ? saved * 100.0 / live : 0.0;
    liveSum += live;
    savedSum += saved;
    HiveResultRow row;
    row.title = r.strHiveName;
    row.description = FormatWithDouble(fragmented, percent);
    std::wstring before, after;
    FormatHiveSize(live, before);
    FormatHiveSize(copy, after);
    row.detail = mx::SafeFormat(sizes, {before, after});
    for (size_t tab = row.detail.find(L'\t'); tab != std::wstring::npos; tab = row.detail.find(L'\t', tab))
      row.detail.replace(tab, 1, L"  ");
    row.meter = static_cast<DWORD>(percent);
    row.shownCopySize = copy;
    rows.push_back(std::move(row));
  }
  if (totalPercent) *totalPercent = savedSum > 0 && liveSum > 0 ? savedSum * 100.0 / liveSum : 0.0;
  return rows;
}

void SetOptimizingMarker() {
  GetOptimizeHandOver().SetStartAfterOptimization(TRUE);
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ | KEY_WRITE;
  if (key.Open(HKEY_CURRENT_USER, TRUE, kSignKey)) key.WriteDWORD(L"OPTIMIZING", 1);
}

void ClearOptimizingMarker() {
  GetOptimizeHandOver().SetStartAfterOptimization(FALSE);
  win::SHDeleteKey(HKEY_CURRENT_USER, kSignKey.c_str());
}

BOOL RunOptimizeCommand() {
  CreateRestorePoint(GetAppTitle() + L" Before Optimization ");
  OptimizeHandOver& handOver = GetOptimizeHandOver();
  if (!handOver.InstallBootCompaction()) {
    // The set-up has said why; nothing may suggest a restart is pending.
    WriteLogLine(L"Registry optimization was not set up; nothing is pending");
    return FALSE;
  }
  CRegCompact::SaveSummary();
  if (g_pRegCompact) g_pRegCompact->DeleteCopies();
  SetOptimizingMarker();
  WriteLogLine(L"PostQuitMessage : defrag optimize");
  handOver.EndProgram();
  return TRUE;
}
