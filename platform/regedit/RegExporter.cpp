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

  std::string exportKey(HKEY root, const std::wstring& path, int depth) {
    std::wstring fullName(RegRootName(root));
    if (!path.empty()) fullName += L"\\" + path;
    if (depth > kMaxDepth || writer_.size() > kMaxTextUnits)
      return "keys nested too deeply or too many (a link loop?) at " + WideToUtf8(fullName.substr(0, 300));
    RegKeyHandle key;
    LONG rc = win::RegOpenKeyEx(root, path.c_str(), 0, KEY_READ | view_, key.receive());
    // A listed sub-key that does not open is a link to a missing key, or went away meanwhile: nothing to save.
    if (rc == ERROR_FILE_NOT_FOUND && depth > 0) return {};
    if (rc != ERROR_SUCCESS) return "cannot open " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
    writer_.addKey(fullName);
    if (std::string error = exportValues(key.get(), fullName); !error.empty()) return error;
    std::vector<std::wstring> children;
    if (std::string error = listSubKeys(key.get(), fullName, children); !error.empty()) return error;
    key.reset();
    for (const auto& child : children) {
      std::wstring childPath = path.empty() ? child : path + L"\\" + child;
      if (std::string error = exportKey(root, childPath, depth + 1); !error.empty()) return error;
    }
    return {};
  }

 private:
  std::string exportValues(HKEY key, const std::wstring& fullName) {
    std::vector<wchar_t> name(kMaxRegValueNameLength + 1);
    for (DWORD index = 0;; ++index) {
      DWORD cchName = static_cast<DWORD>(name.size());
      DWORD type = 0;
      DWORD cbData = static_cast<DWORD>(data_.size());
      LONG rc = win::RegEnumValue(key, index, name.data(), &cchName, nullptr, &type, data_.data(), &cbData);
      if (rc == ERROR_MORE_DATA && cbData > data_.size()) {
        data_.resize(cbData);
        --index;
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS) return {};
      if (rc != ERROR_SUCCESS) return "cannot read the values of " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
      writer_.addValue(std::wstring_view(name.data(), cchName), type, std::span<const BYTE>(data_.data(), cbData));
    }
  }

  static std::string listSubKeys(HKEY key, const std::wstring& fullName, std::vector<std::wstring>& out) {
    std::vector<wchar_t> name(kMaxRegValueNameLength + 1);  // room for names Windows would refuse
    for (DWORD index = 0;; ++index) {
      DWORD cchName = static_cast<DWORD>(name.size());
      LONG rc = win::RegEnumKeyEx(key, index, name.data(), &cchName, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) return {};
      if (rc != ERROR_SUCCESS) return "cannot list the keys of " + WideToUtf8(fullName) + ": " + RegErrorText(rc);
      out.emplace_back(name.data(), cchName);
    }
  }

  RegFileWriter& writer_;
  REGSAM view_;
  std::vector<BYTE> data_ = std::vector<BYTE>(64 * 1024);
};

}  // namespace

std::string ExportRegKey(RegFileWriter& writer, HKEY root, std::wstring_view path, REGSAM view) {
  return Exporter(writer, view).exportKey(root, std::wstring(path), 0);
}

std::string ExportRegistry(RegFileWriter& writer, REGSAM view) {
  Exporter exporter(writer, view);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_USERS})
    if (std::string error = exporter.exportKey(root, L"", 0); !error.empty()) return error;
  return {};
}

}  // namespace mx
