#pragma once
// A throw-away prefix for the registry's own tests: registry files copied from the sample prefix or written
// inline, the platform pointed at it, the background saver off so every save is one the test asked for.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "support/TestPaths.h"

namespace regtest {

// Small machine and user files in Wine's format, each with one key Software\Qzx whose "v" is "old".
inline constexpr const char* kMachine =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Qzx] 1700000000\n#time=1da1747c66d0000\n\"v\"=\"old\"\n";
inline constexpr const char* kUser =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
    "[Software\\\\Qzx] 1700000000\n#time=1da1747c66d0000\n\"v\"=\"old\"\n";

class ScratchPrefix {
 public:
  // files: "fixture" copies the three sample files; otherwise none (an empty prefix).
  explicit ScratchPrefix(bool fixture = false) {
    if (fixture)
      for (const char* f : {"system.reg", "user.reg", "userdef.reg"})
        std::filesystem::copy_file(mxtest::FixtureDir() / f, dir_.path() / f);
    mx::reg::SetAutoSaveDelay(std::chrono::milliseconds(0));
    mx::SetPrefixDir(dir_.path());
  }
  ~ScratchPrefix() {
    mx::SetPrefixDir(dir_.path() / "gone");  // drops (and saves) the registry while the folder still exists
    mx::reg::SetAutoSaveDelay(std::chrono::milliseconds(1000));
  }
  ScratchPrefix(const ScratchPrefix&) = delete;
  ScratchPrefix& operator=(const ScratchPrefix&) = delete;

  void write(const char* file, std::string_view text) { mx::WriteFileAtomic(dir_.path() / file, text); }
  std::string read(const char* file) const {
    std::string text;
    mx::ReadWholeFile(dir_.path() / file, text);
    return text;
  }
  const std::filesystem::path& path() const { return dir_.path(); }

 private:
  mxtest::TempDir dir_;
};

// Small helpers over the Reg* calls; they return the error code so tests can table them.
inline LONG ReadString(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view, std::wstring& out) {
  HKEY key = nullptr;
  LONG rc = win::RegOpenKeyEx(root, path, 0, KEY_READ | view, &key);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD type = 0, size = 0;
  rc = win::RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size);
  if (rc == ERROR_SUCCESS) rc = win::RegQueryValueEx(key, name, nullptr, &type, data.data(), &size);
  win::RegCloseKey(key);
  out.clear();
  for (size_t i = 0; i + 1 < data.size(); i += 2) out += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  while (!out.empty() && out.back() == 0) out.pop_back();
  return rc;
}

inline LONG WriteString(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view, std::wstring_view text) {
  HKEY key = nullptr;
  LONG rc = win::RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<BYTE> data;
  for (wchar_t c : text) {
    data.push_back(static_cast<BYTE>(c));
    data.push_back(static_cast<BYTE>(c >> 8));
  }
  data.insert(data.end(), {0, 0});
  rc = win::RegSetValueEx(key, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
  win::RegCloseKey(key);
  return rc;
}

inline std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD cch = 256;
    if (win::RegEnumKeyEx(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, cch);
  }
  return names;
}

}  // namespace regtest
