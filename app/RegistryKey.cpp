#include "app/RegistryKey.h"

#include <cstdint>
#include <cstring>

bool CRegistryKey::IsRoot(HKEY key) {
  // The predefined roots live at 0x80000000..0x800000FF; they are never closed by us.
  const auto v = reinterpret_cast<std::uintptr_t>(key);
  return v >= 0x80000000u && v <= 0x800000FFu;
}

BOOL CRegistryKey::Open(HKEY root, BOOL createIfMissing, const std::wstring& subKey) {
  m_hKey = root;
  m_strPath = subKey;
  HKEY opened = nullptr;
  if (win::RegOpenKeyEx(root, subKey.c_str(), 0, m_access, &opened) == ERROR_SUCCESS) {
    m_hKey = opened;
    return TRUE;
  }
  if (!createIfMissing || m_access == KEY_READ) return FALSE;
  DWORD disposition = 0;
  if (win::RegCreateKeyEx(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, m_access, nullptr, &opened,
                          &disposition) != ERROR_SUCCESS)
    return FALSE;
  m_hKey = opened;
  return TRUE;
}

void CRegistryKey::Close() {
  if (m_hKey != nullptr && !IsRoot(m_hKey)) win::RegCloseKey(m_hKey);
  m_hKey = nullptr;
}

BOOL CRegistryKey::ReadString(const std::wstring& valueName, std::wstring& out) const {
  DWORD type = 0, size = 0;
  if (win::RegQueryValueEx(m_hKey, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return FALSE;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return FALSE;
  // Room for size bytes plus a guaranteed terminator, whatever the stored length.
  std::vector<BYTE> buffer((static_cast<size_t>(size) + 1) * 2, 0);
  DWORD cb = size;
  if (win::RegQueryValueEx(m_hKey, valueName.c_str(), nullptr, &type, buffer.data(), &cb) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::wstring text;
    for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
      const wchar_t unit = static_cast<wchar_t>(buffer[i] | (buffer[i + 1] << 8));
      if (unit == 0) break;
      text.push_back(unit);
    }
    out = std::move(text);
  }
  return TRUE;
}

BOOL CRegistryKey::WriteString(const std::wstring& valueName, const std::wstring& text, BOOL expand) {
  std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<BYTE>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<BYTE>((text[i] >> 8) & 0xFF);
  }
  return win::RegSetValueEx(m_hKey, valueName.c_str(), 0, expand ? REG_EXPAND_SZ : REG_SZ, bytes.data(),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

BOOL CRegistryKey::ReadDWORD(const std::wstring& valueName, DWORD& out) const {
  DWORD type = 0, value = 0, cb = sizeof(value);
  if (win::RegQueryValueEx(m_hKey, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) !=
          ERROR_SUCCESS ||
      type != REG_DWORD)
    return FALSE;
  out = value;
  return TRUE;
}

BOOL CRegistryKey::WriteDWORD(DWORD value, const std::wstring& valueName) {
  return win::RegSetValueEx(m_hKey, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value)) == ERROR_SUCCESS;
}

BOOL CRegistryKey::GetValueNames(const std::wstring& subKey, std::vector<std::wstring>& out) const {
  HKEY sub = nullptr;
  if (win::RegOpenKeyEx(m_hKey, subKey.c_str(), 0, m_access, &sub) != ERROR_SUCCESS) return FALSE;
  BOOL result = FALSE;
  DWORD count = 0;
  if (win::RegQueryInfoKey(sub, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr) == ERROR_SUCCESS) {
    out.clear();
    result = TRUE;
    for (DWORD i = 0; i < count; ++i) {
      wchar_t name[512];
      DWORD cch = 512, type = 0;
      if (win::RegEnumValue(sub, i, name, &cch, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        result = FALSE;
        break;
      }
      out.emplace_back(name, cch);
    }
  }
  win::RegCloseKey(sub);
  return result;
}

BOOL UserRegValueExists(const std::wstring& subKey, const std::wstring& valueName) {
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_CURRENT_USER, FALSE, subKey)) return FALSE;
  DWORD type = 0, cb = 0;
  return win::RegQueryValueEx(key.Handle(), valueName.c_str(), nullptr, &type, nullptr, &cb) == ERROR_SUCCESS;
}
