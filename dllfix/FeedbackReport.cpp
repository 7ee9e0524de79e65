#include "dllfix/FeedbackReport.h"

#include "app/AppSettings.h"
#include "app/FileVersionInfo.h"
#include "app/ProgramVersion.h"
#include "app/SystemUtils.h"
#include "app/XmlDocument.h"
#include "dllfix/EmailAddress.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/PathApi.h"
#include "platform/system/MemoryStatus.h"
#include "platform/system/Module.h"
#include "platform/system/RegRead.h"
#include "platform/system/SystemInfo.h"

namespace {

std::wstring Number(unsigned long long n) { return std::to_wstring(n); }

void AddChild(CXmlDocument& doc, const wchar_t* name, const std::wstring& value) {
  doc.AddElement(name, value.c_str(), CXmlDocument::kAddAsChild);
}

// A group of the root: added, entered, filled, left.
template <class Fill>
void AddGroup(CXmlDocument& doc, const wchar_t* name, Fill fill) {
  doc.AddElement(name, nullptr, CXmlDocument::kAddAsChild);
  doc.EnterElement();
  fill();
  doc.LeaveElement();
}

void AddSystemInfo(CXmlDocument& doc) {
  OSVERSIONINFOEXW os{};
  os.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  win::GetVersionEx(&os);
  AddChild(doc, L"os_major_version", Number(os.dwMajorVersion));
  AddChild(doc, L"os_minor_version", Number(os.dwMinorVersion));
  AddChild(doc, L"os_product_type", Number(os.wProductType));
  AddChild(doc, L"os_architecture_type", IsWow64() ? L"9" : L"0");
  AddChild(doc, L"ServicePackMajor", Number(os.wServicePackMajor));
  AddChild(doc, L"ServicePackMinor", Number(os.wServicePackMinor));
  AddGroup(doc, L"memory_info", [&] {
    MEMORYSTATUSEX memory;
    if (!win::GlobalMemoryStatusEx(&memory)) return;
    AddChild(doc, L"total_phy", Number(memory.ullTotalPhys));
    AddChild(doc, L"avail_phy", Number(memory.ullAvailPhys));
    AddChild(doc, L"total_page_file", Number(memory.ullTotalPageFile));
    AddChild(doc, L"avail_page_file", Number(memory.ullAvailPageFile));
  });
  wchar_t system[MAX_PATH] = {};
  win::GetSystemDirectory(system, MAX_PATH);
  AddChild(doc, L"system_driver", std::wstring(system).substr(0, 2));
  const DWORD drives = win::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
    const UINT type = win::GetDriveType(root.c_str());
    if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) continue;
    if (!win::GetVolumeInformation(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) continue;
    ULONGLONG total = 0, free = 0;
    win::GetDiskFreeSpaceEx(root.c_str(), nullptr, &total, &free);
    AddGroup(doc, L"drive_info", [&] {
      AddChild(doc, L"drive_name", root);
      AddChild(doc, L"total_size_in_bytes", Number(total));
      AddChild(doc, L"free_space_in_bytes", Number(free));
      AddChild(doc, L"used_space_in_bytes", Number(total - free));
    });
  }
}

}  // namespace

int BuildFeedbackReport(const std::wstring& email, int problemIndex, const std::wstring& problemText,
                        const std::wstring& message, std::wstring& report) {
  report.clear();
  try {
    if (email.empty()) return kFeedbackEmptyEmail;
    const size_t at = email.find(L'@');
    // The address is checked in its 8-bit form, where any character beyond ASCII is a byte above 127.
    std::string narrow;
    for (wchar_t c : email) narrow.push_back(c < 0x80 ? static_cast<char>(c) : static_cast<char>(0xBF));
    if (at == std::wstring::npos || at == 0 || at + 1 == email.size() || !IsValidEmailAddress(narrow.c_str()))
      return kFeedbackInvalidEmail;
    if (problemIndex == 0) return kFeedbackNoProblemType;
    const std::wstring content = mx::Trim(message);
    if (content.empty()) return kFeedbackEmptyMessage;

    CXmlDocument doc;
    doc.AddElement(L"sf_feedback", nullptr, 0);
    AddGroup(doc, L"feedback", [&] {
      AddChild(doc, L"email", email);
      AddChild(doc, L"feedback_type", problemText);
      AddChild(doc, L"content", content);
    });
    AddGroup(doc, L"DLLInfo", [&] {
      auto dll = mx::ReadRegString(HKEY_LOCAL_MACHINE, kProductKey, L"DLLFILENAME");
      auto md5 = mx::ReadRegString(HKEY_CURRENT_USER, kProductKey, L"FEEDBACKMD5");
      AddChild(doc, L"DLLFILENAME", dll ? dll->text : L"");
      AddChild(doc, L"MD5", md5 ? md5->text : L"");
    });
    AddGroup(doc, L"sys_info", [&] { AddSystemInfo(doc); });
    AddGroup(doc, L"prog_info", [&] {
      EnsureProgramVersionResource();
      CFileVersionInfo info;
      info.Load(mx::ProgramWinPath());
      AddChild(doc, L"prog_ver", info.GetFixedFileVersion());
    });
    report = doc.GetDocText();
    return kFeedbackReportBuilt;
  } catch (...) {
    report.clear();
    return kFeedbackEmptyMessage;
  }
}
