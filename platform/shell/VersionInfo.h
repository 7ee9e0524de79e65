#pragma once
// File version resources read from real PE files (PE32 and PE32+): the RT_VERSION resource's VS_VERSIONINFO
// block, queried the way VerQueryValue does ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904b0\FileVersion"). A file without one, or a damaged file, gives 0 / FALSE.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature = 0;  // 0xFEEF04BD
  DWORD dwStrucVersion = 0;
  DWORD dwFileVersionMS = 0;
  DWORD dwFileVersionLS = 0;
  DWORD dwProductVersionMS = 0;
  DWORD dwProductVersionLS = 0;
  DWORD dwFileFlagsMask = 0;
  DWORD dwFileFlags = 0;
  DWORD dwFileOS = 0;
  DWORD dwFileType = 0;
  DWORD dwFileSubtype = 0;
  DWORD dwFileDateMS = 0;
  DWORD dwFileDateLS = 0;
};

namespace win {

// The size of the block GetFileVersionInfo fills; 0 (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_FILE_NOT_FOUND,
// ERROR_BAD_FORMAT) when there is none.
DWORD GetFileVersionInfoSize(LPCWSTR path, LPDWORD handle);
// Copies at most size bytes of the block into data.
BOOL GetFileVersionInfo(LPCWSTR path, DWORD handle, DWORD size, void* data);
// *buffer points into block: "\" gives the VS_FIXEDFILEINFO (*len = its size), "\VarFileInfo\Translation"
// the DWORD pairs (language, code page), "\StringFileInfo\<8 hex>\<name>" the string (UTF-16 units in the
// block, *len in characters including the null). FALSE when the path is not there.
BOOL VerQueryValue(const void* block, LPCWSTR subBlock, void** buffer, UINT* len);

}  // namespace win

inline constexpr LONG ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr LONG ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

namespace mx {

// The raw RT_VERSION resource of a PE image in memory; false when it has none or the image is damaged.
bool ExtractVersionResource(std::string_view image, std::string& block);
// Is the image a 64-bit (PE32+) one; false for PE32 and for anything not a PE.
bool IsPe64(std::string_view image);
// The block GetFileVersionInfo fills, made from a raw version resource the caller holds already.
std::vector<BYTE> VersionBlockFromResource(std::string_view raw);

// A raw version resource as a resource compiler writes it: the fixed file and product version
// (major, minor, build, revision), one string table 040904b0 with the given (name, text) pairs and the
// translation 0x0409 / 1200.
std::string BuildVersionResource(const WORD (&version)[4],
                                 const std::vector<std::pair<std::wstring, std::wstring>>& strings);

// The running program is not a PE file, so it cannot carry its version resource the Windows way: the program
// registers it here, and the version calls answer with it for the program's own path (GetModuleFileName).
// An empty resource means the program has none.
void SetModuleVersionResource(std::string raw);

}  // namespace mx
