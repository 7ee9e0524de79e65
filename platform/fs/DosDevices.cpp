#include "platform/fs/DosDevices.h"

#include <cwctype>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/WinPath.h"
#include "platform/registry/HiveList.h"
#include "platform/registry/KeySave.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Privileges.h"

namespace {

std::optional<std::wstring> DeviceOfLetter(wchar_t letter) {
  letter = static_cast<wchar_t>(std::towupper(letter));
  if (letter < L'A' || letter > L'Z' || !mx::DriveHostRoot(letter)) return std::nullopt;
  int volume = 0, cdrom = 0;
  for (wchar_t c = L'A'; c <= letter; ++c) {
    if (!mx::DriveHostRoot(c)) continue;
    wchar_t root[] = {c, L':', L'\\', 0};
    bool isCd = win::GetDriveType(root) == DRIVE_CDROM;
    if (c == letter)
      return isCd ? L"\\Device\\CdRom" + std::to_wstring(cdrom) : L"\\Device\\HarddiskVolume" + std::to_wstring(volume + 1);
    (isCd ? cdrom : volume)++;
  }
  return std::nullopt;
}

}  // namespace

namespace win {

DWORD QueryDosDevice(LPCWSTR deviceName, LPWSTR target, DWORD max) {
  std::wstring name = deviceName ? deviceName : L"";
  std::optional<std::wstring> device;
  if (name.size() == 2 && name[1] == L':') device = DeviceOfLetter(name[0]);
  if (!device) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  DWORD needed = static_cast<DWORD>(device->size() + 2);
  if (!target || max < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  device->copy(target, device->size());
  target[device->size()] = 0;
  target[device->size() + 1] = 0;
  return needed;
}

LONG RegSaveKey(HKEY key, LPCWSTR file, void*) {
  if (!file || !*file) return ERROR_INVALID_PARAMETER;
  if (!mx::reg::UserIsAdmin()) return ERROR_PRIVILEGE_NOT_HELD;
  LONG error = ERROR_SUCCESS;
  auto resolved = mx::ResolveWinPath(file, &error);
  if (!resolved) return error;
  if (resolved->exists || resolved->device) return ERROR_ALREADY_EXISTS;
  std::string text;
  if (LONG rc = mx::reg::FormatKeyTree(key, text); rc != ERROR_SUCCESS) return rc;
  std::error_code ec;
  if (!mx::WriteFileAtomic(resolved->host, text, &ec))
    return ec == std::errc::no_space_on_device ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
  return ERROR_SUCCESS;
}

}  // namespace win

namespace mx {

std::optional<std::wstring> NtPathOfHostFile(const std::filesystem::path& host) {
  auto win = HostToWinPath(host);
  if (!win || win->size() < 2 || (*win)[1] != L':') return std::nullopt;
  auto device = DeviceOfLetter((*win)[0]);
  if (!device) return std::nullopt;
  return *device + win->substr(2);
}

size_t PublishHiveList() {
  std::vector<reg::HiveListEntry> entries;
  for (const auto& [name, file] : reg::HiveNamesOfPrefix()) {
    auto nt = NtPathOfHostFile(PrefixDir() / file);
    if (nt) entries.push_back({name, *nt});
  }
  size_t count = entries.size();
  reg::SetHiveList(std::move(entries));
  return count;
}

}  // namespace mx
