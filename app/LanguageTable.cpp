#include "app/LanguageTable.h"

#include <clocale>
#include <cstdio>
#include <cwchar>

const LanguageInfo LanguageTable[kLanguageCount] = {
    {L"en", L"English", L"eng_kvt.ini", L"english", L"Arial", -12, 1},
    {L"zhtw", L"中国传统 (Chinese Traditional)", L"traditionalcn_kvt_zh-tw.ini", L"chinese-traditional", L"Arial",
     -12, 136},
    {L"da", L"Danske (Danish)", L"Danish_kvt.ini", L"danish", L"Arial", -12, 1},
    {L"nl", L"Nederlands (Dutch)", L"Dutch_kvt.ini", L"dutch", L"Arial", -11, 1},
    {L"fr", L"Français (French)", L"French_kvt.ini", L"french", L"Arial", -12, 1},
    {L"de", L"Deutsch (German)", L"German_kvt.ini", L"german", L"Arial", -12, 1},
    {L"it", L"Italiano (Italian)", L"Italian_kvt.ini", L"italian", L"Arial", -12, 1},
    {L"ja", L"日本語 (Japanese)", L"Japanese_kvt.ini", L"japanese", L"Arial", -12, 128},
    {L"no", L"Norsk (Norwegian)", L"Norwegian_kvt.ini", L"norwegian", L"Arial", -12, 1},
    {L"ptbr", L"Português Brasileiro (Portuguese)", L"Portuguese_kvt.ini", L"portuguese", L"Arial", -12, 1},
    {L"es", L"Español (Spanish)", L"spanish_kvt.ini", L"spanish", L"Arial", -11, 1},
    {L"sv", L"Svenska (Swedish)", L"swedish_kvt.ini", L"swedish", L"Arial", -12, 1},
    {L"fi", L"Suomi (Finnish)", L"Finnish_kvt_fi.ini", L"finnish", L"Arial", -12, 1},
    {L"pt", L"Português (Portugal)", L"portugese_kvt_pt.ini", L"portuguese", L"Arial", -12, 1},
    {L"ru", L"Русский (Russian)", L"russian_kvt_ru.ini", L"russian", L"Arial", -11, 204},
    {L"el", L"Ελληνικά (Greek)", L"greek_kvt_el.ini", L"greek", L"Arial", -12, 161},
    {L"tr", L"Türkçe (Turkish)", L"Turkish_kvt_tr.ini", L"turkish", L"Arial", -12, 162},
    {L"pl", L"Polski (Polish)", L"polish_kvt_pl.ini", L"polish", L"Arial", -12, 238},
    {L"ko", L"한국어 (韓國語), 조선어 (朝鮮語) (Korean)", L"korean_kvt_ko.ini", L"korean", L"Arial", -12, 129},
    {L"zhcn", L"简体中文 (Chinese Simplified)", L"Chinese_kvt.ini", L"chinese-simplified", L"Arial", -12, 136},
};

namespace {

struct HostLocale {
  const wchar_t* crtName;
  const char* hostName;  // language_TERRITORY of the glibc locale
};

// The C runtime's long names have no glibc spelling; these are the locales they stand for.
constexpr HostLocale kHostLocales[] = {
    {L"english", "en_US"},       {L"chinese-traditional", "zh_TW"}, {L"danish", "da_DK"},
    {L"dutch", "nl_NL"},         {L"french", "fr_FR"},              {L"german", "de_DE"},
    {L"italian", "it_IT"},       {L"japanese", "ja_JP"},            {L"norwegian", "nb_NO"},
    {L"portuguese", "pt_PT"},    {L"spanish", "es_ES"},             {L"swedish", "sv_SE"},
    {L"finnish", "fi_FI"},       {L"russian", "ru_RU"},             {L"greek", "el_GR"},
    {L"turkish", "tr_TR"},       {L"polish", "pl_PL"},              {L"korean", "ko_KR"},
    {L"chinese-simplified", "zh_CN"},
};

const char* TrySetAll(const char* name) {
  static const int kCategories[] = {LC_COLLATE, LC_CTYPE, LC_MONETARY, LC_NUMERIC, LC_TIME};
  if (std::setlocale(LC_ALL, name) == nullptr) return nullptr;
  for (int category : kCategories) std::setlocale(category, name);
  return std::setlocale(LC_ALL, name);
}

}  // namespace

const char* ApplyLanguageLocale(int langId) {
  if (langId < 0 || langId >= kLanguageCount) langId = 0;
  const wchar_t* crtName = LanguageTable[langId].locale;
  for (const auto& entry : kHostLocales) {
    if (std::wcscmp(entry.crtName, crtName) != 0) continue;
    char candidate[32];
    for (const char* suffix : {".UTF-8", ".utf8", ""}) {
      std::snprintf(candidate, sizeof candidate, "%s%s", entry.hostName, suffix);
      if (const char* set = TrySetAll(candidate)) return set;
    }
  }
  if (const char* set = TrySetAll("C.UTF-8")) return set;
  return TrySetAll("C");
}
