#pragma once
// The fourteen scan categories: one bit each, shared by the scan manager, the scan screens, the scan-area
// settings page, the results file and the SelectedCategories setting. The section is the group of the scan
// order in which the workers run the category.
#include <array>

#include "app/CategoryTexts.h"  // kCategoryCount: the texts and the flags count the same fourteen
#include "platform/base/WinTypes.h"

inline constexpr DWORD CATEGORY_ACTIVEX = 0x1;
inline constexpr DWORD CATEGORY_APPPATHS = 0x2;
inline constexpr DWORD CATEGORY_FILETYPES = 0x4;
inline constexpr DWORD CATEGORY_FONTS = 0x8;
inline constexpr DWORD CATEGORY_HELPFILES = 0x10;
inline constexpr DWORD CATEGORY_HISTORYLISTS = 0x20;
inline constexpr DWORD CATEGORY_SHAREDFILES = 0x40;
inline constexpr DWORD CATEGORY_SHORTCUTS = 0x80;
inline constexpr DWORD CATEGORY_SOFTWARE = 0x100;
inline constexpr DWORD CATEGORY_SOUNDS = 0x200;
inline constexpr DWORD CATEGORY_STARTMENU = 0x400;
inline constexpr DWORD CATEGORY_STARTUP = 0x800;
inline constexpr DWORD CATEGORY_DEEPSCAN_LM = 0x1000;
inline constexpr DWORD CATEGORY_DEEPSCAN_CU = 0x2000;

inline constexpr DWORD kAllCategories = 0x3FFF;  // the default of SelectedCategories

struct CategoryInfo {
  DWORD flag;
  const wchar_t* className;
  int section;  // 1 to 4
};

// In flag order 0x1 to 0x2000; entry i has flag 1 << i.
inline constexpr std::array<CategoryInfo, kCategoryCount> kCategoryTable = {{
    {CATEGORY_ACTIVEX, L"CActiveX", 2},
    {CATEGORY_APPPATHS, L"CAppPaths", 1},
    {CATEGORY_FILETYPES, L"CFileTypes", 2},
    {CATEGORY_FONTS, L"CFonts", 1},
    {CATEGORY_HELPFILES, L"CHelpFiles", 1},
    {CATEGORY_HISTORYLISTS, L"CHistoryLists", 3},
    {CATEGORY_SHAREDFILES, L"CSharedFiles", 1},
    {CATEGORY_SHORTCUTS, L"CShortcuts", 3},
    {CATEGORY_SOFTWARE, L"CSoftware", 4},
    {CATEGORY_SOUNDS, L"CSounds", 3},
    {CATEGORY_STARTMENU, L"CStartMenu", 4},
    {CATEGORY_STARTUP, L"CStartup", 4},
    {CATEGORY_DEEPSCAN_LM, L"CDeepScanLM", 1},
    {CATEGORY_DEEPSCAN_CU, L"CDeepScanCU", 3},
}};

// The table index of a single flag (0 for 0x1 ... 13 for 0x2000); -1 for anything else.
constexpr int CategoryIndexOfFlag(DWORD flag) {
  for (int i = 0; i < kCategoryCount; ++i)
    if (kCategoryTable[i].flag == flag) return i;
  return -1;
}

// The section of a single flag; 0 for anything else.
constexpr int CategorySection(DWORD flag) {
  const int index = CategoryIndexOfFlag(flag);
  return index < 0 ? 0 : kCategoryTable[index].section;
}
