#include "scan/categories/UserAssSpy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kCountA = std::wstring(L"HKEY_CURRENT_USER\\") + kUserAssistCountKeyA;
const std::wstring kCountB = std::wstring(L"HKEY_CURRENT_USER\\") + kUserAssistCountKeyB;
const std::wstring kSettings = std::wstring(L"HKEY_CURRENT_USER\\") + kUserAssistSettingsKey;

}  // namespace

TEST(UserAssSpy, Rot13MapsLettersOnlyAndIsItsOwnInverse) {
  std::wstring text = L"HRZR_EHACVQY:%pfvqy2%\\DmkFhvgr\\Dmk Byq.yax \u00e9";
  Rot13InPlace(text);
  EXPECT_EQ(text, L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Old.lnk \u00e9");
  Rot13InPlace(text);
  EXPECT_EQ(text, L"HRZR_EHACVQY:%pfvqy2%\\DmkFhvgr\\Dmk Byq.yax \u00e9");
  std::wstring edges = L"azAZmnMN09";
  Rot13InPlace(edges);
  EXPECT_EQ(edges, L"nmNMzaZA09");
}

TEST(UserAssSpy, NamesAreEncodedUnlessNoEncryptIsANonZeroDword) {
  struct Case {
    const wchar_t* value;  // .reg data of NoEncrypt, or nullptr for no value
    bool encoded;
    const char* why;
  };
  const Case kCases[] = {
      {nullptr, true, "no value"},
      {L"dword:00000001", false, "plain names"},
      {L"dword:00000000", true, "zero"},
      {L"hex:01", true, "a single byte decides nothing"},
      {L"hex:01,00,00,00", true, "not a DWORD"},
      {L"\"1\"", true, "a string"},
  };
  for (const Case& c : kCases) {
    TestPrefix prefix(Arch::Win64);
    if (c.value) prefix.import(L"[" + kSettings + L"]\n\"NoEncrypt\"=" + c.value + L"\n");
    EXPECT_EQ(IsUserAssistEncoded(), c.encoded) << c.why;
  }
}

TEST(UserAssSpy, CollectsTheEntriesOfBothKeysThatBeginWithThePrefix) {
  TestPrefix prefix(Arch::Win64);
  const std::wstring longName(512, L'q');  // over 511 characters: not enumerated
  std::wstring bigData = L"hex:";
  for (int i = 0; i < 2046; ++i) bigData += L"00,";
  bigData.pop_back();
  prefix.import(L"[" + kCountA + LR"(]
"HRZR_EHACVQY:%pfvqy2%\\DmkFhvgr\\Dmk Byq.yax"=hex:01,00,00,00
"HRZR_EHACNGU:P:\\Dmk\\n.rkr"=hex:01
"KHRZR_EHACVQY:yngre"=hex:01
"HRZR_EHACVQY:ovt"=)" + bigData + LR"(
")" + longName + LR"("=hex:01
[)" + kCountB + LR"(]
"HRZR_EHACVQY:%pfvqy2%\\Dmk.yax"=dword:00000001
)");
  std::vector<ValuePair> listA{{L"stale", L"stale"}};
  std::vector<ValuePair> listB;
  CollectUserAssistEntries(L"UEME_RUNPIDL:", listA, listB);
  EXPECT_EQ(listA, (std::vector<ValuePair>{
                       {L"HRZR_EHACVQY:%pfvqy2%\\DmkFhvgr\\Dmk Byq.yax", L"UEME_RUNPIDL:%csidl2%\\QzxSuite\\Qzx Old.lnk"}}));
  EXPECT_EQ(listB, (std::vector<ValuePair>{{L"HRZR_EHACVQY:%pfvqy2%\\Dmk.yax", L"UEME_RUNPIDL:%csidl2%\\Qzx.lnk"}}));

  CUserAssSpy spy;
  spy.ReadKey(kUserAssistCountKeyA, spy.m_arrFirst);
  EXPECT_EQ(spy.m_arrFirst.size(), 3u) << "the long name and the large data are left out";

  // Told not to encode, the shell stores plain names: they are taken as stored.
  prefix.import(L"[" + kSettings + L"]\n\"NoEncrypt\"=dword:00000001\n[" + kCountB +
                L"]\n\"UEME_RUNPIDL:%csidl2%\\\\Plain.lnk\"=hex:01\n");
  CollectUserAssistEntries(L"UEME_RUNPIDL:", listA, listB);
  EXPECT_TRUE(listA.empty());
  EXPECT_EQ(listB, (std::vector<ValuePair>{{L"UEME_RUNPIDL:%csidl2%\\Plain.lnk", L"UEME_RUNPIDL:%csidl2%\\Plain.lnk"}}));
}
