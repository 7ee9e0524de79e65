#pragma once
// A save that replaces several registry files at once lands whole or not at all, also across a kill: every
// new file is first written as a temporary beside its target, then the intent (which temporary goes over
// which file) is recorded in ".registry.intent" in the prefix, then the temporaries are renamed and the
// intent removed. Whoever holds the registry lock next finishes a recorded intent before it reads or saves,
// and removes temporaries no intent names (left by a process killed before it recorded one).
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace mx::reg {

struct StagedFile {
  std::filesystem::path target, temp;
};

std::filesystem::path SaveIntentFile(const std::filesystem::path& prefix);
bool RecordSaveIntent(const std::filesystem::path& prefix, const std::vector<StagedFile>& files, std::error_code* ec);
void DropSaveIntent(const std::filesystem::path& prefix);
// Finishes a recorded intent, if there is one; returns the names of the files it replaced.
std::vector<std::string> FinishSaveIntent(const std::filesystem::path& prefix);
// Removes the temporaries of targets (".NAME.tmpXXXXXX") and of the intent file. Only while holding the lock,
// after FinishSaveIntent: then no live process of ours is writing one.
void RemoveStaleTemporaries(const std::filesystem::path& prefix, const std::vector<std::string>& targets);

}  // namespace mx::reg
