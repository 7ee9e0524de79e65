#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cwctype>
#include <thread>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "tests/platform/registry/RegTestPrefix.h"

namespace {

using regtest::ReadString;
using regtest::ScratchPrefix;
using regtest::SubkeyNames;
using regtest::WriteString;

constexpr REGSAM V64 = KEY_WOW64_64KEY;

// A small machine file: a key with values of every common form, one with sub-keys.
constexpr const char* kMachine =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
    "[System\\\\Test\\\\Parent\\\\Child] 1700000000\n"
    "#time=1da1747c66d0000\n\n"
    "[System\\\\Test\\\\Values] 1700000000\n"
    "#time=1da1747c66d0000\n"
    "@=\"default\"\n"
    "\"Exp\"=str(2):\"%SystemRoot%\\\\x\"\n"
    "\"Num\"=dword:00000031\n"
    "\"Str\"=\"abc\"\n";

struct Key {
  HKEY h = nullptr;
  ~Key() { win::RegCloseKey(h); }
};

TEST(RegistryApi, QueryValueSemantics) {
  ScratchPrefix prefix;
  prefix.write("system.reg", kMachine);
  Key k;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"system\\TEST\\values", 0, KEY_READ, &k.h), ERROR_SUCCESS);

  // Probe: size and type only.
  DWORD type = 0, size = 0;
  ASSERT_EQ(win::RegQueryValueEx(k.h, L"str", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 8u);  // "abc" and its terminator

  // Too small: 234, the needed size, the buffer untouched.
  BYTE buf[16];
  std::memset(buf, 0xAB, sizeof buf);
  size = 4;
  EXPECT_EQ(win::RegQueryValueEx(k.h, L"Str", nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  for (BYTE b : buf) EXPECT_EQ(b, 0xAB);

  // A value shorter than the buffer fills only its own bytes: REG_SZ "1" read as a DWORD gives 0x31.
  DWORD dw = 0xFFFFFFFF;
  size = sizeof dw;
  EXPECT_EQ(win::RegQueryValueEx(k.h, L"Num", nullptr, &type, reinterpret_cast<BYTE*>(&dw), &size), ERROR_SUCCESS);
  EXPECT_EQ(dw, 0x31u);

  // Expandable strings come back raw.
  std::wstring text;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", L"Exp", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"%SystemRoot%\\x");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", nullptr, 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"default");

  EXPECT_EQ(win::RegQueryValueEx(k.h, L"missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryApi, ErrorCodes) {
  ScratchPrefix prefix;
  prefix.write("system.reg", kMachine);
  HKEY h = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Nope", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(h, nullptr) << "the out-handle is NULL after a failure";
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"\\System", 0, KEY_READ, &h), ERROR_BAD_PATHNAME);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\", 0, KEY_READ, &h), ERROR_SUCCESS);
  win::RegCloseKey(h);

  // Deleting a key with sub-keys fails; the recursive delete does not.
  EXPECT_EQ(win::RegDeleteKey(HKEY_LOCAL_MACHINE, L"System\\Test\\Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteKey(HKEY_LOCAL_MACHINE, L"System\\Test\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::SHDeleteKey(HKEY_LOCAL_MACHINE, L"System\\Test\\Parent"), ERROR_SUCCESS);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Parent\\Child", 0, KEY_READ, &h),
            ERROR_FILE_NOT_FOUND);

  // Enumeration past the end, and a name longer than the buffer.
  Key k;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", 0, KEY_READ, &k.h), ERROR_SUCCESS);
  wchar_t name[8];
  DWORD cch = 3;
  EXPECT_EQ(win::RegEnumValue(k.h, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  cch = 8;
  EXPECT_EQ(win::RegEnumValue(k.h, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name), L"Exp");
  cch = 8;
  EXPECT_EQ(win::RegEnumValue(k.h, 4, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  cch = 8;
  EXPECT_EQ(win::RegEnumKeyEx(k.h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  // Handles: closing NULL or a root is harmless; a closed handle is invalid.
  EXPECT_EQ(win::RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(win::RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  HKEY closed = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System", 0, KEY_READ, &closed), ERROR_SUCCESS);
  win::RegCloseKey(closed);
  DWORD n = 0;
  EXPECT_EQ(win::RegQueryInfoKey(closed, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr),
            ERROR_INVALID_HANDLE);

  // A handle opened for reading cannot write.
  EXPECT_EQ(win::RegSetValueEx(k.h, L"x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4), ERROR_ACCESS_DENIED);
}

TEST(RegistryApi, CreateSetEnumerateDelete) {
  ScratchPrefix prefix;
  Key k;
  DWORD disposition = 0;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Qzx\\A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k.h,
                                &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  Key again;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, L"SOFTWARE\\qzx\\a\\b", 0, nullptr, 0, KEY_READ, nullptr, &again.h,
                                &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

  // REG_SZ keeps the bytes exactly as given (also odd, unterminated ones); values enumerate sorted.
  const BYTE odd[] = {'h', 0, 'i'};
  ASSERT_EQ(win::RegSetValueEx(k.h, L"zeta", 0, REG_SZ, odd, 3), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx\\A\\B", L"Alpha", 0, L"one"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx\\A\\B", nullptr, 0, L"dflt"), ERROR_SUCCESS);
  std::vector<std::wstring> names;
  wchar_t name[32];
  BYTE data[32];
  DWORD type = 0, cb = 0;
  for (DWORD i = 0;; ++i) {
    DWORD cch = 32;
    cb = sizeof data;
    if (win::RegEnumValue(again.h, i, name, &cch, nullptr, &type, data, &cb) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"", L"Alpha", L"zeta"}));
  cb = sizeof data;
  ASSERT_EQ(win::RegQueryValueEx(again.h, L"zeta", nullptr, &type, data, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 3u);
  EXPECT_EQ(std::memcmp(data, odd, 3), 0);
  EXPECT_EQ(win::RegDeleteValue(k.h, L"ZETA"), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteValue(k.h, L"zeta"), ERROR_FILE_NOT_FOUND);

  // Query info: counts, longest names (characters) and data (bytes).
  DWORD subKeys = 9, maxSub = 9, values = 9, maxValueName = 9, maxValue = 9;
  Key a;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Qzx\\A", 0, KEY_READ, &a.h), ERROR_SUCCESS);
  ASSERT_EQ(win::RegQueryInfoKey(again.h, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxValueName,
                                 &maxValue, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxValueName, 5u);
  EXPECT_EQ(maxValue, 10u);  // "dflt" + terminator
  ASSERT_EQ(win::RegQueryInfoKey(a.h, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_EQ(maxSub, 1u);

  // An empty sub-key name in the view form deletes the handle's own key; handles on it then fail.
  EXPECT_EQ(win::RegDeleteKeyEx(k.h, L"", KEY_ALL_ACCESS | V64, 0), ERROR_SUCCESS);
  cb = sizeof data;
  EXPECT_EQ(win::RegQueryValueEx(again.h, L"Alpha", nullptr, &type, data, &cb), ERROR_KEY_DELETED);
  EXPECT_EQ(SubkeyNames(a.h), std::vector<std::wstring>{});
}

// Paths past the sizes kept inline (names, their text, their folded copies) open like short ones: from a root
// in another case, below a handle, and in the class keys of both files.
TEST(RegistryApi, LongAndDeepPathsOpen) {
  ScratchPrefix prefix;
  std::wstring deep, half;
  for (int i = 0; i < 20; ++i) {
    std::wstring name = L"Level" + std::to_wstring(i) + std::wstring(20, L'x');
    if (i == 10) half = deep;
    deep += (deep.empty() ? L"" : L"\\") + name;
  }
  ASSERT_GT(deep.size(), 400u);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
    SCOPED_TRACE(root == HKEY_CURRENT_USER ? "HKCU" : "HKCR");
    ASSERT_EQ(WriteString(root, deep.c_str(), L"v", 0, L"deep"), ERROR_SUCCESS);
    std::wstring upper = deep;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    std::wstring text;
    ASSERT_EQ(ReadString(root, upper.c_str(), L"v", 0, text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"deep");
    Key mid;
    ASSERT_EQ(win::RegOpenKeyEx(root, half.c_str(), 0, KEY_READ, &mid.h), ERROR_SUCCESS);
    ASSERT_EQ(ReadString(mid.h, upper.c_str() + half.size() + 1, L"v", 0, text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"deep");
    EXPECT_EQ(ReadString(mid.h, (deep.substr(half.size() + 1) + L"\\nope").c_str(), L"v", 0, text),
              ERROR_FILE_NOT_FOUND);
  }
}

TEST(RegistryApi, ManyChildrenEnumerateCompletely) {
  ScratchPrefix prefix;
  Key k;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, L"Many", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k.h, nullptr),
            ERROR_SUCCESS);
  constexpr DWORD kCount = 70000;
  for (DWORD i = 0; i < kCount; ++i) {
    wchar_t name[16];
    std::swprintf(name, 16, L"k%06u", i);
    HKEY c = nullptr;
    ASSERT_EQ(win::RegCreateKeyEx(k.h, name, 0, nullptr, 0, KEY_READ, nullptr, &c, nullptr), ERROR_SUCCESS);
    win::RegCloseKey(c);
  }
  wchar_t name[16];
  DWORD cch = 16;
  ASSERT_EQ(win::RegEnumKeyEx(k.h, kCount - 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name), L"k069999");
  cch = 16;
  EXPECT_EQ(win::RegEnumKeyEx(k.h, kCount, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST(RegistryApi, AdministratorAndKeyAccessRules) {
  ScratchPrefix prefix;
  prefix.write("system.reg", kMachine);
  mx::reg::SetUserIsAdmin(false);
  HKEY h = nullptr;
  // Without administrator rights: HKLM opens for reading only, nothing is created there; HKCU is writable.
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", 0, KEY_READ | KEY_WRITE, &h),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(
      win::RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\New", 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr),
      ERROR_ACCESS_DENIED);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(win::RegDeleteKey(HKEY_LOCAL_MACHINE, L"System\\Test\\Parent\\Child"), ERROR_ACCESS_DENIED);
  std::wstring text;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", L"Str", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"x"), ERROR_SUCCESS);
  mx::reg::SetUserIsAdmin(true);

  // Marked keys: read-only refuses write opens and writes; denied refuses every open.
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", 0, mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CURRENT_USER, L"Software\\Qzx", 0, mx::reg::KeyAccess::Denied), ERROR_SUCCESS);
  EXPECT_EQ(mx::reg::SetKeyAccess(HKEY_CURRENT_USER, L"Nope", 0, mx::reg::KeyAccess::Denied), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", 0, 0x2001F, &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", L"Str", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(win::RegSetValueEx(HKEY_LOCAL_MACHINE, L"x", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS)
      << "the root itself is not marked";
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::SHDeleteKey(HKEY_CURRENT_USER, L"Software"), ERROR_ACCESS_DENIED)
      << "a marked key inside stops the whole recursive delete";
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &h), ERROR_SUCCESS);
  win::RegCloseKey(h);
}

TEST(RegistryApi, RootsAndUsers) {
  ScratchPrefix prefix(true);
  // HKCU is HKU\<SID from user.reg>; HKU\.Default is userdef.reg; HKCC is the current hardware profile.
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"same"), ERROR_SUCCESS);
  std::wstring text;
  EXPECT_EQ(ReadString(HKEY_USERS, L"S-1-5-21-0-0-0-1000\\Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"same");
  Key users;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_USERS, nullptr, 0, KEY_READ, &users.h), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(users.h), (std::vector<std::wstring>{L".Default", L"S-1-5-21-0-0-0-1000"}));
  Key def;
  EXPECT_EQ(
      win::RegOpenKeyEx(HKEY_USERS, L".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        0, KEY_READ, &def.h),
      ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_CONFIG, L"Software\\Fonts", L"q", 0, L"cc"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts",
                       L"q", 0, text),
            ERROR_SUCCESS);
  EXPECT_EQ(text, L"cc");
}

// Keys found again after reloads, while other threads keep querying through a handle and opening below a root.
TEST(RegistryApi, HandlesAndRootsFollowReloadsAcrossThreads) {
  ScratchPrefix prefix;
  prefix.write("system.reg", kMachine);
  Key k;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Values", 0, KEY_READ, &k.h), ERROR_SUCCESS);
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0}, reads{0};
  auto reader = [&] {
    while (!stop) {
      DWORD type = 0, size = 0;
      if (win::RegQueryValueEx(k.h, L"Str", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) ++failures;
      Key c;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\Test\\Parent\\Child", 0, KEY_READ, &c.h) !=
          ERROR_SUCCESS)
        ++failures;
      ++reads;
    }
  };
  std::thread first(reader), second(reader);
  for (int i = 0; i < 20; ++i) {
    prefix.write("system.reg", std::string(kMachine) + "\"n\"=dword:0000000" + std::to_string(i % 10) + "\n");
    mx::reg::ReloadIfChanged();
    DWORD n = 99, size = sizeof n;
    ASSERT_EQ(win::RegQueryValueEx(k.h, L"n", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size), ERROR_SUCCESS);
    EXPECT_EQ(n, DWORD(i % 10));
  }
  while (reads < 100) std::this_thread::yield();
  stop = true;
  first.join();
  second.join();
  EXPECT_EQ(failures, 0);
}

TEST(RegistryApi, HandlesWorkAcrossThreads) {
  ScratchPrefix prefix(true);
  Key k;
  ASSERT_EQ(
      win::RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Qzx", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k.h, nullptr),
      ERROR_SUCCESS);
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  // A scan-like reader walks HKCR while this thread writes through a handle the reader also uses.
  std::thread reader([&] {
    while (!stop) {
      Key c;
      if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &c.h) == ERROR_SUCCESS) {
        reads += static_cast<int>(SubkeyNames(c.h).size() > 500);
      }
      DWORD n = 0;
      win::RegQueryInfoKey(k.h, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr);
    }
  });
  for (int i = 0; i < 300; ++i) {
    wchar_t name[16];
    std::swprintf(name, 16, L"k%d", i);
    HKEY c = nullptr;
    ASSERT_EQ(win::RegCreateKeyEx(k.h, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(win::RegSetValueEx(c, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>("a\0\0"), 4), ERROR_SUCCESS);
    win::RegCloseKey(c);
    if (i % 2) {
      ASSERT_EQ(win::RegDeleteKey(k.h, name), ERROR_SUCCESS);
    }
  }
  while (reads == 0) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_EQ(SubkeyNames(k.h).size(), 150u);
}

}  // namespace
