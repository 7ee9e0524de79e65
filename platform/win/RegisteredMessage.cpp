#include "platform/win/RegisteredMessage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/win/Instance.h"

namespace win {

namespace {

using Table = std::map<std::wstring, UINT, mx::LessNoCase>;

// One line per message: the id in hex, a blank, the name's UTF-16 units in hex (4 digits each).
std::string Line(UINT id, const std::wstring& name) {
  std::ostringstream out;
  out << std::hex << id << ' ';
  static const char* kDigits = "0123456789abcdef";
  for (wchar_t u : name) {
    unsigned v = static_cast<unsigned>(u) & 0xFFFF;
    out << kDigits[(v >> 12) & 15] << kDigits[(v >> 8) & 15] << kDigits[(v >> 4) & 15] << kDigits[v & 15];
  }
  out << '\n';
  return out.str();
}

// Reads the good lines; damaged ones (a crash cannot make them, a person editing the file can) are skipped.
void Parse(const std::string& text, Table& table) {
  std::set<UINT> used;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    auto space = line.find(' ');
    if (space == std::string::npos || space == 0 || space > 4) continue;
    UINT id = 0;
    try {
      id = static_cast<UINT>(std::stoul(line.substr(0, space), nullptr, 16));
    } catch (const std::exception&) {
      continue;
    }
    std::string hex = line.substr(space + 1);
    if (id < MIN_REGISTERED_MESSAGE || id > 0xFFFF || hex.empty() || hex.size() % 4 || used.count(id)) continue;
    std::wstring name;
    bool ok = true;
    for (size_t i = 0; i < hex.size() && ok; i += 4) {
      unsigned v = 0;
      for (size_t k = 0; k < 4; ++k) {
        char c = hex[i + k];
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) ok = false;
        v = v * 16 + static_cast<unsigned>(d < 0 ? 0 : d);
      }
      name += static_cast<wchar_t>(v);
    }
    if (!ok || table.count(name)) continue;
    table[name] = id;
    used.insert(id);
  }
}

UINT NextFree(const Table& table) {
  std::set<UINT> used;
  for (const auto& [name, id] : table) used.insert(id);
  for (UINT id = MIN_REGISTERED_MESSAGE; id <= 0xFFFF; ++id)
    if (!used.count(id)) return id;
  return 0;
}

}  // namespace

UINT RegisterWindowMessage(LPCWSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  static std::mutex mutex;
  static Table cache;
  static std::filesystem::path cachedFor;
  std::lock_guard lock(mutex);
  const std::wstring key = name;
  auto dir = RuntimeDir();
  if (dir != cachedFor) {  // another shared table (tests switch folders): what we knew does not hold there
    cache.clear();
    cachedFor = dir;
  }
  if (auto it = cache.find(key); it != cache.end()) return it->second;

  if (dir.empty()) {
    // Nothing to share through: ids are consistent within this process only.
    UINT id = NextFree(cache);
    if (!id) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    cache[key] = id;
    return id;
  }
  int guard = ::open((dir / "messages.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (guard < 0 || ::flock(guard, LOCK_EX) != 0) {
    if (guard >= 0) ::close(guard);
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const auto path = dir / "messages.tab";
  std::string text;
  mx::ReadWholeFile(path, text);
  Table table;
  Parse(text, table);
  UINT id = 0;
  if (auto it = table.find(key); it != table.end()) {
    id = it->second;
  } else if ((id = NextFree(table)) != 0) {
    table[key] = id;
    std::string out;
    for (const auto& [n, i] : table) out += Line(i, n);
    if (!mx::WriteFileAtomic(path, out)) id = 0;
  }
  ::close(guard);
  if (!id) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  for (const auto& [n, i] : table) cache.emplace(n, i);
  return id;
}

}  // namespace win
