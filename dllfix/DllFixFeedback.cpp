#include "dllfix/DllFixFeedback.h"

#include <cstdint>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/ScheduledTaskWriter.h"
#include "app/ServiceAddress.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/http/Http.h"
#include "platform/http/UrlMon.h"
#include "platform/system/SystemInfo.h"
#include "platform/system/Time.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"
#include "platform/win/WinDefs.h"

namespace {

constexpr std::uint64_t kTwoHours = 2ull * 3600 * 10000000;

std::wstring ReadValue(HKEY root, const wchar_t* name) {
  CRegistryKey key;
  key.m_access = KEY_READ;
  std::wstring value;
  if (key.Open(root, FALSE, kProductKey)) key.ReadString(name, value);
  return value;
}

std::wstring Encoded(const std::wstring& value) {
  return mx::Utf8ToWide(mx::http::PercentEncode(mx::WideToUtf8(value)));
}

}  // namespace

void ScheduleDllFixQuestion() {
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  FILETIME ft{};
  win::SystemTimeToFileTime(&now, &ft);
  std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) + kTwoHours;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME later{};
  win::FileTimeToSystemTime(&ft, &later);

  ScheduledTaskWriter writer;
  writer.m_start = COleDateTime(later.wYear, later.wMonth, later.wDay, later.wHour, later.wMinute, 0);
  writer.m_nFrequency = 1;
  writer.m_wInterval = 1;
  CZUNApp* app = AfxGetZunApp();
  if (app) app->m_bCreatingAskUserTask = TRUE;
  if (ScheduledTaskWriter::DescribeSchedule(writer).empty()) {
    if (app) app->m_bCreatingAskUserTask = FALSE;
    return;
  }
  writer.m_strTaskName = kAskUserTaskName;
  const BOOL created = ScheduledTaskWriter::CreateTask(FALSE, writer);
  if (app) app->m_bCreatingAskUserTask = FALSE;
  if (!created) return;
  CRegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, TRUE, kProductKey)) win::RegDeleteValue(key.Handle(), L"ASKEDUSER");
}

std::wstring DllFixFeedbackUrl(BOOL fixed) {
  OSVERSIONINFOEXW os;
  os.dwOSVersionInfoSize = sizeof(os);
  win::GetVersionEx(&os);
  SYSTEM_INFO info;
  win::GetNativeSystemInfo(&info);
  // Stored and service-given texts are encoded: a name with "&" or "#" must not change the query.
  return MakeServiceUrl(
      L"/searchfiles/logFeedback.php?success=" + std::wstring(fixed ? L"1" : L"0") +
      L"&filename=" + Encoded(mx::Trim(ReadValue(HKEY_LOCAL_MACHINE, L"DLLFILENAME"))) +
      L"&md5=" + Encoded(ReadValue(HKEY_CURRENT_USER, L"FEEDBACKMD5")) +
      L"&majorver=" + std::to_wstring(os.dwMajorVersion) + L"&minorver=" + std::to_wstring(os.dwMinorVersion) +
      L"&producttype=" + std::to_wstring(os.wProductType) +
      L"&architecturetype=" + std::to_wstring(info.wProcessorArchitecture) + L"&langid=" + Encoded(GetLangCode()) +
      L"&path=" + Encoded(ReadValue(HKEY_CURRENT_USER, L"PathInstalled")));
}

void SendDllFixFeedback(BOOL fixed) {
  const std::wstring url = DllFixFeedbackUrl(fixed);
  std::wstring file = GetAppDataFolderPath();
  if (!url.empty() && !file.empty()) {
    AppendPath(file, L"sendfeedback.txt");
    // The answer is a report only: whatever the service replies changes nothing here.
    win::URLDownloadToFile(nullptr, url.c_str(), file.c_str(), 0, nullptr);
  }
  if (!fixed) return;
  win::CWnd* main = win::AfxGetMainWnd();
  win::MessageBox(main ? main->GetSafeHwnd() : nullptr, GetLocalizedString(L"IDS_THANKS").c_str(),
                  GetAppTitle().c_str(), MB_OK | MB_ICONINFORMATION);
  win::PostQuitMessage(18);
}
