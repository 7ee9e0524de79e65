#pragma once
// What the backup tests share: a sample prefix with a data folder, English texts, a visible main window
// for the overlays, and a registry editor stand-in of the test's own when a test needs one that fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>
#include <optional>
#include <string>

#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/gdi/Images.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"
#include "ui/UiTestWindows.h"

namespace backuptest {

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The workers' pauses pass at once; the registry editor still runs in real time.
    mx::SetClock(&clock);
    enginetest::AddDataFolder(prefix);
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    gdi::SetScreenSize(1024, 768);
    ASSERT_TRUE(main.Create(uitest::kEmptyPopup));
    main.MoveWindow(100, 40, 780, 600);
    main.ShowWindow(SW_SHOW);
    app.m_pMainWnd = &main;
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    ResetLanguageReader();
    mx::SetClock(nullptr);
  }
  // The overlays of the wait dialog run until the worker closes them.
  void LetOverlaysRun(int count = 1, std::function<void(HWND)> onShown = {}) {
    for (int i = 0; i < count; ++i)
      answers.answers.OnDialog(L"", [onShown](HWND overlay) -> std::optional<int> {
        if (onShown) onShown(overlay);
        return std::nullopt;
      });
  }
  std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }
  // The message boxes shown so far (the overlays' own prompts left out).
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> out;
    for (const auto& r : answers.answers.records())
      if (r.prompt.kind == win::PromptKind::MessageBox) out.push_back(r.prompt.text);
    return out;
  }

  mx::FakeClock clock;
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  win::CWinApp app{L"Backup test"};
  uitest::TestFrame main;
  win::ScopedAnswers answers;
};

// A registry editor that runs the shell body given (its arguments in "$@") instead of importing or exporting.
class FakeEditor {
 public:
  explicit FakeEditor(const std::string& body) {
    const auto script = dir_.path() / "regedit";
    EXPECT_TRUE(mx::WriteFileAtomic(script, "#!/bin/sh\n" + body + "\n"));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    mx::SetRegeditBinary(script);
  }
  ~FakeEditor() { mx::SetRegeditBinary({}); }

 private:
  mxtest::TempDir dir_;
};

// A shell line for a fake editor that waits until the test makes the file: a minute at most, so a signal
// that never comes fails the test rather than hanging it.
inline std::string ShellWaitFor(const std::filesystem::path& file) {
  return "i=0; while [ ! -e '" + file.string() + "' ] && [ $i -lt 6000 ]; do sleep 0.01; i=$((i+1)); done";
}

// Where the tests leave the pictures of the screens and dialogs.
inline std::filesystem::path RenderingPath(const char* name) {
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  return out / name;
}

}  // namespace backuptest
