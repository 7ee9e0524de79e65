#include "platform/system/RestorePoint.h"

#include <gtest/gtest.h>

#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/registry/RegistryControl.h"
#include "support/TestPrefix.h"

namespace {

std::string Read(const std::filesystem::path& p) {
  std::string s;
  mx::ReadWholeFile(p, s);
  return s;
}

RESTOREPOINTINFOW Request(DWORD event, std::int64_t sequence, const wchar_t* description = L"") {
  RESTOREPOINTINFOW info;
  info.dwEventType = event;
  info.dwRestorePtType = APPLICATION_INSTALL;
  info.llSequenceNumber = sequence;
  std::wstring d = description;
  d.copy(info.szDescription, std::min<size_t>(d.size(), MAX_DESC - 1));
  return info;
}

TEST(RestorePoint, SnapshotHoldsTheRegistryFilesAsTheyWere) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mx::FakeClock clock;
  mx::SetClock(&clock);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"State"="before"

[HKEY_CURRENT_USER\Software\Qzx]
"State"="before"
)");
  // An unsaved change must be in the snapshot: the begin call flushes first.
  STATEMGRSTATUS status;
  auto begin = Request(BEGIN_SYSTEM_CHANGE, 0, L"Tarvolen Mendrix Thu, Dec 10, 26  12:00");
  ASSERT_TRUE(win::SRSetRestorePoint(&begin, &status));
  EXPECT_EQ(status.nStatus, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(status.llSequenceNumber, 1);
  std::string system = Read(mx::PrefixDir() / "system.reg");
  std::string user = Read(mx::PrefixDir() / "user.reg");
  EXPECT_NE(system.find("\"State\"=\"before\""), std::string::npos);

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"State"="after"
)");
  prefix.flush();
  auto end = Request(END_SYSTEM_CHANGE, status.llSequenceNumber);
  ASSERT_TRUE(win::SRSetRestorePoint(&end, &status));

  auto points = mx::ListRestorePoints();
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].description, L"Tarvolen Mendrix Thu, Dec 10, 26  12:00");
  EXPECT_TRUE(points[0].completed);
  EXPECT_EQ(points[0].createdFileTime, clock.NowFileTime());
  EXPECT_EQ(Read(points[0].folder / "system.reg"), system);
  EXPECT_EQ(Read(points[0].folder / "user.reg"), user);
  EXPECT_EQ(Read(points[0].folder / "userdef.reg"), Read(mx::PrefixDir() / "userdef.reg"));
  EXPECT_NE(Read(mx::PrefixDir() / "system.reg"), system);

  // Sequence numbers grow; a cancelled point is gone.
  ASSERT_TRUE(win::SRSetRestorePoint(&begin, &status));
  EXPECT_EQ(status.llSequenceNumber, 2);
  auto cancel = Request(END_SYSTEM_CHANGE, 2);
  cancel.dwRestorePtType = CANCELLED_OPERATION;
  ASSERT_TRUE(win::SRSetRestorePoint(&cancel, &status));
  EXPECT_EQ(mx::ListRestorePoints().size(), 1u);
  mx::SetClock(nullptr);
}

TEST(RestorePoint, FailuresAreReportedNotHidden) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  STATEMGRSTATUS status;
  auto end = Request(END_SYSTEM_CHANGE, 42);
  EXPECT_FALSE(win::SRSetRestorePoint(&end, &status));
  EXPECT_EQ(status.nStatus, static_cast<DWORD>(ERROR_INVALID_DATA));
  auto odd = Request(7, 0);
  EXPECT_FALSE(win::SRSetRestorePoint(&odd, &status));
  EXPECT_FALSE(win::SRSetRestorePoint(nullptr, &status));

  mx::SetRestorePointFailure(ERROR_ACCESS_DENIED);
  auto begin = Request(BEGIN_SYSTEM_CHANGE, 0);
  EXPECT_FALSE(win::SRSetRestorePoint(&begin, &status));
  EXPECT_EQ(status.nStatus, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  mx::SetRestorePointFailure(0);
  EXPECT_TRUE(mx::ListRestorePoints().empty());
  // A half-written point (a crash before its rename) is never listed.
  std::filesystem::create_directories(mx::RestorePointsDir() / ".new-RP1");
  EXPECT_TRUE(win::SRSetRestorePoint(&begin, &status));
  EXPECT_EQ(status.llSequenceNumber, 1);
}

}  // namespace
