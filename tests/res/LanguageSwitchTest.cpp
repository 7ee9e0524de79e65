// Choosing a language stores its row and restarts the program; the restarted program must read every text
// from that row's file through the application's own reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/IniReader.h"
#include "app/LanguageTable.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "res/LanguageFileLoader.h"
#include "support/TestPrefix.h"

namespace {

// The program's folder is res/, where the language files are kept; the prefix holds the stored choice.
class LanguageSwitch : public ::testing::Test {
 protected:
  void SetUp() override { mx::SetProgramHostDir(std::filesystem::path(MX_SOURCE_DIR) / "res"); }
  void TearDown() override {
    Restart();
    mx::SetProgramHostDir({});
  }

  // What the language menu stores (row and code, for the machine and for the user) before it restarts.
  void Choose(int row) {
    wchar_t id[16];
    swprintf(id, 16, L"%08x", row);
    for (const wchar_t* root : {L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER"}) {
      prefix.import(std::wstring(L"[") + root + L"\\Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG]\n\"LangID\"=dword:" +
                    id + L"\n\"LangCode\"=\"" + LanguageTable[row].code + L"\"\n");
    }
  }
  // A new process: no reader set up yet and nothing cached.
  static void Restart() {
    ResetLanguageReader();
    ResetIniCache();
  }

  mxtest::TestPrefix prefix;
};

TEST_F(LanguageSwitch, RestartReadsEveryTextOfTheChosenLanguage) {
  for (int row : {5, 18, 0, 14, 19}) {
    Choose(row);
    Restart();
    const std::string file = mx::WideToUtf8(LanguageTable[row].iniFile);
    std::vector<std::string> faults;
    const langtest::IniFile ini = langtest::LoadStrict(file, faults);
    ASSERT_TRUE(faults.empty()) << file;
    EXPECT_EQ(GetLocalizedString(L"AFX_IDS_APP_TITLE"), L"Tarvolen Mendrix") << file;
    // Texts without escapes come back exactly as written; escaped ones are the reader's own business.
    int compared = 0;
    for (const auto& [section, keys] : ini) {
      for (const auto& [key, text] : keys) {
        if (text.find(L'\\') != std::wstring::npos) continue;
        EXPECT_EQ(mx::WideToUtf8(GetLocalizedString(key, section)), mx::WideToUtf8(text)) << file << " " << mx::WideToUtf8(key);
        ++compared;
      }
    }
    EXPECT_GT(compared, 400) << file;
  }
}

TEST_F(LanguageSwitch, EveryRowOfTheTableHasItsFile) {
  for (int row = 0; row < kLanguageCount; ++row) {
    Choose(row);
    Restart();
    EXPECT_EQ(GetLocalizedString(L"AFX_IDS_APP_TITLE"), L"Tarvolen Mendrix") << row;
    EXPECT_FALSE(GetLocalizedString(L"IDS_BTN_HOME").empty()) << mx::WideToUtf8(LanguageTable[row].iniFile);
  }
}

}  // namespace
