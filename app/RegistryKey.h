#pragma once
// A small value object for one registry key: the access mask every open uses, the open handle and the path.
// Lives for one operation, usually on the stack; not shared between threads.
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

class CRegistryKey {
 public:
  explicit CRegistryKey(HKEY root = HKEY_CURRENT_USER) : m_hKey(root) {}
  ~CRegistryKey() { Close(); }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens subKey below root with m_access. When that fails and createIfMissing is set the key is created,
  // unless the access is exactly KEY_READ: a read-only open never creates anything.
  BOOL Open(HKEY root, BOOL createIfMissing, const std::wstring& subKey);
  void Close();

  // REG_SZ or REG_EXPAND_SZ (unexpanded), read up to the first null; tolerates a missing terminator and an
  // odd byte count. FALSE only when the value is missing or of another type.
  BOOL ReadString(const std::wstring& valueName, std::wstring& out) const;
  // REG_SZ (REG_EXPAND_SZ with expand set) with the terminating null included in the stored length.
  BOOL WriteString(const std::wstring& valueName, const std::wstring& text, BOOL expand = FALSE);
  // TRUE only for a stored REG_DWORD.
  BOOL ReadDWORD(const std::wstring& valueName, DWORD& out) const;
  BOOL WriteDWORD(DWORD value, const std::wstring& valueName);
  BOOL WriteDWORD(const std::wstring& valueName, DWORD value) { return WriteDWORD(value, valueName); }
  // The value names of subKey below this key (opened with m_access); FALSE when it cannot be opened or an
  // enumeration step fails (a name of 512 characters or more stops it).
  BOOL GetValueNames(const std::wstring& subKey, std::vector<std::wstring>& out) const;

  HKEY Handle() const { return m_hKey; }
  const std::wstring& Path() const { return m_strPath; }

  REGSAM m_access = KEY_READ | KEY_WRITE;

 private:
  static bool IsRoot(HKEY key);

  HKEY m_hKey = nullptr;
  std::wstring m_strPath;
};

// Whether HKEY_CURRENT_USER subKey holds valueName (any type); opened read-only.
BOOL UserRegValueExists(const std::wstring& subKey, const std::wstring& valueName);
