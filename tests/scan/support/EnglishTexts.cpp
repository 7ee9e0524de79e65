#include "scan/support/EnglishTexts.h"

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/system/Module.h"

namespace mxtest {

EnglishTextsScope::EnglishTextsScope() {
  ResetIniCache();
  InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
}

EnglishTextsScope::~EnglishTextsScope() {
  ResetIniCache();
  ResetLanguageReader();
}

std::wstring EnglishText(const std::wstring& key) { return GetLocalizedString(key); }

}  // namespace mxtest
