#include "app/LocalizedStrings.h"

#include <mutex>

#include "app/IniReader.h"
#include "app/ZUNApp.h"
#include "platform/win/MessageBox.h"

namespace {

struct LanguageReader {
  std::mutex lock;
  bool ready = false;
  CIniReader reader;
};

LanguageReader& TheLanguageReader() {
  static LanguageReader r;
  return r;
}

const CIniReader& EnsureReader() {
  LanguageReader& r = TheLanguageReader();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.ready) {
    std::wstring path;
    if (CZUNApp* app = AfxGetZunApp()) path = app->m_strLangIniPath;
    if (path.empty()) BuildLanguageFilePath(path, nullptr);
    r.reader.SetPath(path);
    r.ready = true;
  }
  return r.reader;
}

}  // namespace

void InitLanguageReader(const std::wstring& path) {
  LanguageReader& r = TheLanguageReader();
  std::lock_guard<std::mutex> guard(r.lock);
  r.reader.SetPath(path);
  r.ready = true;
}

void ResetLanguageReader() {
  LanguageReader& r = TheLanguageReader();
  std::lock_guard<std::mutex> guard(r.lock);
  r.ready = false;
  r.reader.SetPath({});
}

std::wstring GetLocalizedString(const std::wstring& key, const std::wstring& section, const wchar_t* defaultText) {
  if (key.empty()) {
    // A programming error, shown as the program always showed it; the box works on any thread.
    win::MessageBox(nullptr, L"Fail to Read from dependent file. This application will close now! ", nullptr,
                    MB_ICONERROR | MB_OK);
    return defaultText ? defaultText : L"";
  }
  return EnsureReader().GetValue(section.empty() ? std::wstring(kResourceSection) : section, key);
}

int GetLocalizedStrings(std::vector<std::wstring>& keys, const std::wstring& section, const wchar_t* defaultText) {
  std::vector<std::wstring> texts;
  texts.reserve(keys.size());
  for (const auto& key : keys) texts.push_back(GetLocalizedString(key, section, defaultText));
  keys = std::move(texts);
  return static_cast<int>(keys.size());
}

std::wstring GetAppTitle() { return L"Tarvolen Mendrix"; }
