#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "tests/platform/registry/RegTestPrefix.h"

namespace {

using regtest::ReadString;
using regtest::ScratchPrefix;
using regtest::SubkeyNames;
using regtest::WriteString;

constexpr REGSAM V32 = KEY_WOW64_32KEY;
constexpr REGSAM V64 = KEY_WOW64_64KEY;

struct Key {
  HKEY h = nullptr;
  ~Key() { win::RegCloseKey(h); }
};

std::uint64_t LastWrite(HKEY root, const wchar_t* path, REGSAM view) {
  Key k;
  if (win::RegOpenKeyEx(root, path, 0, KEY_READ | view, &k.h) != ERROR_SUCCESS) return 0;
  FILETIME ft{};
  win::RegQueryInfoKey(k.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool Contains(const std::vector<std::wstring>& names, std::wstring_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(RegistryView, ClassesAreRedirectedPerViewOnTheSamplePrefix) {
  ScratchPrefix prefix(true);
  const wchar_t* inproc = L"CLSID\\{A9AE6C91-1D1B-11D2-B21A-00C04FA357FA}\\InprocServer32";
  // The two copies differ in their write times: 32-bit view = Classes\Wow6432Node copy.
  EXPECT_EQ(LastWrite(HKEY_CLASSES_ROOT, inproc, V32), 0x1dd889debb34a5cull);
  EXPECT_EQ(LastWrite(HKEY_CLASSES_ROOT, inproc, V64), 0x1dd889de9bd7e34ull);
  EXPECT_EQ(LastWrite(HKEY_CLASSES_ROOT, inproc, 0), 0x1dd889debb34a5cull) << "native view of a 32-bit program";
  EXPECT_EQ(LastWrite(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + inproc).c_str(), V32),
            0x1dd889debb34a5cull);
  // A literal Wow6432Node path opens as written in either view.
  EXPECT_EQ(LastWrite(HKEY_CLASSES_ROOT, (std::wstring(L"Wow6432Node\\") + inproc).c_str(), V32), 0x1dd889debb34a5cull);
  EXPECT_EQ(LastWrite(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Wow6432Node\\Classes\\") + inproc).c_str(), V64),
            0x1dd889debb34a5cull)
      << "the Wow6432Node\\Classes link";
  // A handle keeps its view for relative opens.
  Key clsid32;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ | V32, &clsid32.h), ERROR_SUCCESS);
  EXPECT_EQ(LastWrite(clsid32.h, L"{A9AE6C91-1D1B-11D2-B21A-00C04FA357FA}\\InprocServer32", 0), 0x1dd889debb34a5cull);
  // Shared class keys (file types) are one key in both views.
  std::wstring a, b;
  ASSERT_EQ(ReadString(HKEY_CLASSES_ROOT, L".ini", nullptr, V32, a), ERROR_SUCCESS);
  ASSERT_EQ(ReadString(HKEY_CLASSES_ROOT, L".ini", nullptr, V64, b), ERROR_SUCCESS);
  EXPECT_EQ(a, b);
}

TEST(RegistryView, SharedAndLinkedKeysAreOneKey) {
  ScratchPrefix prefix(true);
  const wchar_t* appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, (std::wstring(appPaths) + L"\\iexplore.exe").c_str(), nullptr, V32, text),
            ERROR_SUCCESS);
  EXPECT_EQ(text, L"C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe");
  // Written through the 32-bit view, read through the 64-bit one and through the Wow6432Node link.
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, (std::wstring(appPaths) + L"\\qzx.exe").c_str(), nullptr, V32, L"q"),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, (std::wstring(appPaths) + L"\\qzx.exe").c_str(), nullptr, V64, text),
            ERROR_SUCCESS);
  EXPECT_EQ(
      ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qzx.exe",
                 nullptr, V64, text),
      ERROR_SUCCESS);
  EXPECT_EQ(text, L"q");
  // Per-view keys are not: Run written in the 32-bit view lands under Wow6432Node only.
  const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, run, L"QzxAgent", V32, L"x"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, run, L"QzxAgent", V64, text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                       L"QzxAgent", V64, text),
            ERROR_SUCCESS);
  // HKCU is shared except its class-registration trees.
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", V32, L"u"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", V64, text), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{Q}", nullptr, V32, L"c"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\{Q}", nullptr, V64, text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\Wow6432Node\\CLSID\\{Q}", nullptr, V64, text),
            ERROR_SUCCESS);
}

// Shared keys match whole names in any case, at their own depth and below; a name beside one, a part of one
// or a key above one is per view. Opened from Software's root or below a 32-bit handle on Software\Microsoft.
TEST(RegistryView, SharedKeysMatchWholeNamesAtAnyDepth) {
  ScratchPrefix prefix(true);
  struct Case {
    const wchar_t* belowMicrosoft;
    bool shared;
  } cases[] = {
      {L"OLE\\Qzx", true},
      {L"ole", true},
      {L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO\\Qzx", true},
      {L"Windows NT\\CurrentVersion\\Time Zones\\Qzx\\Deeper", true},
      {L"windows\\currentversion\\app paths", true},
      {L"Windows\\CurrentVersion\\App Path", false},
      {L"Windows\\CurrentVersion\\App Paths2", false},
      {L"Windows NT\\CurrentVersion\\Qzx", false},
      {L"SOFTWARE\\Microsoft\\Shared Tools\\Qzx", false},
      {L"OLEQzx", false},
  };
  Key microsoft32;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Microsoft", 0, KEY_READ | V32, &microsoft32.h),
            ERROR_SUCCESS);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.belowMicrosoft);
    const std::wstring path = std::wstring(L"Software\\Microsoft\\") + c.belowMicrosoft;
    const std::wstring value = L"Qzx" + std::to_wstring(n++);
    ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, path.c_str(), value.c_str(), V32, L"x"), ERROR_SUCCESS);
    std::wstring text;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, path.c_str(), value.c_str(), V64, text) == ERROR_SUCCESS, c.shared);
    EXPECT_EQ(ReadString(microsoft32.h, c.belowMicrosoft, value.c_str(), 0, text), ERROR_SUCCESS);
  }
}

TEST(RegistryView, EnumerationPerView) {
  ScratchPrefix prefix(true);
  Key sw64, sw32;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ | V64, &sw64.h), ERROR_SUCCESS);
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ | V32, &sw32.h), ERROR_SUCCESS);
  auto names64 = SubkeyNames(sw64.h);
  auto names32 = SubkeyNames(sw32.h);
  EXPECT_TRUE(Contains(names64, L"Wow6432Node"));
  EXPECT_FALSE(Contains(names32, L"Wow6432Node"));
  EXPECT_TRUE(Contains(names32, L"Classes"));
  // Relative opens from the 32-bit Software key still see the shared Classes tree.
  Key cls;
  ASSERT_EQ(win::RegOpenKeyEx(sw32.h, L"Classes\\.ini", 0, KEY_READ, &cls.h), ERROR_SUCCESS);
}

TEST(RegistryView, ClassesRootMergesUserOverMachine) {
  ScratchPrefix prefix(true);
  std::wstring text;
  // A key in HKCU wins over the machine's; enumeration lists both trees' keys once.
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\.ini", nullptr, 0, L"userfile"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Classes\\.qzx", nullptr, 0, L"qzxfile"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L".ini", nullptr, 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"userfile");
  Key root;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_CLASSES_ROOT, L"", 0, KEY_READ | V32, &root.h), ERROR_SUCCESS);
  auto names = SubkeyNames(root.h);
  EXPECT_EQ(std::count(names.begin(), names.end(), L".ini"), 1);
  EXPECT_TRUE(Contains(names, L".qzx"));
  EXPECT_TRUE(Contains(names, L"CLSID"));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), mx::LessNoCase()));
  DWORD count = 0;
  win::RegQueryInfoKey(root.h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr);
  EXPECT_EQ(count, names.size());
  // A write goes to the copy that exists; a new key goes to the machine.
  ASSERT_EQ(WriteString(HKEY_CLASSES_ROOT, L".ini", L"x", 0, L"1"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\.ini", L"x", 0, text), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CLASSES_ROOT, L".newqzx", nullptr, 0, L"2"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.newqzx", nullptr, 0, text), ERROR_SUCCESS);
  // Deleting removes the copy that wins.
  EXPECT_EQ(win::SHDeleteKey(HKEY_CLASSES_ROOT, L".qzx"), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\.qzx", nullptr, 0, text), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryView, OneViewOnA32BitPrefix) {
  ScratchPrefix prefix;
  prefix.write("system.reg",
               "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n\n"
               "[Software\\\\Classes\\\\CLSID\\\\{X}] 1\n#time=1\n@=\"one\"\n");
  EXPECT_EQ(mx::reg::RegistryArch(), mx::reg::Arch::Win32);
  std::wstring a, b;
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"CLSID\\{X}", nullptr, V32, a), ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"CLSID\\{X}", nullptr, V64, b), ERROR_SUCCESS);
  EXPECT_EQ(a, L"one");
  EXPECT_EQ(b, L"one");
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", V32, L"x"), ERROR_SUCCESS);
  Key sw;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, &sw.h), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(sw.h), (std::vector<std::wstring>{L"Classes", L"Qzx"}));
}

TEST(RegistryView, NewWin64PrefixCreatesWow6432Node) {
  ScratchPrefix prefix;
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", 0, L"32"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CLASSES_ROOT, L"CLSID\\{Q}\\InprocServer32", nullptr, V32, L"q32.dll"), ERROR_SUCCESS);
  std::wstring text;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Qzx", L"v", V64, text), ERROR_SUCCESS);
  EXPECT_EQ(
      ReadString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Wow6432Node\\CLSID\\{Q}\\InprocServer32", nullptr, V64, text),
      ERROR_SUCCESS);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"CLSID\\{Q}\\InprocServer32", nullptr, V64, text), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryView, LinkLoopsFailCleanly) {
  ScratchPrefix prefix;
  // Two links pointing at each other, written the way Wine stores links.
  auto link = [](const char* target) {
    std::string hex;
    for (const char* p = target; *p; ++p) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%02x,00,", static_cast<unsigned char>(*p));
      hex += buf;
    }
    hex.pop_back();
    return "#link\n\"SymbolicLinkValue\"=hex(6):" + hex + "\n";
  };
  prefix.write("system.reg",
               "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
               "[System\\\\A] 1\n#time=1\n" +
                   link("\\Registry\\Machine\\System\\B") + "\n[System\\\\B] 1\n#time=1\n" +
                   link("\\Registry\\Machine\\System\\A"));
  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\A\\x", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\A", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegDeleteKey(HKEY_LOCAL_MACHINE, L"System\\A"), ERROR_SUCCESS) << "the link key itself goes";
}

}  // namespace
