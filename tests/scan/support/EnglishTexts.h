#pragma once
// #include "scan/support/EnglishTexts.h"
// Points the language reader at the English language file for the lifetime of the scope, so that details
// built from localized texts can be compared; the reader is reset afterwards.
#include <string>

namespace mxtest {

class EnglishTextsScope {
 public:
  EnglishTextsScope();
  ~EnglishTextsScope();
  EnglishTextsScope(const EnglishTextsScope&) = delete;
  EnglishTextsScope& operator=(const EnglishTextsScope&) = delete;
};

// The English text of a language key (through GetLocalizedString, inside a scope).
std::wstring EnglishText(const std::wstring& key);

}  // namespace mxtest
