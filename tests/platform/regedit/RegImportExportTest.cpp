#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegExporter.h"
#include "platform/regedit/RegFileParser.h"
#include "platform/regedit/RegImporter.h"
#include "platform/registry/RegistryControl.h"
#include "platform/regedit/RegTestData.h"
#include "support/TestPrefix.h"

namespace {

using regtest::ReadString;

using mxtest::Arch;
using mxtest::TestPrefix;

// Every key below root\path in one view with its values, read through the Reg* calls alone.
using Values = std::vector<std::tuple<std::wstring, DWORD, std::vector<BYTE>>>;
using Tree = std::map<std::wstring, Values>;

// A listed key that does not open (a link to a missing key) holds nothing to compare.
void Walk(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& relative, Tree& tree) {
  HKEY key = nullptr;
  LONG opened = win::RegOpenKeyEx(root, path.c_str(), 0, KEY_READ | view, &key);
  if (opened == ERROR_FILE_NOT_FOUND && !relative.empty()) return;
  ASSERT_EQ(opened, ERROR_SUCCESS) << mx::WideToUtf8(path);
  Values& values = tree[relative];
  static std::vector<wchar_t> name(16384);
  static std::vector<BYTE> data(1 << 20);
  for (DWORD i = 0;; ++i) {
    DWORD cch = static_cast<DWORD>(name.size()), type = 0, cb = static_cast<DWORD>(data.size());
    LONG rc = win::RegEnumValue(key, i, name.data(), &cch, nullptr, &type, data.data(), &cb);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    values.emplace_back(std::wstring(name.data(), cch), type, std::vector<BYTE>(data.begin(), data.begin() + cb));
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    DWORD cch = static_cast<DWORD>(name.size());
    LONG rc = win::RegEnumKeyEx(key, i, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    children.emplace_back(name.data(), cch);
  }
  win::RegCloseKey(key);
  for (const auto& child : children) Walk(root, path + L"\\" + child, view, relative + L"\\" + child, tree);
}

Tree Read(HKEY root, const std::wstring& path, REGSAM view) {
  Tree tree;
  Walk(root, path, view, L"", tree);
  return tree;
}

std::string FirstDifference(const Tree& a, const Tree& b) {
  for (const auto& [key, values] : a) {
    auto it = b.find(key);
    if (it == b.end()) return "only in the first: " + mx::WideToUtf8(key);
    if (it->second != values) return "values differ: " + mx::WideToUtf8(key);
  }
  for (const auto& [key, values] : b)
    if (!a.count(key)) return "only in the second: " + mx::WideToUtf8(key);
  return {};
}

std::wstring Export(HKEY root, const std::wstring& path, REGSAM view = KEY_WOW64_64KEY) {
  mx::RegFileWriter writer;
  std::string error = mx::ExportRegKey(writer, root, path, view);
  EXPECT_EQ(error, "");
  return writer.text();
}

// Text the exporter writes back unchanged once imported: every value type and an empty key (values in the
// order the registry keeps them).
TEST(RegImportExport, ImportedKeysExportAsTheSameText) {
  TestPrefix prefix(Arch::Win64);
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n"
      L"\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Qzx]\r\n"
      L"@=\"C:\\\\Qzx \\\"Pro\\\"\"\r\n"
      L"\"@\"=\"at sign\"\r\n"
      L"\"Big\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      L"\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      L"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
      L"  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
      L"\"Count\"=dword:000000ff\r\n"
      L"\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      L"\"Nothing\"=hex(0):\r\n"
      L"\"Path\"=hex(2):25,00,54,00,25,00,00,00\r\n"
      L"\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Qzx\\Empty]\r\n"
      L"\r\n";
  prefix.import(text);
  EXPECT_EQ(Export(HKEY_CURRENT_USER, L"Software\\Qzx"), text);
}

TEST(RegImportExport, AppliesDeletionsAndWritesTheCallersView) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx\Old\Deep]
"x"="1"
[HKEY_LOCAL_MACHINE\Software\Qzx]
"keep"="yes"
"drop"="no"
)");
  prefix.import(LR"(
[-HKEY_LOCAL_MACHINE\Software\Qzx\Old]
[-HKEY_LOCAL_MACHINE\Software\Qzx\NeverWas]
[HKEY_LOCAL_MACHINE\Software\Qzx]
"drop"=-
"alsoNeverWas"=-
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"bits"="32"
)");
  EXPECT_EQ(Export(HKEY_LOCAL_MACHINE, L"Software\\Qzx"),
            L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"keep\"=\"yes\"\r\n\r\n");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Qzx", L"bits"), L"32");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"bits", KEY_WOW64_32KEY), L"32");
}

TEST(RegImportExport, FailedImportChangesNothing) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Locked]
"v"="before"
[HKEY_CURRENT_USER\Software\Qzx]
"v"="before"
)");
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_LOCAL_MACHINE, L"Software\\Locked", KEY_WOW64_64KEY, mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  auto parsed = mx::ParseRegText(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"v"="after"
[-HKEY_CURRENT_USER\Software\Other]
[HKEY_LOCAL_MACHINE\Software\Locked]
"v"="after"
)",
                                 {.headerOptional = true});
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  std::string error = mx::ApplyRegScript(parsed.script, KEY_WOW64_64KEY);
  EXPECT_NE(error.find("line 5"), std::string::npos) << error;
  EXPECT_NE(error.find("HKEY_LOCAL_MACHINE\\Software\\Locked"), std::string::npos) << error;
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v"), L"before");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Locked", L"v"), L"before");
}

TEST(RegImportExport, MissingKeyIsAnExportError) {
  TestPrefix prefix(Arch::Win64);
  mx::RegFileWriter writer;
  std::string error = mx::ExportRegKey(writer, HKEY_LOCAL_MACHINE, L"Software\\NoSuchKey", KEY_WOW64_64KEY);
  EXPECT_EQ(error, "cannot open HKEY_LOCAL_MACHINE\\Software\\NoSuchKey: not found (2)");
}

TEST(RegImportExport, LinkBackToAnAncestorEndsTheExportWithAnError) {
  TestPrefix prefix(Arch::Win64);
  std::string hex;
  for (char c : std::string("\\Registry\\Machine\\Software")) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "%s%02x,00", hex.empty() ? "" : ",", static_cast<unsigned char>(c));
    hex += byte;
  }
  ASSERT_TRUE(mx::WriteFileAtomic(prefix.root() / "system.reg",
                                  "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
                                  "[Software\\\\Loop] 1796903972\n#time=1dd889deac71146\n#link\n"
                                  "\"SymbolicLinkValue\"=hex(6):" + hex + "\n"));
  mx::reg::ResetRegistry();
  mx::RegFileWriter writer;
  std::string error = mx::ExportRegKey(writer, HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY);
  EXPECT_EQ(error.rfind("keys nested too deeply or too many (a link loop?)", 0), 0u) << error.substr(0, 200);
}

// The sample registry's software tree survives an export and an import into an empty prefix, in both views.
TEST(RegImportExport, SampleSoftwareTreeRoundTripsInBothViews) {
  Tree original64, original32;
  std::wstring text;
  {
    TestPrefix fixture = TestPrefix::FromFixture();
    original64 = Read(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY);
    original32 = Read(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY);
    text = Export(HKEY_LOCAL_MACHINE, L"Software");
  }
  ASSERT_GT(original64.size(), 10000u);
  TestPrefix empty(Arch::Win64);
  empty.import(text);
  Tree copy64 = Read(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY);
  Tree copy32 = Read(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY);
  EXPECT_EQ(FirstDifference(original64, copy64), "");
  EXPECT_EQ(FirstDifference(original32, copy32), "");
}

}  // namespace
