#pragma once
// Registered fonts whose file is missing: every value of the machine's font list maps a display name to a
// file inside the fonts folder or to a path. Reports type 23.
#include <string>

#include "scan/Category.h"

class CFonts : public CCategory {
 public:
  int Scan() override;
  // The number of values under the font list; 0 when it cannot be opened.
  int GetItemCount() override;
  // The fonts folder with a trailing backslash; empty when the shell does not know it.
  static std::wstring GetFontsFolder();

  std::wstring m_strFontsFolder;  // filled on the first scan and kept
};
