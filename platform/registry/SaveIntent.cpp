#include "platform/registry/SaveIntent.h"

#include <unistd.h>

#include <cstdio>

#include "platform/base/FileIO.h"

namespace mx::reg {

namespace {

constexpr const char* kIntentName = ".registry.intent";

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsTemporaryOf(const std::string& name, const std::string& target) {
  const std::string stem = "." + target + ".tmp";
  return name.size() == stem.size() + 6 && name.compare(0, stem.size(), stem) == 0;
}

}  // namespace

std::filesystem::path SaveIntentFile(const std::filesystem::path& prefix) { return prefix / kIntentName; }

bool RecordSaveIntent(const std::filesystem::path& prefix, const std::vector<StagedFile>& files,
                      std::error_code* ec) {
  std::string text;
  for (const auto& f : files) text += f.temp.filename().string() + "\t" + f.target.filename().string() + "\n";
  return WriteFileAtomic(SaveIntentFile(prefix), text, ec);
}

void DropSaveIntent(const std::filesystem::path& prefix) {
  ::unlink(SaveIntentFile(prefix).c_str());
  SyncFolder(prefix);
}

std::vector<std::string> FinishSaveIntent(const std::filesystem::path& prefix) {
  std::vector<std::string> replaced;
  std::string text;
  if (!ReadWholeFile(SaveIntentFile(prefix), text)) return replaced;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // an intent is written whole or not at all; a cut line is not ours
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string temp = line.substr(0, tab), target = line.substr(tab + 1);
    if (!IsPlainName(target) || !IsTemporaryOf(temp, target)) continue;
    // A temporary that is gone was renamed before the interruption.
    if (::rename((prefix / temp).c_str(), (prefix / target).c_str()) == 0) replaced.push_back(target);
  }
  SyncFolder(prefix);
  DropSaveIntent(prefix);
  return replaced;
}

void RemoveStaleTemporaries(const std::filesystem::path& prefix, const std::vector<std::string>& targets) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(prefix, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] != '.') continue;
    bool stale = IsTemporaryOf(name, kIntentName);
    for (const auto& t : targets) stale = stale || IsTemporaryOf(name, t);
    if (stale) ::unlink(it->path().c_str());
  }
}

}  // namespace mx::reg
