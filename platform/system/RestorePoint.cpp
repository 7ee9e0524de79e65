#include "platform/system/RestorePoint.h"

#include <algorithm>
#include <mutex>
#include <sstream>

#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"

namespace mx {

namespace {

namespace fs = std::filesystem;

std::mutex g_mutex;
DWORD g_failure = 0;
const char* const kHives[] = {"system.reg", "user.reg", "userdef.reg"};
const char* const kInfoFile = "RestorePoint.txt";

fs::path PointDir(std::int64_t sequence) { return RestorePointsDir() / ("RP" + std::to_string(sequence)); }

std::string InfoText(const RestorePointRecord& r) {
  std::string description = WideToUtf8(r.description);
  std::replace(description.begin(), description.end(), '\n', ' ');
  std::replace(description.begin(), description.end(), '\r', ' ');
  std::ostringstream out;
  out << "Description=" << description << "\n"
      << "Created=" << r.createdFileTime << "\n"
      << "Type=" << r.type << "\n"
      << "Completed=" << (r.completed ? 1 : 0) << "\n";
  return out.str();
}

bool ReadInfo(const fs::path& folder, std::int64_t sequence, RestorePointRecord& r) {
  std::string text;
  if (!ReadWholeFile(folder / kInfoFile, text)) return false;
  r = RestorePointRecord{};
  r.sequence = sequence;
  r.folder = folder;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    try {
      if (key == "Description") r.description = Utf8ToWide(value);
      if (key == "Created") r.createdFileTime = std::stoull(value);
      if (key == "Type") r.type = static_cast<DWORD>(std::stoul(value));
      if (key == "Completed") r.completed = value == "1";
    } catch (...) {
      // a damaged field keeps its default
    }
  }
  return true;
}

std::int64_t SequenceOf(const fs::path& folder) {
  std::string name = folder.filename().string();
  if (name.size() < 3 || name.rfind("RP", 0) != 0) return 0;
  std::int64_t n = 0;
  for (size_t i = 2; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > (INT64_MAX - 9) / 10) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

DWORD Begin(const RESTOREPOINTINFOW& info, std::int64_t& sequence) {
  // The snapshot must hold what the program has changed so far.
  if (reg::FlushRegistry() != ERROR_SUCCESS) return ERROR_WRITE_FAULT;
  std::error_code ec;
  fs::create_directories(RestorePointsDir(), ec);
  if (ec) return ERROR_ACCESS_DENIED;
  std::int64_t next = 1;
  for (const auto& r : ListRestorePoints()) next = std::max(next, r.sequence + 1);
  for (auto& entry : fs::directory_iterator(RestorePointsDir(), ec)) next = std::max(next, SequenceOf(entry.path()) + 1);
  // Build the point in a scratch folder and rename it into place, so a crash never leaves half a point.
  fs::path scratch = RestorePointsDir() / (".new-RP" + std::to_string(next));
  fs::remove_all(scratch, ec);
  fs::create_directory(scratch, ec);
  if (ec) return ERROR_ACCESS_DENIED;
  for (const char* hive : kHives) {
    fs::path from = PrefixDir() / hive;
    if (!fs::exists(from, ec)) continue;
    std::string bytes;
    if (!ReadWholeFile(from, bytes) || !WriteFileAtomic(scratch / hive, bytes)) {
      fs::remove_all(scratch, ec);
      return ERROR_WRITE_FAULT;
    }
  }
  RestorePointRecord record;
  record.sequence = next;
  size_t len = 0;
  while (len < MAX_DESC - 1 && info.szDescription[len]) ++len;
  record.description.assign(info.szDescription, len);
  record.createdFileTime = GetClock().NowFileTime();
  record.type = info.dwRestorePtType;
  if (!WriteFileAtomic(scratch / kInfoFile, InfoText(record))) {
    fs::remove_all(scratch, ec);
    return ERROR_WRITE_FAULT;
  }
  fs::rename(scratch, PointDir(next), ec);
  if (ec) {
    fs::remove_all(scratch, ec);
    return ERROR_WRITE_FAULT;
  }
  sequence = next;
  return ERROR_SUCCESS;
}

DWORD End(const RESTOREPOINTINFOW& info) {
  fs::path folder = PointDir(info.llSequenceNumber);
  RestorePointRecord record;
  if (info.llSequenceNumber <= 0 || !ReadInfo(folder, info.llSequenceNumber, record)) return ERROR_INVALID_DATA;
  std::error_code ec;
  if (info.dwRestorePtType == CANCELLED_OPERATION) {
    fs::remove_all(folder, ec);
    return ec ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
  }
  record.completed = true;
  return WriteFileAtomic(folder / kInfoFile, InfoText(record)) ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

}  // namespace

std::filesystem::path RestorePointsDir() { return PrefixDir() / "restorepoints"; }

std::vector<RestorePointRecord> ListRestorePoints() {
  std::vector<RestorePointRecord> out;
  std::error_code ec;
  for (auto& entry : fs::directory_iterator(RestorePointsDir(), ec)) {
    std::int64_t seq = SequenceOf(entry.path());
    RestorePointRecord r;
    if (seq > 0 && ReadInfo(entry.path(), seq, r)) out.push_back(std::move(r));
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.sequence < b.sequence; });
  return out;
}

void SetRestorePointFailure(DWORD error) {
  std::lock_guard lock(g_mutex);
  g_failure = error;
}

}  // namespace mx

namespace win {

BOOL SRSetRestorePoint(const RESTOREPOINTINFOW* info, STATEMGRSTATUS* status) {
  if (!info || !status) {
    if (status) status->nStatus = ERROR_INVALID_PARAMETER;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(mx::g_mutex);
  DWORD rc = mx::g_failure;
  std::int64_t sequence = info->llSequenceNumber;
  if (rc == ERROR_SUCCESS) {
    try {
      if (info->dwEventType == BEGIN_SYSTEM_CHANGE)
        rc = mx::Begin(*info, sequence);
      else if (info->dwEventType == END_SYSTEM_CHANGE)
        rc = mx::End(*info);
      else
        rc = ERROR_INVALID_PARAMETER;
    } catch (...) {
      rc = ERROR_WRITE_FAULT;
    }
  }
  status->nStatus = rc;
  status->llSequenceNumber = rc == ERROR_SUCCESS ? sequence : 0;
  if (rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win
