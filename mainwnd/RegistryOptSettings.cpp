#include "mainwnd/RegistryOptSettings.h"

namespace {

constexpr DWORD kCategoryBoxes = 0x3FFF;  // one box per category flag, 0x1 to 0x2000

}  // namespace

CRegistryOptSettings::CRegistryOptSettings() : m_checked(kCategoryBoxes) {}

void CRegistryOptSettings::GetSelectedCategories(DWORD& mask, int& count) const {
  mask = m_checked.load();
  count = 0;
  for (DWORD bits = mask; bits != 0; bits &= bits - 1) ++count;
}

void CRegistryOptSettings::SetSelection(DWORD mask) { m_checked = mask & kCategoryBoxes; }

void CRegistryOptSettings::SetCheck(DWORD flag, bool checked) {
  flag &= kCategoryBoxes;
  if (checked)
    m_checked.fetch_or(flag);
  else
    m_checked.fetch_and(~flag);
}

CRegistryOptSettings& GetRegistryOptSettings() {
  static CRegistryOptSettings page;
  return page;
}
