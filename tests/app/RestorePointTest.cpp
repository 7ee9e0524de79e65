#include "app/RestorePoint.h"

#include <gtest/gtest.h>

#include "AppTestPrefix.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/system/RestorePoint.h"
#include "platform/system/SystemInfo.h"

namespace {

class RestorePointTest : public ::testing::Test {
 protected:
  void SetUp() override { mx::SetClock(&clock); }
  void TearDown() override {
    mx::PinOsVersion(0, 0);
    mx::SetRestorePointFailure(0);
    mx::SetClock(nullptr);
  }
  static constexpr std::uint64_t kMinute = 60 * 1000;
  mx::FakeClock clock;
  apptest::AppPrefix prefix;
};

TEST_F(RestorePointTest, TheTwentyFiveHourRule) {
  ASSERT_TRUE(IsRestorePointDue()) << "nothing stored";
  ASSERT_TRUE(CreateRestorePoint(L"first"));
  ASSERT_EQ(mx::ListRestorePoints().size(), 1u);
  EXPECT_EQ(mx::ListRestorePoints()[0].description, L"first");
  EXPECT_TRUE(mx::ListRestorePoints()[0].completed);

  clock.Advance((24 * 60 + 59) * kMinute);
  EXPECT_FALSE(IsRestorePointDue());
  EXPECT_TRUE(CreateRestorePoint(L"not due"));
  EXPECT_EQ(mx::ListRestorePoints().size(), 1u) << "not due: the system is not asked";

  clock.Advance(kMinute);
  EXPECT_TRUE(IsRestorePointDue()) << "exactly 25 hours";

  clock.SetFileTime(clock.NowFileTime() - 30 * 3600 * 10000000ull);  // the user sets the date back
  EXPECT_TRUE(IsRestorePointDue()) << "a stored time in the future";
}

TEST_F(RestorePointTest, AStoredValueOfTwelveBytesCountsAsMissing) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\SYSRES]
"LastRestorePointTime"=hex:ea,07,01,00,03,00,01,00,00,00,00,00
)");
  SYSTEMTIME st{};
  EXPECT_FALSE(LoadLastRestorePointTime(st));
  EXPECT_TRUE(IsRestorePointDue());
}

TEST_F(RestorePointTest, DefaultDescriptionIsTitleAndLocalTimeCutTo63) {
  ASSERT_TRUE(CreateRestorePoint(L""));
  const std::wstring expected = (GetAppTitle() + L" " + FormatRestorePointTime()).substr(0, 63);
  EXPECT_EQ(mx::ListRestorePoints().back().description, expected);
  // "Sun, Jan 04, 26  13:05": weekday, month, day, two-digit year, two blanks, hour and minute.
  const std::wstring time = FormatRestorePointTime();
  ASSERT_EQ(time.size(), 22u);
  EXPECT_EQ(time.substr(3, 2), L", ");
  EXPECT_EQ(time.substr(15, 2), L"  ");

  clock.Advance(26 * 60 * kMinute);
  ASSERT_TRUE(CreateRestorePoint(std::wstring(80, L'd')));
  EXPECT_EQ(mx::ListRestorePoints().back().description, std::wstring(63, L'd'));
}

TEST_F(RestorePointTest, FailuresReturnFalseAndStoreNoTime) {
  mx::PinOsVersion(5, 0);
  EXPECT_FALSE(CreateRestorePoint(L"on Windows 2000"));
  mx::PinOsVersion(0, 0);

  mx::SetRestorePointFailure(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CreateRestorePoint(L"refused"));
  SYSTEMTIME st{};
  EXPECT_FALSE(LoadLastRestorePointTime(st));
  mx::SetRestorePointFailure(0);
  EXPECT_TRUE(CreateRestorePoint(L"again"));
  EXPECT_TRUE(LoadLastRestorePointTime(st));
}

}  // namespace
