#pragma once
// The main window as the program makes it, on the headless core: a throw-away prefix with a data folder,
// the fake clock (timers fire as it is stepped), fake pages that load when told, scripted answers and a
// recorded relaunch.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "../app/AppTestPrefix.h"
#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/base/Clock.h"
#include "platform/fs/FileApi.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"

namespace mainwndtest {

struct Relaunch {
  std::wstring verb;
  std::wstring parameters;
  bool settingsSaved = false;  // the exclusion list file existed when the launch was asked for
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mx::SetClock(&clock);
    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      auto page = std::make_shared<web::FakePage>();
      pages[name] = {page, std::move(complete)};
      return page;
    });
    CZUNDlg::SetRelaunchFunction([this](HWND, const std::wstring& verb, const std::wstring& parameters) {
      relaunches.push_back({verb, parameters, DataFileExists(L"ExcludeList.kvt")});
      return relaunchResult;
    });
    CZUNDlg::SetUnattendedEndHook([this](bool completed, int problems) {
      unattendedEnds.push_back({completed, problems});
    });
    GoToSystemTrayOnClose = 0;
    g_nModalCount = 0;
  }
  void TearDown() override {
    dlg.reset();
    app.reset();
    web::SetPageFactory(nullptr);
    CZUNDlg::SetRelaunchFunction(nullptr);
    CZUNDlg::SetUnattendedEndHook(nullptr);
    mx::SetClock(nullptr);
    g_nModalCount = 0;
    GoToSystemTrayOnClose = 0;
  }

  // Makes the window as the program does: the object, then its hidden window.
  void Start() {
    dlg = std::make_unique<CZUNDlg>();
    dlg->m_onCreateDefaultTasks = [this] { ++defaultTasksCreated; };
    dlg->m_onCheckForUpdates = [this](CZUNDlg&, bool automatic) { updateChecks.push_back(automatic); };
    dlg->m_onAbout = [this](CZUNDlg&) { ++aboutShown; };
    app->m_pMainDlg = dlg.get();
    app->m_pMainWnd = dlg.get();
    ASSERT_TRUE(dlg->Create());
    dlg->ShowWindow(SW_HIDE);
  }

  // Dispatches what waits; returns whether WM_QUIT came (it is consumed).
  bool Pump() {
    bool quit = false;
    MSG msg;
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
        continue;
      }
      win::DispatchMessage(&msg);
    }
    return quit;
  }
  bool Step(std::uint64_t ms) {
    bool quit = Pump();
    clock.Advance(ms);
    return Pump() || quit;
  }
  // The home page finishes loading and the first-show rule runs its 2048 ms.
  void FirstShow() {
    LoadPage("424.htm");
    Step(2048);
    Pump();
  }
  void LoadPage(const std::string& name) {
    ASSERT_TRUE(pages.count(name)) << name;
    pages[name].page->SetLoaded(true);
    pages[name].complete();
  }
  void Command(UINT id) { dlg->PostMessage(WM_COMMAND, id, 0); }
  bool DataFileExists(const wchar_t* name) {
    return win::GetFileAttributes((std::wstring(apptest::kDataFolder) + L"\\" + name).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
  }
  UINT CurrentScreenId() const {
    return dlg->m_pCurrentScreen ? static_cast<UINT>(dlg->m_pCurrentScreen->GetDlgCtrlID()) : 0;
  }

  mx::FakeClock clock;
  apptest::AppPrefix prefix;
  win::ScopedAnswers answers;
  std::unique_ptr<CZUNApp> app = std::make_unique<CZUNApp>();
  std::unique_ptr<CZUNDlg> dlg;
  struct LoadablePage {
    std::shared_ptr<web::FakePage> page;
    std::function<void()> complete;
  };
  std::map<std::string, LoadablePage> pages;
  std::vector<Relaunch> relaunches;
  std::intptr_t relaunchResult = 42;
  std::vector<std::pair<bool, int>> unattendedEnds;
  std::vector<bool> updateChecks;
  int defaultTasksCreated = 0;
  int aboutShown = 0;
  int quitCode = -1;
};

}  // namespace mainwndtest
