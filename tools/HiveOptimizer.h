#pragma once
// The boot-time compaction: the parameter file "ZSNQZSet.bin" naming the hive files to compact, our boot
// program's BootExecute entry, the offer to restart, and after the restart what the boot program left.
#include <map>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

struct SHiveInfoParams {
  std::wstring strRegistryName;  // \REGISTRY\MACHINE\SYSTEM
  std::wstring strNtPath;        // \Device\HarddiskVolume2\...\system.reg
  std::wstring strDosPath;       // Z:\...\system.reg
  int nFlag = 1;
  DWORD dwFileSize = 0;
  int nReserved = 0;
};

struct SHiveInfoResults {
  std::wstring strName;
  DWORD dwRecordedSize = 0;
  DWORD dwLargerSize = 0;
};

// "QZBoot64" on a 64-bit machine, else "QZBoot"; and the registry view both keys are opened in.
std::wstring BootProgramName();
DWORD BootRegView();
inline constexpr const wchar_t* kParameterFileName = L"ZSNQZSet.bin";
inline constexpr const wchar_t* kAutocheckEntry = L"autocheck autochk *";
inline constexpr const wchar_t* kSessionManagerKey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class HiveOptimizer {
 public:
  HiveOptimizer();
  ~HiveOptimizer();
  HiveOptimizer(const HiveOptimizer&) = delete;
  HiveOptimizer& operator=(const HiveOptimizer&) = delete;

  // The whole set-up and the restart offer: 1 on success, 0 after the failure was shown. A failure leaves no
  // parameter file and no boot entry behind.
  int Install();
  // -1 no file, -2 no header, 1 the boot program has not run (status 2), -3 a damaged entry, 0 processed
  // (status 8), 2 any other status.
  int ReadResults();

  BOOL BuildHiveList(DWORD kinds, std::vector<SHiveInfoParams>& list);
  BOOL ReadHiveList(std::vector<std::wstring>& names, std::vector<std::wstring>& files, DWORD kinds);
  BOOL ToDrivePath(const std::wstring& ntPath, std::wstring& drivePath) const;
  BOOL WriteParameterFile(const std::vector<SHiveInfoParams>& list, std::wstring& argument);
  int SetBootExecute(const std::wstring& argument);
  // Where the parameter file lives: the native system folder.
  static std::wstring ParameterFilePath();

  std::wstring m_strError;
  int m_nEntryFlag = 1;
  std::map<std::wstring, std::wstring> m_mapDriveDevices;
  DWORD m_Header[3] = {};
  std::vector<SHiveInfoResults> m_arrResults;

 private:
  void* m_redirection = nullptr;
  bool m_redirectionOff = false;
};

// BootExecute's strings after our entry is set: every other program's entry kept in its place, earlier
// entries of our boot program dropped, "autocheck autochk *" before ours.
std::vector<std::wstring> MergeBootExecute(const std::vector<std::wstring>& current, const std::wstring& ourEntry);
// REG_MULTI_SZ data to strings and back.
std::vector<std::wstring> ParseMultiString(const std::vector<BYTE>& data);
std::vector<BYTE> MakeMultiString(const std::vector<std::wstring>& strings);
void DeleteHiveLeftovers(const std::wstring& path);
std::wstring FormatSystemError(DWORD code);
