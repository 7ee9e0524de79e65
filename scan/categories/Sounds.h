#pragma once
// Sound events of the current user whose sound file is missing: the ".Current", ".Default" and ".None"
// schemes of every event of every application under AppEvents\Schemes\Apps. Reports type 37.
#include <string>

#include "scan/Category.h"

class CSounds : public CCategory {
 public:
  int Scan() override;
  int GetItemCount() override { return 1; }

  // Tests one scheme key (below HKEY_CURRENT_USER) and reports it when its sound file is missing.
  void CheckScheme(const std::wstring& schemeKeyPath, const std::wstring& eventName, const std::wstring& schemeLabel,
                   const std::wstring& applicationName);
  // The event's display label; empty when there is none.
  std::wstring GetEventLabel(const std::wstring& eventName);
};
