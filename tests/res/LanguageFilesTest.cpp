// The twenty language files shipped in res/: each must be readable, hold every text the English file
// holds, and keep the placeholders that the program fills in, in the same order.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "res/LanguageFileLoader.h"

namespace {

namespace fs = std::filesystem;
using langtest::IniFile;
using langtest::LoadStrict;
using langtest::Section;

// File names exactly as the language table spells them; the table index is a stored setting, so the
// order matters too (English first).
const char* const kLanguageFiles[] = {
    "eng_kvt.ini",        "traditionalcn_kvt_zh-tw.ini", "Danish_kvt.ini",       "Dutch_kvt.ini",
    "French_kvt.ini",     "German_kvt.ini",              "Italian_kvt.ini",      "Japanese_kvt.ini",
    "Norwegian_kvt.ini",  "Portuguese_kvt.ini",          "spanish_kvt.ini",      "swedish_kvt.ini",
    "Finnish_kvt_fi.ini", "portugese_kvt_pt.ini",        "russian_kvt_ru.ini",   "greek_kvt_el.ini",
    "Turkish_kvt_tr.ini", "polish_kvt_pl.ini",           "korean_kvt_ko.ini",    "Chinese_kvt.ini"};

// The conversions of a printf-style template in order ("%d of %d" gives "dd"); "%%" is plain text. Flags,
// width and precision do not count, so a language without an "s" plural can swallow the program's
// English plural suffix with "%.0s".
std::string Placeholders(const std::wstring& tmpl) {
  std::string kinds;
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] != L'%') continue;
    size_t j = i + 1;
    while (j < tmpl.size() && std::wstring_view(L"-+ #0123456789.lh").find(tmpl[j]) != std::wstring_view::npos) ++j;
    if (j >= tmpl.size()) {
      kinds += '?';
      break;
    }
    if (tmpl[j] != L'%') kinds += static_cast<char>(tmpl[j] < 0x80 ? tmpl[j] : '?');
    i = j;
  }
  return kinds;
}

struct LoadedFiles {
  std::map<std::string, IniFile> byName;
  std::map<std::string, std::vector<std::string>> faults;
};

const LoadedFiles& Files() {
  static const LoadedFiles files = [] {
    LoadedFiles f;
    for (const char* name : kLanguageFiles) f.byName[name] = LoadStrict(name, f.faults[name]);
    return f;
  }();
  return files;
}

const IniFile& English() { return Files().byName.at("eng_kvt.ini"); }

std::string Narrow(const std::wstring& s) { return mx::WideToUtf8(s); }

TEST(LanguageFiles, AreWellFormedUtf16IniFiles) {
  for (const char* name : kLanguageFiles) {
    for (const std::string& fault : Files().faults.at(name)) ADD_FAILURE() << name << ": " << fault;
  }
  EXPECT_TRUE(English().count(L"RESOURCESTRING"));
}

TEST(LanguageFiles, TranslationsHoldTheEnglishKeysWithTheSamePlaceholders) {
  for (const char* name : kLanguageFiles) {
    const IniFile& ini = Files().byName.at(name);
    for (const auto& [section, english] : English()) {
      const auto found = ini.find(section);
      if (found == ini.end()) {
        ADD_FAILURE() << name << ": no section " << Narrow(section);
        continue;
      }
      for (const auto& [key, text] : english) {
        const auto value = found->second.find(key);
        if (value == found->second.end()) {
          ADD_FAILURE() << name << ": missing " << Narrow(key);
        } else {
          EXPECT_EQ(Placeholders(value->second), Placeholders(text)) << name << ": " << Narrow(key);
        }
      }
      for (const auto& [key, text] : found->second) {
        EXPECT_TRUE(english.count(key)) << name << ": key unknown to English " << Narrow(key);
      }
    }
    EXPECT_EQ(ini.size(), English().size()) << name << ": sections differ";
  }
}

TEST(LanguageFiles, ProductNameIsNeverTranslated) {
  for (const char* name : kLanguageFiles) {
    const IniFile& ini = Files().byName.at(name);
    const auto section = ini.find(L"RESOURCESTRING");
    if (section == ini.end()) {
      ADD_FAILURE() << name << ": no section RESOURCESTRING";
      continue;
    }
    const auto title = section->second.find(L"AFX_IDS_APP_TITLE");
    EXPECT_TRUE(title != section->second.end() && title->second == L"Tarvolen Mendrix") << name;
    // Where the English text names the product, so must the translation.
    for (const auto& [key, text] : English().at(L"RESOURCESTRING")) {
      const auto value = section->second.find(key);
      if (text.find(L"Tarvolen Mendrix") != std::wstring::npos && value != section->second.end()) {
        EXPECT_NE(value->second.find(L"Tarvolen Mendrix"), std::wstring::npos) << name << ": " << Narrow(key);
      }
    }
  }
}

// The problem texts are looked up by numbered keys and filled with a fixed number of fields per entry
// type; a template with fewer placeholders drops a field, one with more shows a raw placeholder.
TEST(LanguageFiles, ProblemTemplatesTakeTheFieldsOfTheirEntryType) {
  const int kDescriptionArgs[44] = {2, 1, 1, 1, 1, 1, 1, 2, 1, 1, 2, 1, 1, 2, 0, 2, 1, 1, 1, 1, 1, 2,
                                    1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 2, 0, 1, 2, 1, 1, 2, 1, 3, 3};
  const int kDetailArgs[44] = {3, 2, 2, 2, 1, 2, 2, 2, 1, 1, 2, 2, 2, 3, 1, 2, 1, 2, 1, 2, 1, 2,
                               3, 3, 2, 2, 2, 2, 3, 1, 1, 1, 1, 2, 2, 1, 2, 2, 1, 2, 2, 3, 3, 3};
  const Section& english = English().at(L"RESOURCESTRING");
  for (int type = 0; type < 44; ++type) {
    const std::wstring number = std::to_wstring(type + 1);
    for (const auto& [prefix, count] : {std::pair{L"IDS_PROBLEM_DESC_", kDescriptionArgs[type]},
                                        std::pair{L"IDS_PROBLEM_DETAIL_", kDetailArgs[type]}}) {
      const auto text = english.find(prefix + number);
      ASSERT_NE(text, english.end()) << Narrow(prefix + number);
      EXPECT_EQ(Placeholders(text->second), std::string(count, 's')) << Narrow(prefix + number);
    }
  }
  const wchar_t* const kCategories[] = {L"ACTIVEX_COM", L"APPLICATION", L"FILE_TYPE", L"FONTS",   L"HELP_FILES",
                                        L"HISTORYLIST", L"SHAREDFILES", L"SHORTCUTS", L"SOFTWARE", L"SOUNDS",
                                        L"STARTMENU",   L"STARTUP",     L"DEEP_SCAN", L"CURRENTUSER"};
  for (const wchar_t* category : kCategories) {
    EXPECT_TRUE(english.count(std::wstring(L"IDS_") + category)) << Narrow(category);
    EXPECT_TRUE(english.count(std::wstring(L"IDS_BDES_") + category)) << Narrow(category);
  }
}

// Every key named by a string literal in the program's sources, so that code written later is covered
// too. Literals ending in "_" are prefixes of numbered keys (checked above); a key written with a trailing
// blank is looked up without it, as the INI lookup does.
TEST(LanguageFiles, EveryKeyTheCodeAsksForIsPresent) {
  const std::regex literal(
      R"re("((?:AFX_)?IDS_[A-Z0-9_]*[A-Z0-9]|string[0-9]+|IDC_(?:BTN|ST|RADIO|STR)_[A-Z0-9_]+|ID_(?:SELECTION|PROBLEM)_[A-Z_]+|SCAN(?:PROG|TAB|DLG)[A-Z0-9_]*|DEFRAG_[A-Z_]+) *")re");
  std::set<std::string> used;
  for (const char* dir : {"app", "scan", "ui", "mainwnd", "dllfix", "tools"}) {
    const fs::path root = fs::path(MX_SOURCE_DIR) / dir;
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      std::string source;
      ASSERT_TRUE(mx::ReadWholeFile(entry.path(), source)) << entry.path();
      for (std::sregex_iterator it(source.begin(), source.end(), literal), end; it != end; ++it) {
        used.insert((*it)[1].str());
      }
    }
  }
  // Element ids of the scan and results pages that the event maps bind: the pages fill them with other texts.
  for (const char* elementId : {"string17", "string171"}) used.erase(elementId);
  for (const std::string& key : used) {
    bool found = false;
    for (const auto& [section, keys] : English()) found = found || keys.count(mx::Utf8ToWide(key));
    EXPECT_TRUE(found) << "the code asks for " << key << ", which eng_kvt.ini lacks";
  }
}

}  // namespace
