#pragma once
// The scan-area settings page as far as the scan worker needs it on the headless core: the fourteen category
// check boxes, one per category flag. The worker reads them from its own thread at the start of every scan,
// so the page lives for the whole run of the program.
#include <atomic>

#include "platform/base/WinTypes.h"

class CRegistryOptSettings {
 public:
  // Every box ticked, as the SelectedCategories setting has it by default.
  CRegistryOptSettings();

  // The flags of the ticked boxes and their number; safe from any thread.
  void GetSelectedCategories(DWORD& mask, int& count) const;
  // Ticks exactly the boxes of the flags in mask (bits outside the fourteen are ignored).
  void SetSelection(DWORD mask);
  void SetCheck(DWORD flag, bool checked);

 private:
  std::atomic<DWORD> m_checked;
};

// The page of the main window.
CRegistryOptSettings& GetRegistryOptSettings();
