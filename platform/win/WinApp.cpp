#include "platform/win/WinApp.h"

#include <atomic>
#include <mutex>

#include "platform/base/Text.h"
#include "platform/win/Core.h"
#include "platform/win/Instance.h"
#include "platform/win/Message.h"

namespace win {

namespace {
std::atomic<CWinApp*> g_app{nullptr};
std::atomic<DWORD> g_appThread{0};

std::mutex& ArgsMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::wstring>& Args() {
  static std::vector<std::wstring> args;
  return args;
}
}  // namespace

CWinApp::CWinApp(LPCWSTR appName) : m_pszAppName(appName ? appName : L"") {
  g_app.store(this);
  g_appThread.store(GetCurrentThreadId());
}

CWinApp::~CWinApp() {
  CWinApp* self = this;
  g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

CWinApp* AfxGetApp() { return g_app.load(); }

CWinThread* AfxGetThread() {
  auto q = core::CurrentQueue();
  if (q->thread) return q->thread;
  if (GetCurrentThreadId() == g_appThread.load()) return g_app.load();
  return nullptr;
}

CWnd* AfxGetMainWnd() {
  if (CWinThread* thread = AfxGetThread())
    if (CWnd* main = thread->GetMainWnd()) return main;
  CWinApp* app = AfxGetApp();
  return app ? app->m_pMainWnd : nullptr;
}

const std::vector<std::wstring>& CommandLineArgs() {
  std::lock_guard lock(ArgsMutex());
  return Args();
}

void SetCommandLineArgs(std::vector<std::wstring> args) {
  std::lock_guard lock(ArgsMutex());
  Args() = std::move(args);
}

int AfxWinMain(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(mx::Utf8ToWide(argv[i] ? argv[i] : ""));
  SetCommandLineArgs(args);
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  g_appThread.store(GetCurrentThreadId());
  app->m_lpCmdLine.clear();
  for (size_t i = 1; i < args.size(); ++i) {
    if (i > 1) app->m_lpCmdLine += L' ';
    app->m_lpCmdLine += args[i];
  }
  StartInstanceChannel();
  int code = app->InitInstance() ? app->Run() : app->ExitInstance();
  StopInstanceChannel();
  return code;
}

}  // namespace win
