#include "tools/HiveOptimizer.h"

#include "app/AppLog.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/registry/Registry.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/RestartRequest.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"

namespace {

constexpr const wchar_t* kHiveListKey = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
// Longer texts than any registry name or path can be are damage, not data.
constexpr DWORD kMaxEntryChars = 32767;

bool StartsWithNoCase(const std::wstring& s, const std::wstring& prefix) {
  return s.size() >= prefix.size() && mx::CompareNoCase(s.substr(0, prefix.size()), prefix) == 0;
}

void PutU32(std::string& out, DWORD v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::wstring& s) {
  for (wchar_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
}

bool ReadValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
  DWORD size = 0;
  if (win::RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  data.assign(size, 0);
  if (size && win::RegQueryValueEx(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return false;
  data.resize(size);
  return true;
}

std::wstring TextOf(const std::vector<BYTE>& data) {
  std::wstring s;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    if (!c) break;
    s += c;
  }
  return s;
}

DWORD SizeOfFile(const std::wstring& path) {
  mx::WinFile file;
  std::uint64_t size = 0;
  if (file.Open(path, mx::WinFile::kRead, mx::WinFile::kOpenExisting) != ERROR_SUCCESS || file.Size(&size) != ERROR_SUCCESS)
    return 0;
  return static_cast<DWORD>(size);
}

void ShowError(const std::wstring& text) {
  win::MessageBox(nullptr, text.c_str(), GetAppTitle().c_str(), MB_ICONERROR);
}

}  // namespace

std::wstring BootProgramName() { return IsWow64() ? L"QZBoot64" : L"QZBoot"; }
DWORD BootRegView() { return IsWow64() ? KEY_WOW64_64KEY : 0; }

std::vector<std::wstring> ParseMultiString(const std::vector<BYTE>& data) {
  std::vector<std::wstring> out;
  std::wstring current;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    if (c) {
      current += c;
    } else {
      if (current.empty()) break;
      out.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

std::vector<BYTE> MakeMultiString(const std::vector<std::wstring>& strings) {
  std::vector<BYTE> data;
  for (const auto& s : strings) {
    for (wchar_t c : s) {
      data.push_back(static_cast<BYTE>(c & 0xFF));
      data.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
    }
    data.push_back(0);
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::vector<std::wstring> MergeBootExecute(const std::vector<std::wstring>& current, const std::wstring& ourEntry) {
  std::vector<std::wstring> out;
  bool autocheck = false;
  for (const auto& s : current) {
    // Either of our boot programs (a machine's view may have changed) is ours to replace.
    if (StartsWithNoCase(s, L"QZBoot ") || StartsWithNoCase(s, L"QZBoot64 ") || mx::CompareNoCase(s, L"QZBoot") == 0 ||
        mx::CompareNoCase(s, L"QZBoot64") == 0)
      continue;
    if (mx::CompareNoCase(s, kAutocheckEntry) == 0) {
      if (autocheck) continue;
      autocheck = true;
    }
    out.push_back(s);
  }
  if (!autocheck) out.insert(out.begin(), kAutocheckEntry);
  out.push_back(ourEntry);
  return out;
}

void DeleteHiveLeftovers(const std::wstring& path) {
  for (const wchar_t* suffix : {L".sav.log", L".bak"}) win::DeleteFile((path + suffix).c_str());
}

std::wstring FormatSystemError(DWORD code) {
  if (code == 0) code = win::GetLastError();
  if (code == 0) return L"Unknown error";
  static const std::map<DWORD, const wchar_t*> kTexts = {
      {2, L"The system cannot find the file specified."},  {3, L"The system cannot find the path specified."},
      {5, L"Access is denied."},                           {32, L"The process cannot access the file because it is being used by another process."},
      {87, L"The parameter is incorrect."},                {112, L"There is not enough space on the disk."},
      {183, L"Cannot create a file when that file already exists."}};
  auto it = kTexts.find(code);
  wchar_t head[32];
  std::swprintf(head, 32, L"Error code 0x%02x.\r\n", code);
  return std::wstring(head) + (it != kTexts.end() ? it->second : L"");
}

HiveOptimizer::HiveOptimizer() {
  if (IsWow64()) m_redirectionOff = DisableWow64Redirection(&m_redirection);
  wchar_t drives[256] = {};
  DWORD n = win::GetLogicalDriveStrings(256, drives);
  if (n == 0 || n > 256) return;
  for (const wchar_t* d = drives; *d; d += wcslen(d) + 1) {
    if (win::GetDriveType(d) != DRIVE_FIXED) continue;
    wchar_t letter[3] = {d[0], L':', 0};
    wchar_t device[256] = {};
    if (win::QueryDosDevice(letter, device, 256)) m_mapDriveDevices[letter] = device;
  }
}

HiveOptimizer::~HiveOptimizer() {
  if (m_redirectionOff) RevertWow64Redirection(m_redirection);
}

std::wstring HiveOptimizer::ParameterFilePath() {
  wchar_t system[MAX_PATH] = {};
  UINT n = win::GetSystemDirectory(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(system) + L"\\" + kParameterFileName;
}

BOOL HiveOptimizer::ToDrivePath(const std::wstring& ntPath, std::wstring& drivePath) const {
  if (ntPath.find(L':') != std::wstring::npos) {
    drivePath = ntPath;
    return TRUE;
  }
  // \Device\HarddiskVolume1 \rest
  size_t third = ntPath.find(L'\\', 1);
  third = third == std::wstring::npos ? third : ntPath.find(L'\\', third + 1);
  std::wstring device = ntPath.substr(0, third);
  std::wstring rest = third == std::wstring::npos ? L"" : ntPath.substr(third + 1);
  for (const auto& [drive, name] : m_mapDriveDevices) {
    if (mx::CompareNoCase(name, device) == 0) {
      drivePath = drive + L"\\" + rest;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL HiveOptimizer::ReadHiveList(std::vector<std::wstring>& names, std::vector<std::wstring>& files, DWORD kinds) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kHiveListKey, 0, KEY_READ | BootRegView(), &key) != ERROR_SUCCESS)
    return FALSE;
  auto add = [&](const wchar_t* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(key, name, type, data)) return;
    names.push_back(name);
    files.push_back(TextOf(data));
  };
  if (kinds & 0x04) add(L"\\REGISTRY\\MACHINE\\SAM");
  if (kinds & 0x08) add(L"\\REGISTRY\\MACHINE\\SECURITY");
  if ((kinds & 0x20) && !(IsWow64() && GetOSMajorVersion() == 6 && GetOSMinorVersion() == 0))
    add(L"\\REGISTRY\\MACHINE\\SOFTWARE");
  if (kinds & 0x10) add(L"\\REGISTRY\\MACHINE\\SYSTEM");
  if (kinds & 0x02) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[1024];
      DWORD cch = 1024, type = 0;
      BYTE data[1024];
      DWORD cb = sizeof(data);
      if (win::RegEnumValue(key, i, name, &cch, nullptr, &type, data, &cb) != ERROR_SUCCESS) break;
      std::wstring n(name, cch);
      std::wstring file = TextOf(std::vector<BYTE>(data, data + cb));
      // \REGISTRY\USER\<sid>: the third component is USER; the default user's hive is left alone.
      size_t second = n.find(L'\\', 1);
      if (file.empty() || second == std::wstring::npos) continue;
      std::wstring third = n.substr(second + 1);
      if (!StartsWithNoCase(third, L"USER") || mx::ToUpperChar(third.size() > 4 ? third[4] : L'\\') != L'\\') continue;
      std::wstring upper;
      for (wchar_t c : third) upper += mx::ToUpperChar(c);
      if (upper.find(L"\\.DEFAULT") != std::wstring::npos) continue;
      names.push_back(n);
      files.push_back(file);
    }
  }
  if (kinds & 0x40) add(L"\\REGISTRY\\MACHINE\\COMPONENTS");
  win::RegCloseKey(key);
  return TRUE;
}

BOOL HiveOptimizer::BuildHiveList(DWORD kinds, std::vector<SHiveInfoParams>& list) {
  std::vector<std::wstring> names, files;
  if (!ReadHiveList(names, files, kinds) || names.size() != files.size() || names.empty()) return FALSE;
  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring drive;
    if (!ToDrivePath(files[i], drive)) continue;
    DWORD size = SizeOfFile(drive);
    if (size == 0) continue;
    list.push_back({names[i], files[i], drive, m_nEntryFlag, size, 0});
  }
  return TRUE;
}

BOOL HiveOptimizer::WriteParameterFile(const std::vector<SHiveInfoParams>& list, std::wstring& argument) {
  std::wstring path = ParameterFilePath();
  std::string bytes;
  PutU32(bytes, static_cast<DWORD>(list.size()));
  PutU32(bytes, GetOSMajorVersion());
  PutU32(bytes, 2);
  for (const auto& e : list) {
    PutU32(bytes, static_cast<DWORD>(e.strRegistryName.size()));
    PutU32(bytes, static_cast<DWORD>(e.strNtPath.size()));
    PutU32(bytes, e.dwFileSize);
    PutU32(bytes, static_cast<DWORD>(e.nFlag));
    PutText(bytes, e.strRegistryName);
    PutText(bytes, e.strNtPath);
  }
  // Written whole or not at all: a half file would send the boot program wrong entries.
  if (path.empty() || mx::WriteWinFile(path, bytes) != ERROR_SUCCESS) {
    m_strError = mx::SafeFormat(L"Install failed!\r\nFailed to create parameter file2.\r\n%s", {FormatSystemError(0)});
    return FALSE;
  }
  argument = L"\\??\\" + path;
  return TRUE;
}

int HiveOptimizer::SetBootExecute(const std::wstring& argument) {
  HKEY key = nullptr;
  LONG rc = win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_ALL_ACCESS | BootRegView(), &key);
  if (rc != ERROR_SUCCESS) {
    m_strError = mx::SafeFormat(L"Install failed!\r\nFailed to open registry key1\r\n%s",
                                {FormatSystemError(static_cast<DWORD>(rc))});
    return -1;
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  std::vector<std::wstring> current;
  if (ReadValue(key, L"BootExecute", type, data)) {
    if (type == REG_MULTI_SZ) current = ParseMultiString(data);
    else if (type == REG_SZ || type == REG_EXPAND_SZ) current = {TextOf(data)};
  }
  std::vector<BYTE> value = MakeMultiString(MergeBootExecute(current, BootProgramName() + L" " + argument));
  rc = win::RegSetValueEx(key, L"BootExecute", 0, REG_MULTI_SZ, value.data(), static_cast<DWORD>(value.size()));
  if (rc == ERROR_SUCCESS) rc = win::RegFlushKey(key);
  win::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) {
    m_strError = mx::SafeFormat(L"Install failed!\r\nFailed to write registry key1\r\n%s",
                                {FormatSystemError(static_cast<DWORD>(rc))});
    return -3;
  }
  return 0;
}

int HiveOptimizer::Install() {
  std::vector<SHiveInfoParams> list;
  BuildHiveList(0x3E, list);
  std::wstring argument;
  if (!WriteParameterFile(list, argument)) {
    if (m_strError.empty())
      m_strError = mx::SafeFormat(L"Install failed!\r\nCannot create parameter file.\r\n%s", {FormatSystemError(0)});
    ShowError(m_strError);
    return 0;
  }
  if (SetBootExecute(argument) != 0) {
    // Nothing may wait for a restart that no boot entry would act on.
    win::DeleteFile(ParameterFilePath().c_str());
    if (m_strError.empty())
      m_strError = mx::SafeFormat(L"Install failed!\r\nCannot setup boot defragger.\r\n%s", {FormatSystemError(0)});
    ShowError(m_strError);
    return 0;
  }
  if (win::MessageBox(nullptr, GetLocalizedString(L"IDS_OPT_AT_NEXT_RESTART").c_str(), GetAppTitle().c_str(),
                      MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES) {
    std::wstring text = GetLocalizedString(L"IDS_SHUTDOWN_MSG_DEFRAG");
    std::wstring parameters = L"-r -t 60 -c \"" + text + L"\"";
    wchar_t system[260] = {};
    win::GetSystemDirectory(system, 259);
    win::ShellExecute(nullptr, L"open", L"shutdown.exe", parameters.c_str(), system, SW_HIDE);
    WriteLogLine(L"PostQuitMessage : " + text);
    win::PostQuitMessage(0);
  } else {
    // The boot entry waits for whatever restart comes next; for the prefix that is before the next start.
    mx::RecordRestartRequest(mx::RestartWhen::BeforeNextStart, L"registry optimization put off");
  }
  return 1;
}

int HiveOptimizer::ReadResults() {
  m_arrResults.clear();
  std::string bytes;
  if (mx::ReadWinFile(ParameterFilePath(), bytes, 16u << 20) != ERROR_SUCCESS) return -1;
  size_t pos = 0;
  auto u32 = [&](DWORD& v) {
    if (bytes.size() - pos < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(static_cast<unsigned char>(bytes[pos + i])) << (8 * i);
    pos += 4;
    return true;
  };
  auto text = [&](DWORD chars, std::wstring& out) {
    if (chars > kMaxEntryChars || (bytes.size() - pos) / 2 < chars) return false;
    out.clear();
    for (DWORD i = 0; i < chars; ++i, pos += 2)
      out += static_cast<wchar_t>(static_cast<unsigned char>(bytes[pos]) | static_cast<unsigned char>(bytes[pos + 1]) << 8);
    return true;
  };
  if (!u32(m_Header[0]) || !u32(m_Header[1]) || !u32(m_Header[2])) return -2;
  if (m_Header[2] == 2) return 1;
  bool failed = false;
  for (DWORD i = 0; i < m_Header[0]; ++i) {
    DWORD a = 0, b = 0, c = 0, d = 0;
    std::wstring name, ntPath, drive;
    // Name first, then the path, as the set-up writes them.
    if (!u32(a) || !u32(b) || !u32(c) || !u32(d) || !text(a, name) || !text(b, ntPath)) {
      failed = true;
      break;
    }
    DWORD size = 0;
    if (ToDrivePath(ntPath, drive)) {
      if (win::PathFileExists(drive.c_str())) DeleteHiveLeftovers(drive);
      size = SizeOfFile(drive);
    }
    m_arrResults.push_back({name, c, size ? std::max(c, size) : c});
  }
  if (failed) return -3;
  return m_Header[2] == 8 ? 0 : 2;
}
