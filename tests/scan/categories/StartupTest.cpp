#include "scan/categories/Startup.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/win/Sync.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

constexpr const wchar_t* kMachineRun = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kUserRun = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kUserRunDisabled = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-";

struct Reported {
  std::wstring valueName;
  std::wstring key;
  int is32Bit;
  bool operator==(const Reported&) const = default;
};

std::vector<Reported> Summary(const std::vector<CProblem>& problems) {
  std::vector<Reported> out;
  for (const CProblem& p : problems) {
    EXPECT_EQ(p.EntryType, 41);
    EXPECT_EQ(p.AlternateKey, L"");
    EXPECT_EQ(p.m_arrDetails, std::vector<std::wstring>{p.ValueName}) << "detail 0 is the value's name";
    out.push_back({p.ValueName, p.Key, p.m_n32BitEntry});
  }
  return out;
}

std::ostream& operator<<(std::ostream& os, const Reported& r) {
  return os << mx::WideToUtf8(r.valueName) << " @ " << mx::WideToUtf8(r.key) << " 32:" << r.is32Bit;
}

}  // namespace

TEST(StartupEntries, ReportsEachMissingProgramOnceInItsViewAndNothingOnTheUntouchedFixture) {
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  EXPECT_TRUE(mxtest::ScanCategory<CStartup>().empty());

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxAgent"="\"C:\\Qzx\\agent.exe\" /tray"
"Installer"="C:\\windows\\system32\\msiexec.exe /q"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxUser"="C:\\QzxUser\\user.exe /s"
"Help"="\"C:\\windows\\hh.exe\" start"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run-]
"QzxOld"=""
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxTray"="C:\\Qzx32\\tray.exe -min"
"Installer32"="\"C:\\windows\\system32\\msiexec.exe\" /q"
)");
  int result = 0;
  const auto problems = Summary(mxtest::ScanCategory<CStartup>({}, &result));
  EXPECT_EQ(result, 1);
  // Sorted by detail 0, the value's name.
  const std::vector<Reported> expected = {
      {L"QzxAgent", kMachineRun, 0},
      {L"QzxOld", kUserRunDisabled, 0},
      {L"QzxTray", kMachineRun, 1},
      {L"QzxUser", kUserRun, 0},
  };
  EXPECT_EQ(problems, expected);
}

TEST(StartupEntries, ReadsOnlyStringsThatFitTheBufferAndTestsTheDefaultValue) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\present.exe");
  // Missing programs of 259 and 260 characters, as .reg text ("C:\\" escaped).
  const std::wstring missing259 = L"C:\\\\" + std::wstring(252, L'q') + L".exe";
  const std::wstring missing260 = L"C:\\\\" + std::wstring(253, L'q') + L".exe";
  ASSERT_EQ(missing259.size() - 1, 259u);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
@="C:\\Qzx\\default.exe"
"Present"="\"C:\\Qzx\\present.exe\" /x"
"Multi"=hex(7):43,00,3a,00,5c,00,00,00,00,00
"Binary"=hex:01,02
"Number"=dword:00000001
"Fits"=")" + missing259 + LR"("
"TooLong"=")" + missing260 + LR"("
)");
  std::vector<std::wstring> names;
  for (const CProblem& p : mxtest::ScanCategory<CStartup>()) names.push_back(p.ValueName);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"", L"Fits"}));
}

TEST(StartupEntries, AStopRequestEndsTheScanWithTwo) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxAgent"="C:\\Qzx\\agent.exe"
)");
  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, TRUE, nullptr));
  HANDLE stopHandle = stop.get();
  CStartup category;
  category.m_pStopEvent = &stopHandle;
  int result = 0;
  EXPECT_TRUE(mxtest::RunCategoryScan(category, {}, &result).empty());
  EXPECT_EQ(result, 2);
}

TEST(StartupEntries, OnA32BitSystemEachKeyIsReadOnceInTheNativeView) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run-]
"QzxOff"="C:\\Qzx\\off.exe"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxUser"="C:\\Qzx\\user.exe"
)");
  const std::vector<Reported> expected = {
      {L"QzxOff", L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run-", 0},
      {L"QzxUser", kUserRun, 0},
  };
  EXPECT_EQ(Summary(mxtest::ScanCategory<CStartup>()), expected);
}
