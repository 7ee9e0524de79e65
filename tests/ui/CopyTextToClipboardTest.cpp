#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/gdi/Clipboard.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "support/TestPrefix.h"
#include "ui/CopyTextToClipboard.h"

namespace {

class CopyTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  }
  void TearDown() override {
    ResetLanguageReader();
    ResetIniCache();
    gdi::SetGlobalAllocLimit(0);
  }
  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
};

}  // namespace

TEST_F(CopyTextTest, PutsTheTextAndConfirms) {
  EXPECT_TRUE(CopyTextToClipboard(L"HKLM\\Software\\Qzx \x00e9", nullptr));
  EXPECT_EQ(gdi::ClipboardText().value_or(L""), L"HKLM\\Software\\Qzx \x00e9");
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.texts()[0], L"The text has been copied to the clipboard.");
}

TEST_F(CopyTextTest, UnavailableClipboardIsNoSuccess) {
  // another thread holds the clipboard open until told to let go
  std::mutex m;
  std::condition_variable cv;
  bool opened = false, release = false;
  std::thread holder([&] {
    win::OpenClipboard(nullptr);
    {
      std::lock_guard lock(m);
      opened = true;
    }
    cv.notify_all();
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return release; });
    win::CloseClipboard();
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return opened; });
  }
  EXPECT_FALSE(CopyTextToClipboard(L"lost", nullptr));
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  holder.join();
  EXPECT_TRUE(answers.answers.texts().empty()) << "no confirmation of a copy that did not happen";

  gdi::SetGlobalAllocLimit(4);
  EXPECT_FALSE(CopyTextToClipboard(L"too long for the block", nullptr));
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_TRUE(win::OpenClipboard(nullptr)) << "a failed copy leaves the clipboard closed";
  win::CloseClipboard();
}
