#include "platform/regedit/RegFileParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/regedit/RegTestData.h"
#include "platform/regedit/RegFileWriter.h"

namespace {

using regtest::Utf16;
using regtest::Utf16File;

using mx::RegOperationKind;

TEST(RegFileParser, ReadsEveryFormInFileOrder) {
  auto r = mx::ParseRegFile(Utf16File(
      L"Windows Registry Editor Version 5.00\r\n"
      L"\r\n"
      L"; a comment\r\n"
      L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n"
      L"@=\"C:\\\\Qzx \\\"Pro\\\"\"\r\n"
      L"\"@ivt\"=dword:0000001F\r\n"
      L"  \"Spaced\" = dword:1\r\n"
      L"\"Blob\"=hex:00,ff,\\\r\n"
      L"  10,\\\n"
      L"  20\r\n"
      L"\"Big\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      L"\"None\"=hex(0):\r\n"
      L"\"Old\"=-\r\n"
      L"\r\n"
      L"[-hkey_current_user\\Software\\Gone]\r\n"
      L"[HKEY_CLASSES_ROOT\\.qzx\\]\r"
      L"[HKEY_USERS]\n"));
  ASSERT_TRUE(r.ok()) << r.error;
  struct Expect {
    RegOperationKind kind;
    HKEY root;
    std::wstring path, name;
    DWORD type;
    std::vector<BYTE> data;
    int line;
  };
  const std::wstring qzx = L"Software\\Qzx";
  const std::vector<Expect> expected = {
      {RegOperationKind::CreateKey, HKEY_LOCAL_MACHINE, qzx, L"", REG_NONE, {}, 4},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"", REG_SZ, Utf16(std::wstring(L"C:\\Qzx \"Pro\"") + L'\0'), 5},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"@ivt", REG_DWORD, {0x1f, 0, 0, 0}, 6},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"Spaced", REG_DWORD, {1, 0, 0, 0}, 7},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"Blob", REG_BINARY, {0, 0xff, 0x10, 0x20}, 8},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"Big", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, 11},
      {RegOperationKind::SetValue, HKEY_LOCAL_MACHINE, qzx, L"None", REG_NONE, {}, 12},
      {RegOperationKind::DeleteValue, HKEY_LOCAL_MACHINE, qzx, L"Old", REG_NONE, {}, 13},
      {RegOperationKind::DeleteKey, HKEY_CURRENT_USER, L"Software\\Gone", L"", REG_NONE, {}, 15},
      {RegOperationKind::CreateKey, HKEY_CLASSES_ROOT, L".qzx", L"", REG_NONE, {}, 16},
      {RegOperationKind::CreateKey, HKEY_USERS, L"", L"", REG_NONE, {}, 17},
  };
  ASSERT_EQ(r.script.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto& op = r.script[i];
    const auto& e = expected[i];
    SCOPED_TRACE("operation " + std::to_string(i));
    EXPECT_EQ(op.kind, e.kind);
    EXPECT_EQ(op.root, e.root);
    EXPECT_EQ(op.path, e.path);
    EXPECT_EQ(op.valueName, e.name);
    if (op.kind == RegOperationKind::SetValue) {
      EXPECT_EQ(op.type, e.type);
      EXPECT_EQ(op.data, e.data);
    }
    EXPECT_EQ(op.line, e.line);
  }
}

TEST(RegFileParser, ReadsRegedit4AsAnsiWithSingleByteStrings) {
  // 0xE9 is e-acute and 0x80 the euro sign in the western ANSI code page.
  auto r = mx::ParseRegFile(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\xE9]\r\n\"Price\"=\"5\x80\"\r\n"
      "\"Path\"=hex(2):25,54,25,00\r\n\"List\"=hex(7):61,00,62,00,00\r\n\"Raw\"=hex:61,00\r\n");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.script.size(), 5u);
  EXPECT_EQ(r.script[0].path, L"Software\\Caf\u00e9");
  EXPECT_EQ(r.script[1].data, Utf16(std::wstring(L"5\u20ac") + L'\0'));
  EXPECT_EQ(r.script[2].data, Utf16(std::wstring(L"%T%\0", 4)));
  EXPECT_EQ(r.script[3].data, Utf16(std::wstring(L"a\0b\0\0", 5)));
  EXPECT_EQ(r.script[4].data, (std::vector<BYTE>{0x61, 0}));
}

TEST(RegFileParser, ReadsWhatTheWriterWrites) {
  mx::RegFileWriter w;
  w.addKey(L"HKEY_LOCAL_MACHINE\\Software\\\u00c9t\u00e9 \u2603");
  std::vector<BYTE> blob(1000);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<BYTE>(i * 7);
  const std::vector<std::pair<std::wstring, std::pair<DWORD, std::vector<BYTE>>>> values = {
      {L"", {REG_SZ, Utf16(std::wstring(L"q\"\\\u00e9") + L'\0')}},
      {L"@", {REG_SZ, Utf16(std::wstring(L"x") + L'\0')}},
      {L"a\"b\\c", {REG_DWORD, {1, 2, 3, 4}}},
      {std::wstring(120, L'n'), {REG_BINARY, blob}},
      {L"odd", {REG_SZ, {'a', 0, 'b'}}},
      {L"dev", {0xffff0012, {1, 2}}},
  };
  for (const auto& [name, value] : values) w.addValue(name, value.first, value.second);
  auto r = mx::ParseRegFile(w.fileBytes());
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.script.size(), values.size() + 1);
  EXPECT_EQ(r.script[0].path, L"Software\\\u00c9t\u00e9 \u2603");
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(r.script[i + 1].valueName, values[i].first);
    EXPECT_EQ(r.script[i + 1].type, values[i].second.first) << i;
    EXPECT_EQ(r.script[i + 1].data, values[i].second.second) << i;
  }
}

TEST(RegFileParser, RejectsBadInputNamingTheLine) {
  struct Case {
    std::string text;
    const char* error;
  };
  const std::string h = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n";
  const Case kCases[] = {
      {"", "line 1: empty file"},
      {"Windows Registry Editor Version 4.00\r\n", "line 1: not a registry file"},
      {"\xFF\xFEW\0i", "line 1: UTF-16 text with an odd number"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\K]\r\n", "line 2: unknown root key \"HKEY_NOWHERE\""},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\K\r\n", "line 2: key line without closing"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\a\\\\b]\r\n", "line 2: empty key name"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\r\n", "line 2: key name longer than 255"},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", "line 2: a root key cannot be deleted"},
      {"REGEDIT4\r\n\"a\"=\"b\"\r\n", "line 2: value before the first key"},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER\\K]\r\n\"a\"=\"b\"\r\n", "line 3: value under a key that is being deleted"},
      {h + "\"a\"=\"b\\n\"\r\n", "line 3: bad escape \"\\n\" in string"},
      {h + "\"a\"=\"b\r\n", "line 3: unterminated string"},
      {h + "\"a=\"b\"\r\n", "line 3: expected \"=\""},
      {h + "\"a\\\"=1\r\n", "line 3: unterminated value name"},
      {h + "\"a\"=\"b\" junk\r\n", "line 3: text after the closing quote"},
      {h + "\"a\"=dword:123456789\r\n", "line 3: dword: needs"},
      {h + "\"a\"=dword:xyz\r\n", "line 3: dword: needs"},
      {h + "\"a\"=hex:01,0g\r\n", "line 3: bad hex byte \"0g\""},
      {h + "\"a\"=hex:01,,02\r\n", "line 3: bad hex byte \"\""},
      {h + "\"a\"=hex:100\r\n", "line 3: bad hex byte \"100\""},
      {h + "\"a\"=hex(1ffffffff):00\r\n", "line 3: hex(N): needs"},
      {h + "\"a\"=hex(2:00\r\n", "line 3: hex( without closing"},
      {h + "\"a\"=hex;00\r\n", "line 3: expected \":\" after hex"},
      {h + "\"a\"=hex:01,\\\r\n", "line 3: hex data continues past the end"},
      {h + "\"a\"=hex:01\\\r\n  02\r\n", "line 3: missing comma"},
      {h + "\"a\"=str(2):\"x\"\r\n", "line 3: unrecognised value data"},
      {h + "\"a\"=\r\n", "line 3: unrecognised value data"},
      {h + "garbage\r\n", "line 3: not a key, value or comment"},
      {h + "\"" + std::string(16384, 'v') + "\"=\"x\"\r\n", "line 3: value name longer than 16383"},
  };
  for (const auto& c : kCases) {
    auto r = mx::ParseRegFile(c.text);
    EXPECT_FALSE(r.ok()) << c.error;
    EXPECT_TRUE(r.script.empty()) << c.error;
    EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << "got: " << r.error << "\nwanted: " << c.error;
  }
}

TEST(RegFileParser, BoundsHexDataOfAHostileFile) {
  std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=hex:";
  std::string line = "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,\\\r\n";
  for (int i = 0; i < (4 * 1024 * 1024) / 24 + 1; ++i) text += line;
  text += "00\r\n";
  auto r = mx::ParseRegFile(text);
  EXPECT_EQ(r.error.rfind("line 3: value data larger than 4194304 bytes", 0), 0u) << r.error;
}

TEST(RegFileParser, HeaderIsOptionalOnlyWhenAsked) {
  const std::wstring body = L"\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\n\"a\"=\"b\"\n";
  EXPECT_FALSE(mx::ParseRegText(body).ok());
  auto r = mx::ParseRegText(body, {.headerOptional = true});
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.script.size(), 2u);
  EXPECT_EQ(r.script[1].line, 3);
}

}  // namespace
