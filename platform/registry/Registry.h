#pragma once
// The registry calls of the platform, with Windows semantics, over the Wine prefix's registry files.
// Every call returns a Win32 error code (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ...);
// exceptions never cross this boundary. Handles are usable from any thread.
#include <cstdint>
#include <string>

#include "platform/base/WinTypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;

// The predefined roots carry their Windows values.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u));
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000005u));

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_RESOURCE_LIST = 8;
inline constexpr DWORD REG_QWORD = 11;

// Access masks.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_WOW64_RES = 0x0300;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_EXECUTE = 0x20019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

namespace win {

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);
LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM sam,
                    void* security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// data == nullptr probes: size and type only. A buffer too small gives ERROR_MORE_DATA, the needed size in
// *cbData and the buffer untouched. Strings come back raw: not expanded, no terminator added.
LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData);
LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD cbData);
LONG RegDeleteValue(HKEY key, LPCWSTR valueName);
// Fails when the key has sub-keys.
LONG RegDeleteKey(HKEY key, LPCWSTR subKey);
// Only the view bits of sam count; an empty subKey deletes the handle's own key.
LONG RegDeleteKeyEx(HKEY key, LPCWSTR subKey, REGSAM sam, DWORD reserved);
// The shell's recursive delete.
LONG SHDeleteKey(HKEY key, LPCWSTR subKey);
// *cchName in and out in characters, without the terminator on return. ERROR_MORE_DATA for a longer name,
// ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD reserved, LPWSTR keyClass,
                  LPDWORD cchClass, FILETIME* lastWrite);
LONG RegEnumKey(HKEY key, DWORD index, LPWSTR name, DWORD cchName);
LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName, LPDWORD reserved, LPDWORD type,
                  LPBYTE data, LPDWORD cbData);
LONG RegQueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD cchClass, LPDWORD reserved, LPDWORD subKeys,
                     LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                     LPDWORD maxValueLen, LPDWORD securityDescriptor, FILETIME* lastWrite);
LONG RegFlushKey(HKEY key);

}  // namespace win
