#include "scan/categories/Sounds.h"

#include <vector>

#include "app/AppPaths.h"
#include "platform/fs/PathApi.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/categories/RegStringQuery.h"

namespace {

const std::wstring kAppsKey = L"AppEvents\\Schemes\\Apps";
const std::wstring kEventLabelsKey = L"AppEvents\\EventLabels";
constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ | KEY_WRITE

struct Scheme {
  const wchar_t* subKey;
  const wchar_t* label;
};
constexpr Scheme kSchemes[] = {
    {L".Current", L"Current"},
    {L".Default", L"Windows Default"},
    {L".None", L"No Sounds"},
};

// The default value of a user key as text; empty when the key does not open or the value is no readable text.
std::wstring ReadUserDefault(const std::wstring& subKey) {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, subKey.c_str(), 0, kExamineAccess, key.receive()) != ERROR_SUCCESS)
    return {};
  std::wstring text;
  QueryRegString(key.get(), L"", text);
  return text;
}

std::wstring MediaFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = win::GetWindowsDirectory(buffer, MAX_PATH);
  std::wstring folder = length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
  AppendPath(folder, L"media");
  return folder;
}

}  // namespace

int CSounds::Scan() {
  GetItemCount();
  std::vector<std::wstring> applications;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kAppsKey.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS)
      EnumSubKeys(key.get(), applications);
  }

  for (const std::wstring& application : applications) {
    if (IsStopRequested()) return 2;
    const std::wstring appKey = kAppsKey + L"\\" + application;
    ReportScanProgress(L"Sound: " + appKey);

    std::vector<std::wstring> events;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_CURRENT_USER, appKey.c_str(), 0, kExamineAccess, key.receive()) != ERROR_SUCCESS)
        continue;
      EnumSubKeys(key.get(), events);
    }
    for (const std::wstring& event : events)
      for (const Scheme& scheme : kSchemes)
        CheckScheme(appKey + L"\\" + event + L"\\" + scheme.subKey, event, scheme.label, application);
  }

  if (m_arrProblems.size() >= 2) SortProblemRange(m_arrProblems, 0, static_cast<int>(m_arrProblems.size()) - 1);
  return IsStopRequested() ? 2 : 1;
}

void CSounds::CheckScheme(const std::wstring& schemeKeyPath, const std::wstring& eventName,
                          const std::wstring& schemeLabel, const std::wstring& applicationName) {
  std::wstring sound;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, schemeKeyPath.c_str(), 0, kExamineAccess, key.receive()) != ERROR_SUCCESS)
      return;
    if (QueryRegString(key.get(), L"", sound) != ERROR_SUCCESS || sound.empty()) return;
  }

  std::wstring file = ExtractFilePathFromCommand(sound);
  if (file.find(L'\\') == std::wstring::npos) {
    // a bare name is a sound of the Windows media folder; the extracted name, so quotes and arguments go
    std::wstring inMedia = MediaFolder();
    AppendPath(inMedia, file);
    file = inMedia;
  }
  if (IsFileReferenceValid(file, FileCheckOptions{.bUsePathSkipList = true, .bUseFolderSkipList = true,
                                                  .bPassedBack = true}))
    return;

  std::wstring applicationLabel = ReadUserDefault(kAppsKey + L"\\" + applicationName);
  std::wstring eventLabel = GetEventLabel(eventName);
  if (eventLabel.empty()) eventLabel = eventName;
  if (applicationLabel.empty()) applicationLabel = applicationName;

  const int index = AddProblem(37, L"HKEY_CURRENT_USER\\" + schemeKeyPath, L"", sound, L"", 0);
  AddProblemDetail(index, L"Event " + eventLabel + L" for the program " + applicationLabel);
  AddProblemDetail(index, schemeLabel);
}

std::wstring CSounds::GetEventLabel(const std::wstring& eventName) {
  return ReadUserDefault(kEventLabelsKey + L"\\" + eventName);
}
