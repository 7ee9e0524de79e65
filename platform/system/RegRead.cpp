#include "platform/system/RegRead.h"

#include "platform/base/Text.h"

namespace mx {

namespace {

class Key {
 public:
  Key(HKEY root, const std::wstring& subKey, REGSAM view) {
    if (win::RegOpenKeyEx(root, subKey.c_str(), 0, KEY_READ | view, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_) win::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring DecodeString(const std::string& bytes) {
  std::wstring text = Utf16LeToWide(std::string_view(bytes.data(), bytes.size() & ~size_t{1}));
  while (!text.empty() && text.back() == 0) text.pop_back();
  // A string holding an embedded null ends there, as the C string Windows callers read.
  if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
  return text;
}

std::optional<RegStringValue> QueryString(HKEY key, const wchar_t* value) {
  // Read at once into a buffer that holds most strings; a longer one is read again at its size.
  constexpr DWORD kFirstTry = 512;
  std::string bytes(kFirstTry, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG rc = win::RegQueryValueEx(key, value, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (rc == ERROR_SUCCESS) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
      bytes.resize(size);
      return RegStringValue{DecodeString(bytes), type};
    }
    if (rc != ERROR_MORE_DATA) return std::nullopt;
    bytes.resize(size);  // longer than the buffer, or grown since the last try
  }
  return std::nullopt;
}

}  // namespace

std::optional<RegStringValue> ReadRegString(HKEY root, const std::wstring& subKey, const std::wstring& value,
                                            REGSAM view) {
  Key key(root, subKey, view);
  if (!key.get()) return std::nullopt;
  return QueryString(key.get(), value.c_str());
}

std::vector<std::pair<std::wstring, RegStringValue>> ReadRegStrings(HKEY root, const std::wstring& subKey,
                                                                    REGSAM view) {
  std::vector<std::pair<std::wstring, RegStringValue>> out;
  Key key(root, subKey, view);
  if (!key.get()) return out;
  std::vector<wchar_t> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD cch = static_cast<DWORD>(name.size());
    LONG rc = win::RegEnumValue(key.get(), index, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    std::wstring valueName(name.data(), cch);
    if (auto v = QueryString(key.get(), valueName.c_str())) out.emplace_back(valueName, std::move(*v));
  }
  return out;
}

}  // namespace mx
