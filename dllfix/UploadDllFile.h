#pragma once
// Sends one DLL file to the web service's upload endpoint as a multipart form POST (boundary "pippo", field
// "fileToUpload"), the way the upload page sends each file of its list.
#include <string>

#include "platform/base/WinTypes.h"

// The request body for a file: its full path as the form's file name (UTF-8), then its bytes unchanged.
std::string MakeDllUploadBody(const std::string& path, const std::string& bytes);
// TRUE only when the service took the file (a 2xx answer); FALSE when the file cannot be read, no service is
// configured or the request fails, so the page can say which files did not go.
BOOL UploadDllFile(const std::wstring& path);
