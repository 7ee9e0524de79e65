#include "integration/WholeScan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"
#include "scan/support/RecordingWindow.h"

namespace wholescan {

void RemoveHostDrive(const std::wstring& prefixDir) {
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(mx::WideToUtf8(prefixDir)) / "dosdevices" / "z:", ec);
  mx::ResetDrives();
}

void ReloadRegistry() {
  mx::reg::ResetRegistry();
  for (const auto& [root, path] : {std::pair{HKEY_LOCAL_MACHINE, L"Software"}, std::pair{HKEY_CURRENT_USER, L"Software"},
                                   std::pair{HKEY_USERS, L".Default"}}) {
    HKEY key = nullptr;
    if (win::RegOpenKeyEx(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) win::RegCloseKey(key);
  }
}

UINT RunScan(CScanManager& manager, DWORD mask, DWORD* finished) {
  enginetest::EventLog log;
  UINT end = 0;
  DWORD done = 0;
  enginetest::RecordingWindow progress(L"MxWholeScanProgress", &log, "progress");
  progress.m_onMessage = [&end, &done](enginetest::RecordingWindow&, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_SCAN_COMPLETED || msg == WM_SCAN_STOPPED) end = msg;
    if (msg == WM_CATEGORY_FINISHED) done |= static_cast<DWORD>(wParam);
  };
  int count = 0;
  for (DWORD bits = mask & kAllCategories; bits != 0; bits &= bits - 1) ++count;
  manager.CreateCategories(static_cast<int>(mask), count);
  manager.m_hProgressWnd = progress.GetSafeHwnd();
  if (!BeginScanWorker(manager)) return 0;
  // GetMessage answers the worker's sent messages while it waits; the timer wakes it to look at the clock.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
  progress.SetTimer(1, 1000);
  MSG msg;
  while (end == 0 && std::chrono::steady_clock::now() < deadline && win::GetMessage(&msg, nullptr, 0, 0) > 0)
    win::DispatchMessage(&msg);
  progress.KillTimer(1);
  manager.StopWorkerAndWait();
  manager.m_hProgressWnd = nullptr;
  if (finished) *finished = done;
  return end;
}

namespace {

std::string Printable(const std::wstring& text) {
  std::wstring shown;
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) {
      wchar_t escape[8];
      std::swprintf(escape, 8, L"\\x%04x", static_cast<unsigned>(c));
      shown += escape;
    } else {
      shown += c;
    }
  }
  return mx::WideToUtf8(shown);
}

}  // namespace

std::vector<std::string> ProblemLines(const CScanManager& manager) {
  std::vector<std::string> out;
  for (const CategoryInfo& info : kCategoryTable) {
    const CCategory* category = manager.GetCategory(info.flag);
    if (!category) continue;
    std::vector<std::string> lines;
    for (const auto& problem : category->m_arrProblems) {
      lines.push_back(mx::WideToUtf8(info.className) + "\t" + (problem->m_n32BitEntry ? "32" : "64") + "\t" +
                      std::to_string(problem->EntryType) + "\t" + Printable(problem->Key) + "\t" +
                      Printable(problem->ValueName) + "\t" + Printable(problem->ValueData) + "\t" +
                      Printable(problem->AlternateKey));
    }
    std::sort(lines.begin(), lines.end());
    out.insert(out.end(), lines.begin(), lines.end());
  }
  return out;
}

}  // namespace wholescan
