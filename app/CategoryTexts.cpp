#include "app/CategoryTexts.h"

#include "app/LocalizedStrings.h"

std::vector<std::wstring> g_arrCategoryNames;
std::vector<std::wstring> g_arrCategoryShortDescriptions;
std::vector<std::wstring> g_arrProblemDetails;
std::vector<std::wstring> g_arrProblemDescriptions;

namespace {

constexpr const wchar_t* kCategorySuffixes[kCategoryCount] = {
    L"ACTIVEX_COM", L"APPLICATION", L"FILE_TYPE", L"FONTS",     L"HELP_FILES", L"HISTORYLIST", L"SHAREDFILES",
    L"SHORTCUTS",   L"SOFTWARE",    L"SOUNDS",    L"STARTMENU", L"STARTUP",    L"DEEP_SCAN",   L"CURRENTUSER",
};

void Fill(std::vector<std::wstring>& array, const std::wstring& prefix, int count, bool numbered) {
  array.clear();
  for (int i = 0; i < count; ++i) {
    const std::wstring key = numbered ? prefix + std::to_wstring(i + 1) : prefix + kCategorySuffixes[i];
    array.push_back(GetLocalizedString(key, kResourceSection));
  }
}

}  // namespace

void LoadCategoryStrings() {
  Fill(g_arrCategoryNames, L"IDS_", kCategoryCount, false);
  Fill(g_arrCategoryShortDescriptions, L"IDS_BDES_", kCategoryCount, false);
  Fill(g_arrProblemDetails, L"IDS_PROBLEM_DETAIL_", kProblemTypeCount, true);
  Fill(g_arrProblemDescriptions, L"IDS_PROBLEM_DESC_", kProblemTypeCount, true);
}
