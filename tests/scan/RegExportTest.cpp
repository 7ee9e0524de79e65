#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "scan/RegExport.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

std::vector<BYTE> Utf16z(const std::wstring& text) {
  const std::string bytes = mx::WideToUtf16Le(text) + std::string(2, '\0');
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

TEST(RegExport, ValueLinesKeepTheDataExact) {
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
    const wchar_t* line;
  };
  const Case kCases[] = {
      {L"", REG_SZ, Utf16z(L"C:\\Qzx\\\"a\".exe"), L"@=\"C:\\\\Qzx\\\\\\\"a\\\".exe\"\r\n"},
      {L"@", REG_SZ, Utf16z(L"x"), L"\"@\"=\"x\"\r\n"},
      {L"a\\\"b", REG_SZ, Utf16z(L""), L"\"a\\\\\\\"b\"=\"\"\r\n"},
      {L"D", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}), L"\"D\"=dword:12345678\r\n"},
      {L"D", REG_DWORD, Bytes({0xff, 0, 0, 0}), L"\"D\"=dword:000000ff\r\n"},
      {L"D", REG_DWORD, Bytes({1, 2}), L"\"D\"=hex(4):01,02\r\n"},
      {L"B", REG_BINARY, {}, L"\"B\"=hex:\r\n"},
      {L"Q", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0x80}), L"\"Q\"=hex(b):01,00,00,00,00,00,00,80\r\n"},
      {L"N", REG_NONE, {}, L"\"N\"=hex(0):\r\n"},
      {L"T", 0x21, Bytes({0xab}), L"\"T\"=hex(21):ab\r\n"},
      {L"S", REG_SZ, Utf16z(L"a\r\nb"), L"\"S\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
      {L"S", REG_SZ, Bytes({0x61, 0}), L"\"S\"=hex(1):61,00\r\n"},
      {L"S", REG_SZ, Bytes({0x61, 0, 0}), L"\"S\"=hex(1):61,00,00\r\n"},
      {L"E", REG_EXPAND_SZ, Utf16z(L"%a%"), L"\"E\"=hex(2):25,00,61,00,25,00,00,00\r\n"},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(CRegExport::FormatValue(c.name, c.type, c.data.data(), static_cast<DWORD>(c.data.size())), c.line)
        << mx::WideToUtf8(c.line);
  EXPECT_EQ(CRegExport::FormatValue(L"a\nb", REG_SZ, Utf16z(L"x").data(), 4), L"") << "a name the editor cannot read";
}

TEST(RegExport, LongBinaryLinesContinueAtTheEditorsWidth) {
  std::vector<BYTE> data(60);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i);
  const std::wstring line = CRegExport::FormatBinaryValue(L"A", data.data(), 60, REG_BINARY);
  std::vector<std::wstring> rows;
  for (size_t start = 0;;) {
    const size_t end = line.find(L"\r\n", start);
    if (end == std::wstring::npos) break;
    rows.push_back(line.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].size(), 78u);  // 77 characters, then the backslash: 23 bytes
  EXPECT_EQ(rows[0].substr(0, 11), L"\"A\"=hex:00,");
  EXPECT_EQ(rows[0].back(), L'\\');
  EXPECT_EQ(rows[1], L"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\");
  EXPECT_EQ(rows[2], L"  2f,30,31,32,33,34,35,36,37,38,39,3a,3b");
}

TEST(RegExport, KeyTreeGoldenTextAndFile) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
@="top"
"Size"=dword:00000010
[HKEY_LOCAL_MACHINE\Software\Qzx\Child]
"Data"=hex:01,02
)");
  CRegExport exporter;
  EXPECT_EQ(exporter.ExportKey(HKEY_LOCAL_MACHINE, L"Software\\Qzx\\", 1), CaptureResult::Recorded);
  const std::wstring expected =
      L"Windows Registry Editor Version 5.00\r\n"
      L"\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n@=\"top\"\r\n\"Size\"=dword:00000010\r\n"
      L"\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx\\Child]\r\n\"Data\"=hex:01,02\r\n";
  EXPECT_EQ(exporter.GetText(), expected);

  const std::wstring file = L"C:\\out.reg";
  ASSERT_TRUE(exporter.SaveToFile(file));
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(file), bytes));
  EXPECT_EQ(bytes, std::string("\xFF\xFE", 2) + mx::WideToUtf16Le(expected));

  CRegExport empty;
  ASSERT_TRUE(empty.SaveToFile(file));
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(file), bytes));
  EXPECT_EQ(bytes, std::string("\xFF\xFE", 2) + mx::WideToUtf16Le(L"Windows Registry Editor Version 5.00\r\n"));
}

TEST(RegExport, CapturesOnlyTheFirstStateAndRecordsWhatWasAbsent) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"A"="one"
)");
  CRegExport exporter;
  EXPECT_EQ(exporter.ExportValue(HKEY_CURRENT_USER, L"Software\\Qzx", L"A", 1), CaptureResult::Recorded);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"A"="two"
)");
  EXPECT_EQ(exporter.ExportValue(HKEY_CURRENT_USER, L"Software\\Qzx", L"A", 1), CaptureResult::Recorded);
  EXPECT_EQ(exporter.ExportKey(HKEY_CURRENT_USER, L"Software\\Qzx", 1), CaptureResult::Recorded);
  EXPECT_EQ(exporter.ExportValue(HKEY_CURRENT_USER, L"Software\\Qzx", L"New", 1), CaptureResult::Recorded);
  EXPECT_EQ(exporter.ExportValue(HKEY_CURRENT_USER, L"Software\\Gone\\Deeper", L"V", 1), CaptureResult::Recorded);
  EXPECT_EQ(exporter.ExportKey(HKEY_CURRENT_USER, L"Software\\Nothing", 1), CaptureResult::Absent);
  EXPECT_EQ(exporter.GetText(),
            L"Windows Registry Editor Version 5.00\r\n"
            L"\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"A\"=\"one\"\r\n"
            L"\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n"  // the key itself, without the value captured before
            L"\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"New\"=-\r\n"
            L"\r\n[-HKEY_CURRENT_USER\\Software\\Gone]\r\n");
}

TEST(RegExport, RefusesWhatItCannotCaptureCompletely) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"A"="x"
[HKEY_LOCAL_MACHINE\Software\Qzx\Wow6432Node\Inner]
"B"="y"
[HKEY_CURRENT_CONFIG\Software\Qzx]
"C"="z"
[HKEY_LOCAL_MACHINE\Software\Big]
)");
  HKEY big = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Big", 0, KEY_WRITE | KEY_WOW64_64KEY, &big), 0);
  std::vector<BYTE> huge(CRegExport::kDataBufferSize + 1, 7);
  ASSERT_EQ(win::RegSetValueEx(big, L"Huge", 0, REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())), 0);
  win::RegCloseKey(big);

  CRegExport exporter;
  EXPECT_EQ(exporter.ExportKey(HKEY_LOCAL_MACHINE, L"Software\\Qzx", 1), CaptureResult::Failed) << "Wow6432Node inside";
  EXPECT_EQ(exporter.ExportKey(HKEY_LOCAL_MACHINE, L"Software\\Qzx\\Wow6432Node\\Inner", 1), CaptureResult::Failed);
  EXPECT_EQ(exporter.ExportValue(HKEY_CURRENT_CONFIG, L"Software\\Qzx", L"C", 1), CaptureResult::Failed);
  EXPECT_EQ(exporter.ExportKey(HKEY_LOCAL_MACHINE, L"Software\\Big", 1), CaptureResult::Failed) << "too large";
  EXPECT_EQ(exporter.ExportValue(HKEY_LOCAL_MACHINE, L"Software\\Big", L"Huge", 1), CaptureResult::Failed);
  EXPECT_EQ(exporter.ExportKey(HKEY_LOCAL_MACHINE, L"", 1), CaptureResult::Failed);
  EXPECT_EQ(exporter.GetText(), L"Windows Registry Editor Version 5.00\r\n") << "a failed capture adds nothing";
}

}  // namespace
