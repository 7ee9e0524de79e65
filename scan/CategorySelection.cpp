#include "scan/CategorySelection.h"

#include <bit>
#include <mutex>

#include "app/ZUNApp.h"
#include "scan/CategoryFlags.h"

namespace {

std::mutex g_lock;
CategorySelectionSource g_source;

}  // namespace

void SetCategorySelectionSource(CategorySelectionSource source) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_source = std::move(source);
}

DWORD StoredCategorySelection() {
  CZUNApp* app = AfxGetZunApp();
  if (!app) return kAllCategories;
  return app->GetProfileInt(kSelectionSection, kSelectionValue, static_cast<int>(kAllCategories));
}

void GetSelectedScanCategories(DWORD& mask, int& count) {
  CategorySelectionSource source;
  {
    // A copy, so the source runs without the lock: it may wait for the UI thread, which may be replacing it.
    std::lock_guard<std::mutex> guard(g_lock);
    source = g_source;
  }
  if (source && source(mask, count)) return;
  mask = StoredCategorySelection() & kAllCategories;
  count = std::popcount(mask);
}
