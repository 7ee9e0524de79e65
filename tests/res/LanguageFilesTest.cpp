// The twenty language files shipped in res/: each must be readable, hold every text the English file
// holds, and keep the placeholders that the program fills in, in the same order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"

namespace {

namespace fs = std::filesystem;

// File names exactly as the language table spells them; the table index is a stored setting, so the
// order matters too (English first).
const char* const kLanguageFiles[] = {
    "eng_kvt.ini",        "traditionalcn_kvt_zh-tw.ini", "Danish_kvt.ini",       "Dutch_kvt.ini",
    "French_kvt.ini",     "German_kvt.ini",              "Italian_kvt.ini",      "Japanese_kvt.ini",
    "Norwegian_kvt.ini",  "Portuguese_kvt.ini",          "spanish_kvt.ini",      "swedish_kvt.ini",
    "Finnish_kvt_fi.ini", "portugese_kvt_pt.ini",        "russian_kvt_ru.ini",   "greek_kvt_el.ini",
    "Turkish_kvt_tr.ini", "polish_kvt_pl.ini",           "korean_kvt_ko.ini",    "Chinese_kvt.ini"};

constexpr size_t kReaderBufferUnits = 3072;  // the language reader's buffer, terminator included

using Section = std::map<std::wstring, std::wstring>;
using IniFile = std::map<std::wstring, Section>;

fs::path ResDir() { return fs::path(MX_SOURCE_DIR) / "res"; }

// Reads a language file the strict way: UTF-16LE with a byte-order mark, paired surrogates, CRLF line
// ends, only section headers and key=value lines. Every fault is added to faults.
IniFile LoadStrict(const std::string& name, std::vector<std::string>& faults) {
  IniFile ini;
  std::string bytes;
  if (!mx::ReadWholeFile(ResDir() / name, bytes)) {
    faults.push_back("cannot read");
    return ini;
  }
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE' || bytes.size() % 2 != 0) {
    faults.push_back("not UTF-16LE with a byte-order mark");
    return ini;
  }
  const std::wstring text = mx::Utf16LeToWide(std::string_view(bytes).substr(2));
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0 || c == 0xFFFE || c == 0xFFFF) {
      faults.push_back("invalid code unit at " + std::to_string(i));
    } else if (c == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
      faults.push_back("line feed without carriage return at " + std::to_string(i));
    }
  }

  std::wstring section;
  size_t start = 0;
  int lineNo = 0;
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 2;
    ++lineNo;
    const std::string where = "line " + std::to_string(lineNo) + ": ";
    if (line.empty()) continue;
    if (line.front() == L'[') {
      if (line.back() != L']') faults.push_back(where + "bad section header");
      section = line.substr(1, line.size() - 2);
      if (ini.count(section)) faults.push_back(where + "section repeated");
      ini[section];
      continue;
    }
    const size_t eq = line.find(L'=');
    if (section.empty() || eq == std::wstring::npos || eq == 0) {
      faults.push_back(where + "neither a section header nor key=value");
      continue;
    }
    const std::wstring key = line.substr(0, eq);
    const std::wstring value = line.substr(eq + 1);
    if (!ini[section].emplace(key, value).second) faults.push_back(where + "key repeated");
    // The reader trims values, drops a leading quote and reads at most one buffer: a text that depends
    // on any of these would not show as written.
    if (value.empty() || mx::Trim(value) != value) faults.push_back(where + "empty, or blank at an end");
    if (!value.empty() && value.front() == L'"') faults.push_back(where + "starts with a quote");
    if (value.size() >= kReaderBufferUnits) faults.push_back(where + "longer than the reader's buffer");
  }
  return ini;
}

// The conversions of a printf-style template in order ("%d of %d" gives "dd"); "%%" is plain text.
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
// too. Literals ending in "_" are prefixes of numbered keys (checked above).
TEST(LanguageFiles, EveryKeyTheCodeAsksForIsPresent) {
  const std::regex literal(R"re("((?:AFX_)?IDS_[A-Z0-9_]*[A-Z0-9]|string[0-9]+) *")re");
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
  for (const std::string& key : used) {
    bool found = false;
    for (const auto& [section, keys] : English()) found = found || keys.count(mx::Utf8ToWide(key));
    EXPECT_TRUE(found) << "the code asks for " << key << ", which eng_kvt.ini lacks";
  }
}

}  // namespace
