#pragma once
// Shell links (.lnk files, the MS-SHLLINK format) read for what IShellLink::GetPath answers: the stored
// target, not checked for existence. The target comes from the environment-variable block (expanded), else
// LinkInfo's local base path + common path suffix, else its network share + suffix, else the file-system
// path of the target ID list. A damaged file is a failed Load, never a crash.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

inline constexpr DWORD SLGP_SHORTPATH = 0x1;
inline constexpr DWORD SLGP_UNCPRIORITY = 0x2;
inline constexpr DWORD SLGP_RAWPATH = 0x4;
inline constexpr DWORD STGM_READ = 0x0;

namespace mx {

// What a link holds (the parts we read).
struct ShellLinkData {
  std::wstring idListPath;     // file-system path assembled from the target ID list
  std::wstring localBasePath;  // LinkInfo
  std::wstring commonPathSuffix;
  std::wstring networkShare;   // LinkInfo CommonNetworkRelativeLink
  std::wstring environmentTarget;  // EnvironmentVariableDataBlock, unexpanded
  std::wstring darwinId;       // advertised (MSI) link
  std::wstring description;
  std::wstring relativePath;
  std::wstring workingDir;
  std::wstring arguments;
  std::wstring iconLocation;
  int iconIndex = 0;
  DWORD showCommand = 0;
  DWORD fileAttributes = 0;
};

// Parses the bytes of a .lnk file; false when they are not a well-formed link.
bool ParseShellLink(std::string_view bytes, ShellLinkData& out);

// The target GetPath gives for parsed data ("" for a link without a file-system target). With SLGP_UNCPRIORITY
// a network path wins over a local one.
std::wstring ShellLinkTarget(const ShellLinkData& link);
std::wstring ShellLinkTarget(const ShellLinkData& link, DWORD flags);

}  // namespace mx

namespace win {

// The IShellLinkW / IPersistFile pair a caller creates with CLSID_ShellLink.
class ShellLink {
 public:
  // S_OK, or E_FAIL for a missing or damaged file (E_INVALIDARG for a null path).
  HRESULT Load(LPCWSTR path, DWORD mode);
  // S_OK and the target; S_FALSE and "" when the link has no file-system target or the target has MAX_PATH
  // characters or more; E_FAIL and "" when nothing is loaded. A short buffer gets the target cut.
  HRESULT GetPath(LPWSTR buffer, int size, void* findData, DWORD flags);
  HRESULT GetArguments(LPWSTR buffer, int size);
  HRESULT GetWorkingDirectory(LPWSTR buffer, int size);
  HRESULT GetDescription(LPWSTR buffer, int size);
  HRESULT GetIconLocation(LPWSTR buffer, int size, int* index);
  const mx::ShellLinkData& data() const { return data_; }

 private:
  bool loaded_ = false;
  mx::ShellLinkData data_;
};

}  // namespace win
