#pragma once
// Where the maker's web service is: one base address, from the environment variable MENDRIX_SERVICE_URL when
// it is set, else from the REG_SZ value ServiceURL of the product key under HKEY_LOCAL_MACHINE. There is no
// built-in address: without one the program makes no request at all and every feature takes its
// "cannot connect" path.
#include <string>

// The base address without a trailing slash; empty when none is configured or the one configured is not an
// http or https address.
std::wstring GetServiceBaseUrl();
// The base address followed by path ("/fapi/searchfile.php?..."); empty when no service is configured.
std::wstring MakeServiceUrl(const std::wstring& path);
