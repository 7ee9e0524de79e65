#pragma once
// The names and short descriptions of the fourteen scan categories (index = bit position of the category's
// flag) and the two text templates of each of the 44 problem entry types (index = entry type), looked up
// once at start-up and read-only afterwards.
#include <string>
#include <vector>

inline constexpr int kCategoryCount = 14;
inline constexpr int kProblemTypeCount = 44;

extern std::vector<std::wstring> g_arrCategoryNames;
extern std::vector<std::wstring> g_arrCategoryShortDescriptions;
extern std::vector<std::wstring> g_arrProblemDetails;
extern std::vector<std::wstring> g_arrProblemDescriptions;

void LoadCategoryStrings();
