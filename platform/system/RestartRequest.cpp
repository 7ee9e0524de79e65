#include "platform/system/RestartRequest.h"

#include <filesystem>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"

namespace mx {

namespace {

std::filesystem::path RequestFile() { return PrefixDir() / ".restart-pending"; }

}  // namespace

bool RecordRestartRequest(RestartWhen when, const std::wstring& comment) {
  if (when == RestartWhen::None) {
    ClearRestartRequest();
    return true;
  }
  if (when == RestartWhen::BeforeNextStart && RequestedRestart() == RestartWhen::Now) return true;
  const std::string text = std::string(when == RestartWhen::Now ? "now" : "next-start") + "\n" + WideToUtf8(comment) + "\n";
  return WriteFileAtomic(RequestFile(), text);
}

RestartWhen RequestedRestart() {
  std::string text;
  if (!ReadWholeFile(RequestFile(), text)) return RestartWhen::None;
  if (text.rfind("now\n", 0) == 0) return RestartWhen::Now;
  if (text.rfind("next-start\n", 0) == 0) return RestartWhen::BeforeNextStart;
  return RestartWhen::None;
}

void ClearRestartRequest() {
  std::error_code ec;
  std::filesystem::remove(RequestFile(), ec);
}

}  // namespace mx
