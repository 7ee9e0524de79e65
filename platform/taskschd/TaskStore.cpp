#include "platform/taskschd/TaskStore.h"

#include <atomic>
#include <cerrno>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/taskschd/HostScheduler.h"

namespace mx {

namespace fs = std::filesystem;

namespace {

std::atomic<LONG> g_fault{0};
std::atomic<bool> g_faultSavesOnly{false};

LONG FromErrorCode(const std::error_code& ec) {
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
      ec == std::errc::read_only_file_system)
    return ERROR_ACCESS_DENIED;
  if (ec == std::errc::no_space_on_device) return ERROR_DISK_FULL;
  return ERROR_WRITE_FAULT;
}

// The file holding the task of that name, whatever the case of its file name; empty when there is none.
fs::path FindTaskFile(const std::wstring& name) {
  std::error_code ec;
  const fs::path exact = TaskFolder() / WideToUtf8(name);
  if (fs::is_regular_file(exact, ec)) return exact;
  for (fs::directory_iterator it(TaskFolder(), ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && EqualsNoCase(Utf8ToWide(it->path().filename().string()), name)) return it->path();
  return {};
}

std::wstring DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
    return Utf16LeToWide(std::string_view(bytes).substr(2));
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToWide(std::string_view(bytes).substr(3));
  return Utf8ToWide(bytes);
}

}  // namespace

fs::path TaskFolder() { return PrefixDir() / "drive_c" / "windows" / "system32" / "Tasks"; }

bool IsValidTaskName(std::wstring_view name) {
  if (name.empty() || name.size() > 238 || name == L"." || name == L"..") return false;
  for (wchar_t c : name)
    if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
  return name.back() != L'.' && name.back() != L' ';
}

LONG LoadTask(const std::wstring& name, StoredTask& out) {
  if (!IsValidTaskName(name)) return ERROR_INVALID_NAME;
  const fs::path file = FindTaskFile(name);
  if (file.empty()) return ERROR_FILE_NOT_FOUND;
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) return ERROR_FILE_NOT_FOUND;
  auto task = TaskFromXml(DecodeFile(bytes), Utf8ToWide(file.filename().string()));
  if (!task) return ERROR_BAD_FORMAT;
  out = std::move(*task);
  return ERROR_SUCCESS;
}

bool TaskExists(const std::wstring& name) { return IsValidTaskName(name) && !FindTaskFile(name).empty(); }

LONG SaveTask(const StoredTask& task) {
  if (!IsValidTaskName(task.name)) return ERROR_INVALID_NAME;
  if (const LONG fault = g_fault.load()) return fault;
  std::error_code ec;
  fs::create_directories(TaskFolder(), ec);
  if (ec) return FromErrorCode(ec);
  const fs::path old = FindTaskFile(task.name);
  const fs::path file = TaskFolder() / WideToUtf8(task.name);
  // Windows keeps task files in UTF-16 with a byte-order mark.
  const std::string bytes = "\xFF\xFE" + WideToUtf16Le(TaskToXml(task));
  if (!WriteFileAtomic(file, bytes, &ec)) return FromErrorCode(ec);
  if (!old.empty() && old != file) fs::remove(old, ec);
  MirrorTask(task);
  return ERROR_SUCCESS;
}

LONG DeleteTask(const std::wstring& name) {
  if (!IsValidTaskName(name)) return ERROR_INVALID_NAME;
  if (const LONG fault = g_fault.load(); fault && !g_faultSavesOnly) return fault;
  const fs::path file = FindTaskFile(name);
  RemoveTaskMirror(file.empty() ? name : Utf8ToWide(file.filename().string()));
  if (file.empty()) return ERROR_FILE_NOT_FOUND;
  std::error_code ec;
  if (!fs::remove(file, ec)) return ec ? FromErrorCode(ec) : ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

std::vector<std::wstring> TaskNames() {
  std::vector<std::wstring> names;
  std::error_code ec;
  for (fs::directory_iterator it(TaskFolder(), ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) names.push_back(Utf8ToWide(it->path().filename().string()));
  return names;
}

void SetTaskStoreFault(LONG error, bool savesOnly) {
  g_faultSavesOnly = savesOnly;
  g_fault = error;
}

}  // namespace mx
