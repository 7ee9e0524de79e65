#include "scan/ProblemTexts.h"

#include <mutex>
#include <optional>
#include <vector>

#include "app/CategoryTexts.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"

namespace {

// Which field fills each placeholder of a template.
enum class Arg { Key, ValueName, ValueNameOrDefault, ValueData, Detail0, Detail1, Detail2, Detail3 };
using Args = std::vector<Arg>;

const Args& DescriptionArgs(int type) {
  using A = Arg;
  static const std::vector<Args> table = [] {
    std::vector<Args> t(kProblemTypeCount);
    auto set = [&t](std::initializer_list<int> types, Args args) {
      for (int type : types) t[type] = args;
    };
    set({0}, {A::Detail1, A::ValueData});
    set({1, 8, 9, 22, 27, 28, 33, 38, 39}, {A::Detail1});
    set({2, 3, 6, 11, 12, 17, 19, 23, 24, 25, 36, 41}, {A::ValueData});
    set({4, 16, 18, 20}, {A::Key});
    set({5, 29, 30, 31, 32}, {A::Detail2});
    set({7, 10, 37}, {A::ValueData, A::Detail1});
    set({13}, {A::ValueData, A::Detail0});
    set({14, 26, 35}, {});
    set({15}, {A::Detail0, A::ValueData});
    set({21}, {A::Detail1, A::ValueData});
    set({34}, {A::Detail2, A::Detail2});
    set({40}, {A::Detail3, A::Detail2});
    set({42, 43}, {A::ValueNameOrDefault, A::Key, A::ValueData});
    return t;
  }();
  return table[type];
}

const Args& DetailArgs(int type) {
  using A = Arg;
  static const std::vector<Args> table = [] {
    std::vector<Args> t(kProblemTypeCount);
    auto set = [&t](std::initializer_list<int> types, Args args) {
      for (int type : types) t[type] = args;
    };
    set({0}, {A::Key, A::Detail1, A::ValueData});
    set({13}, {A::Key, A::Detail0, A::ValueData});
    set({1}, {A::Detail1, A::Key});
    set({2, 3, 6, 7, 10, 11, 12, 17, 36, 37}, {A::Key, A::ValueData});
    set({4, 8, 9, 14, 16, 18, 20, 35, 38}, {A::Key});
    set({5, 19, 26, 39}, {A::Key, A::Detail1});
    set({15}, {A::Key, A::Detail2});
    set({21, 27}, {A::ValueData, A::Key});
    set({22}, {A::Key, A::Detail2, A::Detail1});
    set({23, 41, 42, 43}, {A::ValueName, A::Key, A::ValueData});
    set({24, 25, 33}, {A::ValueName, A::Key});
    set({28}, {A::Detail2, A::ValueData, A::Key});
    set({29, 30, 31, 32}, {A::Detail1});
    set({34}, {A::Detail2, A::Detail2});
    set({40}, {A::Detail1, A::Detail2});
    return t;
  }();
  return table[type];
}

std::wstring ArgText(const CProblem& problem, Arg arg) {
  switch (arg) {
    case Arg::Key: return problem.Key;
    case Arg::ValueName: return problem.ValueName;
    case Arg::ValueNameOrDefault: return problem.ValueName.empty() ? L"DEFAULT" : problem.ValueName;
    case Arg::ValueData: return problem.ValueData;
    case Arg::Detail0: return problem.GetDetail(0);
    case Arg::Detail1: return problem.GetDetail(1);
    case Arg::Detail2: return problem.GetDetail(2);
    case Arg::Detail3: return problem.GetDetail(3);
  }
  return {};
}

std::wstring FillTemplate(const std::vector<std::wstring>& templates, const CProblem* problem, bool description) {
  if (problem == nullptr || problem->EntryType < 0 || problem->EntryType >= kProblemTypeCount) return {};
  const int type = problem->EntryType;
  const std::wstring tmpl = type < static_cast<int>(templates.size()) ? templates[type] : std::wstring();
  const Args& args = description ? DescriptionArgs(type) : DetailArgs(type);
  std::vector<std::wstring> texts;
  for (Arg arg : args) texts.push_back(ArgText(*problem, arg));
  switch (texts.size()) {
    case 0: return tmpl;
    case 1: return mx::SafeFormat(tmpl, {texts[0]});
    case 2: return mx::SafeFormat(tmpl, {texts[0], texts[1]});
    default: return mx::SafeFormat(tmpl, {texts[0], texts[1], texts[2]});
  }
}

// The jump's pauses, as the editor needs them to keep up with the keys.
constexpr DWORD kEditorCloseWaitMs = 1024;
constexpr DWORD kEditorStartSettleMs = 1024;
constexpr DWORD kEditorStartTimeoutMs = 5000;
constexpr DWORD kEditorPollMs = 100;
constexpr DWORD kStepPauseMs = 225;
constexpr DWORD kKeyPauseMs = 27;
constexpr WPARAM kVkHome = 0x24;
constexpr WPARAM kVkRight = 0x27;
constexpr LPCWSTR kEditorClass = L"RegEdit_RegEdit";

std::mutex g_launcherLock;
RegeditLauncher g_launcher;

bool LaunchEditor() {
  RegeditLauncher launcher;
  {
    std::lock_guard<std::mutex> guard(g_launcherLock);
    launcher = g_launcher;
  }
  return launcher && launcher();
}

// File-system redirection off for a scope, so that the 64-bit editor starts.
class RedirectionOff {
 public:
  RedirectionOff() { m_disabled = DisableWow64Redirection(&m_old) != FALSE; }
  ~RedirectionOff() {
    if (m_disabled) RevertWow64Redirection(m_old);
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  void* m_old = nullptr;
  bool m_disabled = false;
};

// Keys go to the editor's controls as posted input: a busy or hung editor never blocks our UI thread.
void TypeText(HWND control, const std::wstring& text, bool backslashExpands) {
  win::PostMessage(control, WM_KEYDOWN, kVkHome, 0);
  for (wchar_t ch : text) {
    if (backslashExpands && ch == L'\\')
      win::PostMessage(control, WM_KEYDOWN, kVkRight, 0);
    else
      win::PostMessage(control, WM_CHAR, static_cast<WPARAM>(ch), 0);
    win::Sleep(kKeyPauseMs);
  }
}

HWND WaitForEditorWindow() {
  for (DWORD waited = 0; waited < kEditorStartTimeoutMs; waited += kEditorPollMs) {
    if (HWND editor = win::FindWindow(kEditorClass, nullptr)) return editor;
    win::Sleep(kEditorPollMs);
  }
  return win::FindWindow(kEditorClass, nullptr);
}

void FocusControl(HWND control) {
  win::BringWindowToTop(control);
  win::SetFocus(control);
}

}  // namespace

std::wstring GetProblemDescription(const CProblem* problem) {
  return FillTemplate(g_arrProblemDescriptions, problem, true);
}

std::wstring GetProblemDetailText(const CProblem* problem) {
  return FillTemplate(g_arrProblemDetails, problem, false);
}

void SetRegeditLauncher(RegeditLauncher launcher) {
  std::lock_guard<std::mutex> guard(g_launcherLock);
  g_launcher = std::move(launcher);
}

bool OpenKeyInRegedit(const std::wstring& keyPath, const std::wstring& valueName, bool view64) {
  if (keyPath.empty()) return false;

  REGSAM view = 0;
  std::optional<RedirectionOff> redirection;
  if (IsWow64()) {
    view = view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    if (view64) redirection.emplace();
  }

  const size_t slash = keyPath.find(L'\\');
  if (slash == std::wstring::npos) return false;
  HKEY root = RootKeyFromName(keyPath.substr(0, slash));
  if (root == nullptr) return false;
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(root, keyPath.substr(slash + 1).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return false;
  win::RegCloseKey(key);
  const std::wstring path = mx::ToLower(keyPath);
  const std::wstring value = mx::ToLower(valueName);

  if (HWND open = win::FindWindow(kEditorClass, nullptr)) {
    win::PostMessage(open, WM_CLOSE, 0, 0);
    win::Sleep(kEditorCloseWaitMs);
  }
  HWND editor = nullptr;
  if (LaunchEditor()) {
    editor = WaitForEditorWindow();
    if (editor) {
      win::Sleep(kEditorStartSettleMs);
      editor = win::FindWindow(kEditorClass, nullptr);
    }
  }
  if (editor == nullptr) {
    win::MessageBox(nullptr, L"Can't run Regedit.", GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_ICONERROR);
    return false;
  }

  win::ShowWindow(editor, SW_RESTORE);
  win::Sleep(kStepPauseMs);
  win::SetForegroundWindow(editor);
  win::Sleep(kStepPauseMs);
  HWND tree = win::FindWindowEx(editor, nullptr, L"SysTreeView32", nullptr);
  win::Sleep(kStepPauseMs);
  TypeText(tree, path, true);

  if (!value.empty()) {
    HWND list = win::FindWindowEx(editor, nullptr, L"SysListView32", nullptr);
    FocusControl(list);
    TypeText(list, value, false);
    list = win::FindWindowEx(editor, nullptr, L"SysListView32", nullptr);
    if (win::IsWindow(list)) {
      FocusControl(list);
      win::Sleep(kStepPauseMs);
      MSG msg{};
      if (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
      }
      TypeText(list, value, false);
    }
  }
  return true;
}
