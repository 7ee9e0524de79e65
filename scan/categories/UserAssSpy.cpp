#include "scan/categories/UserAssSpy.h"

#include <cstdint>
#include <cstring>

#include "platform/base/WinTypes.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/registry/Registry.h"

namespace {

constexpr DWORD kNameChars = 512;  // terminator included
constexpr DWORD kMaxDataBytes = 2045;
constexpr DWORD kDataBufferBytes = 2048;
constexpr DWORD kNoEncryptBufferBytes = 80;

void CopyMatching(const std::vector<ValuePair>& pairs, const std::wstring& prefix, std::vector<ValuePair>& out) {
  for (const ValuePair& pair : pairs)
    if (pair.decoded.compare(0, prefix.size(), prefix) == 0) out.push_back(pair);
}

}  // namespace

bool IsUserAssistEncoded() {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kUserAssistSettingsKey, 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
    return true;
  unsigned char buffer[kNoEncryptBufferBytes] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof buffer;
  if (win::RegQueryValueEx(key.get(), kUserAssistNoEncryptValue, nullptr, &type, buffer, &size) != ERROR_SUCCESS)
    return true;
  // only a whole DWORD decides; a shorter or other value leaves the names encoded
  if (type != REG_DWORD || size < sizeof(std::uint32_t)) return true;
  std::uint32_t word = 0;
  std::memcpy(&word, buffer, sizeof word);
  return word == 0;
}

void Rot13InPlace(std::wstring& text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z')
      c = static_cast<wchar_t>(L'a' + (c - L'a' + 13) % 26);
    else if (c >= L'A' && c <= L'Z')
      c = static_cast<wchar_t>(L'A' + (c - L'A' + 13) % 26);
  }
}

void CUserAssSpy::ReadKey(const std::wstring& countKeyPath, std::vector<ValuePair>& target) const {
  target.clear();
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, countKeyPath.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                        key.receive()) != ERROR_SUCCESS)
    return;
  DWORD count = 0;
  if (win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::vector<wchar_t> name(kNameChars);
  std::vector<BYTE> data(kDataBufferBytes);
  for (DWORD i = 0; i < count; ++i) {
    DWORD nameChars = kNameChars;
    DWORD size = 0;
    const LONG rc = win::RegEnumValue(key.get(), i, name.data(), &nameChars, nullptr, nullptr, nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || size > kMaxDataBytes) continue;
    ValuePair pair;
    pair.stored.assign(name.data(), nameChars);
    DWORD bytes = kDataBufferBytes;
    if (win::RegQueryValueEx(key.get(), pair.stored.c_str(), nullptr, nullptr, data.data(), &bytes) != ERROR_SUCCESS)
      continue;
    pair.decoded = pair.stored;
    if (m_bNamesEncoded) Rot13InPlace(pair.decoded);
    target.push_back(std::move(pair));
  }
}

void CollectUserAssistEntries(const std::wstring& prefix, std::vector<ValuePair>& listA,
                              std::vector<ValuePair>& listB) {
  CUserAssSpy spy;
  spy.m_bNamesEncoded = IsUserAssistEncoded() ? 1 : 0;
  spy.ReadKey(kUserAssistCountKeyA, spy.m_arrFirst);
  spy.ReadKey(kUserAssistCountKeyB, spy.m_arrSecond);
  listA.clear();
  listB.clear();
  CopyMatching(spy.m_arrFirst, prefix, listA);
  CopyMatching(spy.m_arrSecond, prefix, listB);
}
