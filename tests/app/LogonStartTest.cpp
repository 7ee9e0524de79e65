// The start at logon: the reminder and the one-time start after an optimisation, as Run values before Vista
// and as logon tasks from Vista on; and the scope without file-system redirection.
#include <gtest/gtest.h>

#include "app/AppSettings.h"
#include "app/LogonStart.h"
#include "app/RegistryKey.h"
#include "app/Wow64FsRedirectionGuard.h"
#include "platform/system/Module.h"
#include "platform/system/SystemInfo.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/taskschd/TaskStore.h"
#include "support/TestPrefix.h"

namespace {

class LogonStartTest : public ::testing::Test {
 protected:
  void TearDown() override {
    mx::PinOsVersion(0, 0);
    StartWhenWinBoots = 1;
  }
  static std::vector<std::wstring> RunValues() {
    CRegistryKey key;
    std::vector<std::wstring> names;
    key.GetValueNames(kRunKey, names);
    return names;
  }
  mxtest::TestPrefix prefix;
};

TEST_F(LogonStartTest, FromVistaOneLogonTaskAtATime) {
  mx::PinOsVersion(6, 1);
  StartWhenWinBoots = 1;
  EXPECT_EQ(SetStartWithWindows(TRUE), 1);
  EXPECT_EQ(SetStartWithWindows(TRUE), 1);
  EXPECT_EQ(mx::TaskNames(), std::vector<std::wstring>{kReminderEntryName});
  mx::StoredTask task;
  ASSERT_EQ(mx::LoadTask(kReminderEntryName, task), ERROR_SUCCESS);
  EXPECT_EQ(task.command, mx::ProgramWinPath());
  EXPECT_EQ(task.arguments, L"-rem");
  EXPECT_EQ(task.groupId, L"S-1-5-32-545");
  EXPECT_TRUE(task.highestRunLevel);
  EXPECT_EQ(task.author, L"Tarvolen");
  EXPECT_EQ(task.executionTimeLimit, L"PT0S");
  EXPECT_TRUE(task.startWhenAvailable);
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_EQ(task.triggers[0].kind, mx::TriggerKind::Logon);
  EXPECT_EQ(task.triggers[0].id, kReminderEntryName);
  EXPECT_EQ(task.triggers[0].delay, L"PT5S");

  SetStartAfterOptimization(TRUE);
  EXPECT_EQ(mx::TaskNames(), std::vector<std::wstring>{kAfterOptimizationEntryName});
  ASSERT_EQ(mx::LoadTask(kAfterOptimizationEntryName, task), ERROR_SUCCESS);
  EXPECT_EQ(task.arguments, L"StartedAfterOptimization");
  SetStartAfterOptimization(FALSE);
  EXPECT_EQ(mx::TaskNames(), std::vector<std::wstring>{kReminderEntryName});

  // The reminder comes back only when the user wants it.
  StartWhenWinBoots = 0;
  SetStartWithWindows(FALSE);
  SetStartAfterOptimization(TRUE);
  SetStartAfterOptimization(FALSE);
  EXPECT_TRUE(mx::TaskNames().empty());
  EXPECT_FALSE(DeleteLogonTask(TRUE));
}

TEST_F(LogonStartTest, BeforeVistaRunValuesHoldTheQuotedPath) {
  mx::PinOsVersion(5, 1);
  const std::wstring quoted = L"\"" + mx::ProgramWinPath() + L"\"";
  SetStartWithWindows(TRUE);
  CRegistryKey key;
  key.m_access = KEY_READ;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, FALSE, kRunKey));
  std::wstring value;
  ASSERT_TRUE(key.ReadString(kReminderEntryName, value));
  EXPECT_EQ(value, quoted + L" -rem");
  key.Close();

  SetStartAfterOptimization(TRUE);
  EXPECT_EQ(RunValues(), std::vector<std::wstring>{kAfterOptimizationEntryName});
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, FALSE, kRunKey));
  ASSERT_TRUE(key.ReadString(kAfterOptimizationEntryName, value));
  EXPECT_EQ(value, quoted + L" StartedAfterOptimization ");
  key.Close();
  SetStartAfterOptimization(FALSE);
  EXPECT_EQ(RunValues(), std::vector<std::wstring>{kReminderEntryName});
  SetStartWithWindows(FALSE);
  EXPECT_TRUE(RunValues().empty());
  EXPECT_TRUE(mx::TaskNames().empty());
}

TEST(Wow64FsRedirectionGuard, SwitchesRedirectionOffForItsScope) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  ASSERT_TRUE(mx::IsFsRedirectionActive());
  {
    CWow64FsRedirectionGuard guard;
    EXPECT_FALSE(mx::IsFsRedirectionActive());
  }
  EXPECT_TRUE(mx::IsFsRedirectionActive());
  mxtest::TestPrefix prefix32(mxtest::Arch::Win32);
  CWow64FsRedirectionGuard nothingToDo;
  EXPECT_FALSE(mx::IsFsRedirectionActive());
}

}  // namespace
