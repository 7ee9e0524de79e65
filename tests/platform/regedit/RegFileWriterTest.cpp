#include "platform/regedit/RegFileWriter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegTestData.h"
#include "platform/registry/Registry.h"
#include "support/TestPaths.h"

namespace {

using regtest::Utf16;

std::vector<BYTE> Sequence(size_t n) {
  std::vector<BYTE> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i);
  return v;
}

TEST(RegFileWriter, WritesEveryTypeAsTheEditorExportsIt) {
  mx::RegFileWriter w;
  w.addKey(L"HKEY_CURRENT_USER\\Software\\Qzx");
  w.addValue(L"", REG_SZ, Utf16(std::wstring(L"C:\\Qzx \"Pro\"") + L'\0'));
  w.addValue(L"say \"hi\"\\", REG_SZ, Utf16(std::wstring(L"") + L'\0'));
  w.addValue(L"@", REG_SZ, Utf16(std::wstring(L"at") + L'\0'));
  w.addValue(L"Count", REG_DWORD, std::vector<BYTE>{0xff, 0, 0, 0});
  w.addValue(L"Big", REG_QWORD, std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8});
  w.addValue(L"Nothing", REG_NONE, {});
  w.addValue(L"List", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0\0", 5)));
  w.addValue(L"Path", REG_EXPAND_SZ, Utf16(std::wstring(L"%T%\0", 4)));
  w.addValue(L"Blob", REG_BINARY, Sequence(60));
  w.addKey(L"HKEY_CURRENT_USER\\Software\\Qzx\\Empty");
  const std::wstring expected =
      L"Windows Registry Editor Version 5.00\r\n"
      L"\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Qzx]\r\n"
      L"@=\"C:\\\\Qzx \\\"Pro\\\"\"\r\n"
      L"\"say \\\"hi\\\"\\\\\"=\"\"\r\n"
      L"\"@\"=\"at\"\r\n"
      L"\"Count\"=dword:000000ff\r\n"
      L"\"Big\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      L"\"Nothing\"=hex(0):\r\n"
      L"\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      L"\"Path\"=hex(2):25,00,54,00,25,00,00,00\r\n"
      L"\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      L"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
      L"  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
      L"\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Qzx\\Empty]\r\n"
      L"\r\n";
  EXPECT_EQ(w.text(), expected);
  std::string bytes = w.fileBytes();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(mx::Utf16LeToWide(bytes.substr(2)), expected);
}

// Data the quoted or dword: forms would change on the way back in is kept byte for byte.
TEST(RegFileWriter, AFileHandedOnInPiecesIsTheFileHeldWhole) {
  auto fill = [](mx::RegFileWriter& w) {
    for (int k = 0; k < 3000; ++k) {
      w.addKey(L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Key" + std::to_wstring(k));
      w.addValue(L"Data", REG_BINARY, Sequence(200));
    }
  };
  mx::RegFileWriter whole, streamed;
  fill(whole);
  std::string pieces;
  int handed = 0;
  streamed.streamTo([&](std::string_view piece) {
    pieces += piece;
    ++handed;
  });
  fill(streamed);
  EXPECT_EQ(streamed.size(), whole.size());
  pieces += streamed.fileBytes();
  EXPECT_GT(handed, 1);
  EXPECT_EQ(pieces, whole.fileBytes());
  EXPECT_EQ(whole.fileBytes(), whole.fileBytes()) << "closing the last key happens once";
  EXPECT_EQ(whole.text(), mx::Utf16LeToWide(whole.fileBytes().substr(2)));
}

TEST(RegFileWriter, FallsBackToHexWhereShortFormsWouldLoseData) {
  struct Case {
    DWORD type;
    std::vector<BYTE> data;
    const wchar_t* line;
    const char* why;
  };
  const Case kCases[] = {
      {REG_SZ, {'a', 0}, L"\"v\"=hex(1):61,00", "no terminator"},
      {REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}, L"\"v\"=hex(1):61,00,00,00,62,00,00,00", "embedded NUL"},
      {REG_SZ, {'a', 0, '\n', 0, 0, 0}, L"\"v\"=hex(1):61,00,0a,00,00,00", "line break"},
      {REG_SZ, {'a', 0, 0}, L"\"v\"=hex(1):61,00,00", "odd size"},
      {REG_SZ, {}, L"\"v\"=hex(1):", "empty"},
      {REG_DWORD, {1, 2}, L"\"v\"=hex(4):01,02", "short dword"},
      {0xffff0011, {9}, L"\"v\"=hex(ffff0011):09", "device property type keeps all its bits"},
  };
  for (const auto& c : kCases) {
    mx::RegFileWriter w;
    w.addKey(L"HKEY_USERS\\.Default");
    w.addValue(L"v", c.type, c.data);
    EXPECT_NE(w.text().find(std::wstring(c.line) + L"\r\n"), std::wstring::npos) << c.why << "\n"
                                                                                 << mx::WideToUtf8(w.text());
  }
}

// The fixture's long link value, written by Wine, wraps at the same columns.
TEST(RegFileWriter, WrapsHexListsAtTheColumnsOfTheSampleRegistry) {
  std::string file;
  ASSERT_TRUE(mx::ReadWholeFile(mxtest::FixtureDir() / "system.reg", file));
  const std::string start = "\"SymbolicLinkValue\"=hex(6):5c,00,52,00";
  size_t begin = file.find(start);
  ASSERT_NE(begin, std::string::npos);
  size_t end = file.find('\n', begin);
  while (end != std::string::npos && file[end - 1] == '\\') end = file.find('\n', end + 1);
  std::string block = file.substr(begin, end - begin);
  std::vector<BYTE> bytes;
  for (size_t i = block.find(':') + 1; i + 1 < block.size(); ++i)
    if (std::isxdigit(static_cast<unsigned char>(block[i])) && std::isxdigit(static_cast<unsigned char>(block[i + 1]))) {
      bytes.push_back(static_cast<BYTE>(std::stoi(block.substr(i, 2), nullptr, 16)));
      ++i;
    }
  mx::RegFileWriter w;
  w.addKey(L"HKEY_LOCAL_MACHINE\\X");
  w.addValue(L"SymbolicLinkValue", REG_LINK, bytes);
  std::string lf;
  for (char c : mx::WideToUtf8(w.text()))
    if (c != '\r') lf.push_back(c);
  EXPECT_NE(lf.find(block + "\n"), std::string::npos) << lf;
}

}  // namespace
