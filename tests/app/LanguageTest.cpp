// The language table, the INI reader with its cache, and the localized texts over the shipped English file.
#include <gtest/gtest.h>

#include <clocale>
#include <atomic>
#include <cstring>
#include <thread>

#include "app/CategoryTexts.h"
#include "app/IniReader.h"
#include "app/LanguageTable.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "support/TestPrefix.h"

namespace {

TEST(LanguageTable, RowsThatCarryStoredNamesAndOddities) {
  EXPECT_STREQ(LanguageTable[0].iniFile, L"eng_kvt.ini");
  EXPECT_STREQ(LanguageTable[0].locale, L"english");
  EXPECT_STREQ(LanguageTable[0].fontFace, L"Arial");
  EXPECT_EQ(LanguageTable[0].fontHeight, -12);
  EXPECT_EQ(LanguageTable[0].charset, 1);
  EXPECT_STREQ(LanguageTable[19].iniFile, L"Chinese_kvt.ini");
  EXPECT_STREQ(LanguageTable[19].locale, L"chinese-simplified");
  EXPECT_EQ(LanguageTable[19].charset, 136);
  EXPECT_STREQ(LanguageTable[13].iniFile, L"portugese_kvt_pt.ini");
  EXPECT_STREQ(LanguageTable[9].iniFile, L"Portuguese_kvt.ini");
  EXPECT_STREQ(LanguageTable[9].locale, LanguageTable[13].locale);
  EXPECT_STREQ(LanguageTable[18].code, L"ko");
  EXPECT_EQ(kFirstLanguageCommand + 18, 1039);
  const char* codes[] = {"en", "zhtw", "da", "nl", "fr", "de", "it", "ja", "no", "ptbr",
                         "es", "sv", "fi", "pt", "ru", "el", "tr", "pl", "ko", "zhcn"};
  for (int i = 0; i < kLanguageCount; ++i) EXPECT_EQ(mx::WideToUtf8(LanguageTable[i].code), codes[i]);
}

TEST(LanguageTable, EveryLocaleSetsSomethingAndNeverFails) {
  for (int i = -1; i <= kLanguageCount; ++i) {
    const char* set = ApplyLanguageLocale(i);
    ASSERT_NE(set, nullptr) << i;
  }
  std::setlocale(LC_ALL, "C");
}

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetIniCache(); }
  void TearDown() override { ResetIniCache(); }
  std::wstring Write(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = std::wstring(L"C:\\lang\\") + name;
    prefix.createFile(path, bytes);
    return path;
  }
  mxtest::TestPrefix prefix;
};

TEST_F(IniTest, EscapesQuotesAndTrimAsTheLookupDefines) {
  const std::wstring path = Write(L"a.ini",
                                  "[RESOURCESTRING]\r\n"
                                  "LINES=one\\ntwo\r\n"
                                  "TAB=a\\tb\r\n"
                                  "BACK=a\\\\b\r\n"
                                  "TRAILING=text\\n\r\n"
                                  "ORDER=a\\\\n\r\n"
                                  "QUOTED=\"  lead\r\n"
                                  "BOTH=\"kept inside\"\r\n"
                                  "ENDQUOTE=end\"\r\n"
                                  "; comment=x\r\n");
  const CIniReader reader(path);
  struct Case {
    const wchar_t* key;
    const wchar_t* value;
  };
  const Case kCases[] = {
      {L"LINES", L"one\ntwo"}, {L"TAB", L"a\tb"},     {L"BACK", L"a\\b"},
      {L"TRAILING", L"text"},  {L"ORDER", L"a\\"},    {L"QUOTED", L"lead"},
      {L"BOTH", L"kept inside"}, {L"ENDQUOTE", L"end\""}, {L"lines", L"one\ntwo"},
      {L"; comment", L""},     {L"MISSING", L""},
  };
  for (const auto& c : kCases) EXPECT_EQ(reader.GetValue(L"resourcestring", c.key), c.value) << mx::WideToUtf8(c.key);
  EXPECT_EQ(CIniReader(L"C:\\lang\\none.ini").GetValue(L"RESOURCESTRING", L"LINES"), L"");
}

TEST_F(IniTest, ReadsUtf16WithMarkAndUtf8) {
  const std::wstring text = L"[S]\r\nK=\u00e9t\u00e9 \u4e2d\r\n";
  const std::wstring utf16 = Write(L"u16.ini", "\xFF\xFE" + mx::WideToUtf16Le(text));
  const std::wstring utf8 = Write(L"u8.ini", mx::WideToUtf8(text));
  EXPECT_EQ(CIniReader(utf16).GetValue(L"S", L"K"), L"\u00e9t\u00e9 \u4e2d");
  EXPECT_EQ(CIniReader(utf8).GetValue(L"S", L"K"), L"\u00e9t\u00e9 \u4e2d");
}

TEST_F(IniTest, CacheKeepsLanguageTextsButNeverServesAnotherFileOrSection) {
  const std::wstring first = Write(L"first.ini", "[A]\nK=first\n[B]\nK=second section\n");
  const std::wstring other = Write(L"other.ini", "[A]\nK=other file\nGONE=\n");
  const CIniReader reader(first);
  EXPECT_EQ(reader.GetValue(L"A", L"K"), L"first");
  EXPECT_EQ(reader.GetValue(L"B", L"K"), L"second section");
  EXPECT_EQ(CIniReader(other).GetValue(L"A", L"K"), L"other file");

  // A cached text is served without reading the file again.
  Write(L"first.ini", "[A]\nK=changed\n");
  EXPECT_EQ(reader.GetValue(L"A", L"K"), L"first");
  std::wstring cached;
  EXPECT_TRUE(reader.LookupCache(L"a", L"K", cached));
  EXPECT_EQ(cached, L"first");

  // An empty value is looked up again, so a text added later is found.
  EXPECT_EQ(CIniReader(other).GetValue(L"A", L"GONE"), L"");
  Write(L"other.ini", "[A]\nGONE=now here\n");
  EXPECT_EQ(CIniReader(other).GetValue(L"A", L"GONE"), L"now here");

  // A reader without the cache (the update description) always sees the file as it is.
  const std::wstring update = Write(L"update.ini", "[Application]\nPROGRAM_VERSION=1.0\n");
  EXPECT_EQ(CIniReader(update, false).GetValue(L"Application", L"PROGRAM_VERSION"), L"1.0");
  Write(L"update.ini", "[Application]\nPROGRAM_VERSION=2.0\n");
  EXPECT_EQ(CIniReader(update, false).GetValue(L"Application", L"PROGRAM_VERSION"), L"2.0");
}

class ShippedLanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  }
  void TearDown() override {
    ResetLanguageReader();
    ResetIniCache();
  }
  mxtest::TestPrefix prefix;
};

TEST_F(ShippedLanguageTest, LooksUpTextsOfTheEnglishFile) {
  EXPECT_EQ(GetLocalizedString(L"AFX_IDS_APP_TITLE"), L"Tarvolen Mendrix");
  EXPECT_EQ(GetLocalizedString(L"AFX_IDS_APP_TITLE", kResourceSection), L"Tarvolen Mendrix");
  EXPECT_EQ(GetLocalizedString(L"IDS_NO_SUCH_KEY_ANYWHERE"), L"");
  win::ScopedAnswers answers;
  EXPECT_EQ(GetLocalizedString(L"", {}, L"fallback"), L"fallback");
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.texts()[0], L"Fail to Read from dependent file. This application will close now! ");
  std::vector<std::wstring> keys{L"IDS_FONTS", L"IDS_NO_SUCH_KEY_ANYWHERE", L"AFX_IDS_APP_TITLE"};
  EXPECT_EQ(GetLocalizedStrings(keys), 3);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"Fonts", L"", L"Tarvolen Mendrix"}));
  EXPECT_EQ(GetAppTitle(), L"Tarvolen Mendrix");
}

TEST_F(ShippedLanguageTest, CategoryAndProblemTextsAreAllThere) {
  LoadCategoryStrings();
  ASSERT_EQ(g_arrCategoryNames.size(), 14u);
  ASSERT_EQ(g_arrCategoryShortDescriptions.size(), 14u);
  ASSERT_EQ(g_arrProblemDetails.size(), 44u);
  ASSERT_EQ(g_arrProblemDescriptions.size(), 44u);
  EXPECT_EQ(g_arrCategoryNames[3], L"Fonts");
  for (const auto* array : {&g_arrCategoryNames, &g_arrCategoryShortDescriptions, &g_arrProblemDetails,
                            &g_arrProblemDescriptions})
    for (size_t i = 0; i < array->size(); ++i) EXPECT_FALSE((*array)[i].empty()) << i;
}

TEST_F(ShippedLanguageTest, AMissingProblemTextLeavesOnlyItsEntryEmpty) {
  std::string bytes = "[RESOURCESTRING]\n";
  for (int i = 1; i <= 44; ++i)
    if (i != 7) bytes += "IDS_PROBLEM_DESC_" + std::to_string(i) + "=d" + std::to_string(i) + "\n";
  prefix.createFile(L"C:\\lang\\partial.ini", bytes);
  ResetIniCache();
  InitLanguageReader(L"C:\\lang\\partial.ini");
  LoadCategoryStrings();
  ASSERT_EQ(g_arrProblemDescriptions.size(), 44u);
  EXPECT_EQ(g_arrProblemDescriptions[6], L"");
  EXPECT_EQ(g_arrProblemDescriptions[5], L"d6");
  EXPECT_EQ(g_arrProblemDescriptions[43], L"d44");
}

TEST_F(ShippedLanguageTest, WorkersAndTheUpdateReaderLookUpAtTheSameTime) {
  prefix.createFile(L"C:\\lang\\update.ini", "[Application]\nPROGRAM_VERSION=2.1\n");
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i)
        if (GetLocalizedString(i % 2 ? L"IDS_FONTS" : L"AFX_IDS_APP_TITLE").empty()) ++wrong;
    });
  threads.emplace_back([&] {
    for (int i = 0; i < 100; ++i)
      if (CIniReader(L"C:\\lang\\update.ini", false).GetValue(L"Application", L"PROGRAM_VERSION") != L"2.1") ++wrong;
  });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
