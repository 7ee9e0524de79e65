#pragma once
// Which categories a scan runs. The scan-area settings page is the live source (its boxes as they are at that
// moment, saved or not) and registers itself here; until it does, and after it is gone, the stored selection
// counts. The scan worker asks from its own thread.
#include <functional>

#include "platform/base/WinTypes.h"

// Fills the mask of the selected category flags and their number; false when the source could not answer
// (its window is gone), in which case the stored selection is used.
using CategorySelectionSource = std::function<bool(DWORD& mask, int& count)>;

// Replaces the source (an empty function returns to the stored selection). Any thread.
void SetCategorySelectionSource(CategorySelectionSource source);

// The selection of the next scan; any thread.
void GetSelectedScanCategories(DWORD& mask, int& count);

// Where the selection is stored: the DWORD SelectedCategories under the product key's sub-key Settings.
inline constexpr const wchar_t* kSelectionSection = L"Settings";
inline constexpr const wchar_t* kSelectionValue = L"SelectedCategories";

// The stored selection; every category when none is stored.
DWORD StoredCategorySelection();
