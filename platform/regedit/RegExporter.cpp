#include "platform/regedit/RegExporter.h"

#include <vector>

#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/regedit/RegScript.h"

namespace mx {

namespace {

// Deeper and larger than any real registry (the sample prefix exports to 10 MB): a link that points back
// at its own ancestor repeats the tree below it at every level, and stops here instead of filling memory.
constexpr int kMaxDepth = 512;
constexpr size_t kMaxTextUnits = size_t{256} * 1024 * 1024;

class Exporter {
 public:
  Exporter(RegFileWriter& writer, REGSAM view) : writer_(writer), view_(view) {}

  std::string exportKey(HKEY root, const std::wstring& path) {
    std::wstring fullName(RegRootName(root));
    if (!path.empty()) fullName += L"\\" + path;
    RegKeyHandle key;
    LONG rc = win::RegOpenKeyEx(root, path.c_str(), 0, KEY_READ | view_, key.receive());
    if (rc != ERROR_SUCCESS) return "cannot open " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
    return exportOpen(key.get(), fullName, 0);
  }

 private:
  // Each sub-key is opened from its parent's handle, held open while its children are written: opening them
  // by their whole path from the root walked the path again for every key.
  std::string exportOpen(HKEY key, std::wstring& fullName, int depth) {
    if (depth > kMaxDepth || writer_.size() > kMaxTextUnits)
      return "keys nested too deeply or too many (a link loop?) at " + WideToUtf8(fullName.substr(0, 300));
    writer_.addKey(fullName);
    if (std::string error = exportValues(key, fullName); !error.empty()) return error;
    std::vector<std::wstring> children;
    if (std::string error = listSubKeys(key, fullName, children); !error.empty()) return error;
    const size_t length = fullName.size();
    for (const auto& child : children) {
      fullName.resize(length);
      fullName += L'\\';
      fullName += child;
      RegKeyHandle sub;
      LONG rc = win::RegOpenKeyEx(key, child.c_str(), 0, KEY_READ | view_, sub.receive());
      // A listed sub-key that does not open is a link to a missing key, or went away meanwhile: nothing to save.
      if (rc == ERROR_FILE_NOT_FOUND) continue;
      if (rc != ERROR_SUCCESS) return "cannot open " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
      if (std::string error = exportOpen(sub.get(), fullName, depth + 1); !error.empty()) return error;
    }
    fullName.resize(length);
    return {};
  }

  std::string exportValues(HKEY key, const std::wstring& fullName) {
    for (DWORD index = 0;; ++index) {
      DWORD cchName = static_cast<DWORD>(name_.size());
      DWORD type = 0;
      DWORD cbData = static_cast<DWORD>(data_.size());
      LONG rc = win::RegEnumValue(key, index, name_.data(), &cchName, nullptr, &type, data_.data(), &cbData);
      if (rc == ERROR_MORE_DATA && cbData > data_.size()) {
        data_.resize(cbData);
        --index;
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS) return {};
      if (rc != ERROR_SUCCESS) return "cannot read the values of " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
      writer_.addValue(std::wstring_view(name_.data(), cchName), type, std::span<const BYTE>(data_.data(), cbData));
    }
  }

  std::string listSubKeys(HKEY key, const std::wstring& fullName, std::vector<std::wstring>& out) {
    for (DWORD index = 0;; ++index) {
      DWORD cchName = static_cast<DWORD>(name_.size());
      LONG rc = win::RegEnumKeyEx(key, index, name_.data(), &cchName, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) return {};
      if (rc != ERROR_SUCCESS) return "cannot list the keys of " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
      out.emplace_back(name_.data(), cchName);
    }
  }

  RegFileWriter& writer_;
  REGSAM view_;
  // One buffer of each for the whole export: filling fresh ones for every key cost more than the export.
  std::vector<wchar_t> name_ = std::vector<wchar_t>(kMaxRegValueNameLength + 1);  // room for names Windows would refuse
  std::vector<BYTE> data_ = std::vector<BYTE>(64 * 1024);
};

}  // namespace

std::string ExportRegKey(RegFileWriter& writer, HKEY root, std::wstring_view path, REGSAM view) {
  return Exporter(writer, view).exportKey(root, std::wstring(path));
}

std::string ExportRegistry(RegFileWriter& writer, REGSAM view) {
  Exporter exporter(writer, view);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_USERS})
    if (std::string error = exporter.exportKey(root, L""); !error.empty()) return error;
  return {};
}

}  // namespace mx
