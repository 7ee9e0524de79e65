#pragma once
// The URL moniker download: a GET of an http or https URL into a file named by its Windows path, over
// platform/http. The user's Internet settings choose the proxy, as they do for the browser.
#include "platform/base/WinTypes.h"

inline constexpr HRESULT INET_E_INVALID_URL = static_cast<HRESULT>(0x800C0002u);
inline constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005u);
inline constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008u);

namespace win {

// S_OK when a 2xx answer was stored whole at fileName; otherwise the file is left as it was and the result is
// INET_E_INVALID_URL (not http or https), INET_E_RESOURCE_NOT_FOUND (no answer or a 4xx/5xx status) or
// INET_E_DOWNLOAD_FAILURE (the file could not be written, the answer was too large or cut off). caller,
// reserved and callback are accepted and unused.
HRESULT URLDownloadToFile(void* caller, LPCWSTR url, LPCWSTR fileName, DWORD reserved, void* callback);

}  // namespace win
