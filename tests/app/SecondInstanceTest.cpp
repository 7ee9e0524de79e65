// A second process of the program on the same machine: it forwards its word to the first instance (this
// test process plays the first one) and ends without writing a single file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "AppTestPrefix.h"
#include "app/ZUNApp.h"
#include "platform/win/Wnd.h"
#include "platform/base/FileIO.h"
#include "platform/win/Instance.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::string bytes;
    mx::ReadWholeFile(e.path(), bytes);
    files[fs::relative(e.path(), root).string()] = bytes;
  }
  return files;
}

// The first instance's main window as a second instance sees it: a dialog-class window with the title.
class FirstWindow : public win::CWnd {
 public:
  BOOL Create(const wchar_t* title) {
    return CreateEx(0, L"#32770", title, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 770, 593, nullptr, nullptr);
  }
  std::function<void(UINT)> m_onInstanceRequest;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_START_SCHEDULED_SCAN || msg == WM_ASK_DLL_FIXED) {
      if (m_onInstanceRequest) m_onInstanceRequest(msg);
      return 0;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
  }
};

class SecondInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("MX_RUNTIME_DIR", runtime.path().c_str(), 1);
    ASSERT_TRUE(win::StartInstanceChannel());
    win::SetLastError(0);
    mutex = win::CreateMutex(nullptr, TRUE, kMutexName);
    ASSERT_EQ(win::GetLastError(), 0u);
    ASSERT_TRUE(first.Create(L"Tarvolen Mendrix"));
    first.ShowWindow(SW_HIDE);
    prefix.flush();
  }
  void TearDown() override {
    first.DestroyWindow();
    win::CloseHandle(mutex);
    win::StopInstanceChannel();
  }

  // Runs the program with the argument; returns the messages this "first instance" then received. The second
  // instance has each request answered by our channel before it ends, so they all wait in this thread's queue
  // by then: one turn of the loop hands them over, and nothing can come later.
  std::vector<UINT> RunSecond(const char* argument) {
    const auto before = Snapshot(prefix.root());
    const std::string command = "MX_NO_START_WAIT=1 WINEPREFIX='" + prefix.root().string() + "' '" + MX_BINARY_DIR +
                                "/bin/mendrix' " + argument + " 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (!pipe) return {};
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_NE(output.find("already runs on this prefix"), std::string::npos) << "it found us\n" << output;
    std::vector<UINT> received;
    first.m_onInstanceRequest = [&](UINT message) { received.push_back(message); };
    MSG msg;
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
    first.m_onInstanceRequest = nullptr;
    EXPECT_EQ(Snapshot(prefix.root()), before) << "a second instance writes nothing";
    return received;
  }

  mxtest::TempDir runtime;
  apptest::AppPrefix prefix;
  HANDLE mutex = nullptr;
  FirstWindow first;
};

TEST_F(SecondInstanceTest, ScanPostsTheScheduledScanRequest) {
  EXPECT_EQ(RunSecond("-scan"), std::vector<UINT>{WM_START_SCHEDULED_SCAN});
}

TEST_F(SecondInstanceTest, AskUserPostsUnlessTheQuestionWasAsked) {
  EXPECT_EQ(RunSecond("/AskUser"), std::vector<UINT>{WM_ASK_DLL_FIXED});
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"ASKEDUSER"=dword:00000001
)");
  prefix.flush();
  EXPECT_TRUE(RunSecond("-askuser").empty());
}

TEST_F(SecondInstanceTest, AnyOtherWordBringsTheWindowToTheFront) {
  EXPECT_TRUE(RunSecond("-updatecheck").empty());
  EXPECT_TRUE(win::IsWindowVisible(first.m_hWnd));
}

}  // namespace
