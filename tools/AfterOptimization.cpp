#include "tools/AfterOptimization.h"

#include "app/AppSettings.h"
#include "app/LogonStart.h"
#include "app/Wow64FsRedirectionGuard.h"
#include "app/ZUNApp.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/system/Time.h"
#include "platform/system/UserDateFormat.h"
#include "tools/HiveOptimizer.h"
#include "tools/OptimizeResults.h"

namespace {

// The parameter file's creation time, else now.
std::int64_t OptimizationTime(const std::wstring& path) {
  WIN32_FIND_DATAW data{};
  HFIND find = win::FindFirstFile(path.c_str(), &data);
  if (find == INVALID_FIND_HANDLE) return mx::UnixTimeNow();
  win::FindClose(find);
  const std::uint64_t ticks = mx::FileTimeToU64(data.ftCreationTime);
  return ticks ? mx::FileTimeToUnix(ticks) : mx::UnixTimeNow();
}

}  // namespace

BOOL FinishAfterOptimization(CZUNApp& app) {
  if (!app.m_bStartedAfterOptimization) return FALSE;
  CWow64FsRedirectionGuard redirection;
  const std::wstring path = HiveOptimizer::ParameterFilePath();
  if (path.empty() || !win::PathFileExists(path.c_str())) {
    ClearOptimizingMarker();
    return FALSE;
  }
  std::tm optimized{}, now{};
  mx::LocalTimeFromUnix(OptimizationTime(path), optimized);
  mx::LocalTimeFromUnix(mx::UnixTimeNow(), now);
  StrLastOptimizeTime = mx::FormatUserDateTime(optimized);
  StrLatestRegDefrag = mx::FormatTime(L"%a. %B %d, %Y. %I:%M %p", now);
  ClearOptimizingMarker();
  // The reminder comes back only for a user who wants the program at every start.
  if (StartWhenWinBoots) SetStartWithWindows(TRUE);
  SaveSettings();
  return TRUE;
}
