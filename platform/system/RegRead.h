#pragma once
// Small readers over the registry calls, for the platform layers that take machine facts from the registry.
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace mx {

struct RegStringValue {
  std::wstring text;
  DWORD type = REG_NONE;
};

// A REG_SZ or REG_EXPAND_SZ value, raw (not expanded), without its terminating nulls.
std::optional<RegStringValue> ReadRegString(HKEY root, const std::wstring& subKey, const std::wstring& value,
                                            REGSAM view = 0);

// Every string value of a key (name, value) in the registry's order; empty when the key is missing.
std::vector<std::pair<std::wstring, RegStringValue>> ReadRegStrings(HKEY root, const std::wstring& subKey,
                                                                    REGSAM view = 0);

}  // namespace mx
