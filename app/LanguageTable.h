#pragma once
// The twenty languages of the program. The row index is the stored LangID, so the order is a stored format.
#include "platform/base/WinTypes.h"

struct LanguageInfo {
  const wchar_t* code;         // stored as LangCode
  const wchar_t* displayName;  // in the language itself, then the English name in brackets
  const wchar_t* iniFile;      // language file in the program's folder, looked up by exactly this name
  const wchar_t* locale;       // C-runtime locale name
  const wchar_t* fontFace;
  int fontHeight;
  BYTE charset;
};

inline constexpr int kLanguageCount = 20;
// The language menu's command ids are kFirstLanguageCommand + row.
inline constexpr int kFirstLanguageCommand = 1021;

extern const LanguageInfo LanguageTable[kLanguageCount];

// Sets the C-runtime locale categories (collate, ctype, monetary, numeric, time, then all) to the nearest
// locale this machine has for the row's locale name; falls back to C.UTF-8, then to C, never failing.
// Returns the host locale name that was set.
const char* ApplyLanguageLocale(int langId);
