#include "platform/win/MessageBox.h"

#include <atomic>

#include "platform/base/Text.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "platform/win/Window.h"

namespace win {

namespace {
std::atomic<AnswerProvider*> g_provider{nullptr};
constexpr int kDrainLimit = 10000;

bool Fits(const std::wstring& match, const Prompt& p) {
  return match.empty() || mx::FindNoCase(p.text, match) != std::wstring::npos ||
         mx::FindNoCase(p.caption, match) != std::wstring::npos;
}
}  // namespace

void ScriptedAnswers::Expect(std::wstring match, int answer) {
  std::lock_guard lock(mutex_);
  rules_.push_back({std::move(match), answer, nullptr});
}

void ScriptedAnswers::OnDialog(std::wstring match, std::function<std::optional<int>(HWND)> f) {
  std::lock_guard lock(mutex_);
  rules_.push_back({std::move(match), 0, std::move(f)});
}

std::optional<int> ScriptedAnswers::Answer(const Prompt& prompt) {
  std::unique_lock lock(mutex_);
  std::optional<int> answer;
  std::function<std::optional<int>(HWND)> dialog;
  bool matched = false;
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (it->dialog && prompt.kind != PromptKind::Dialog) continue;
    if (!Fits(it->match, prompt)) continue;
    matched = true;
    answer = it->answer;
    dialog = std::move(it->dialog);
    rules_.erase(it);
    break;
  }
  if (!matched) answer = prompt.kind == PromptKind::Dialog ? IDCANCEL : DefaultButton(prompt.type);
  if (dialog) {
    lock.unlock();  // the callback may prompt again
    answer = dialog(prompt.hwnd);
    lock.lock();
  }
  records_.push_back({prompt, answer ? *answer : -1});
  return answer;
}

std::vector<ScriptedAnswers::Record> ScriptedAnswers::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<std::wstring> ScriptedAnswers::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::wstring> out;
  for (const auto& r : records_) out.push_back(r.prompt.text);
  return out;
}

size_t ScriptedAnswers::pending() const {
  std::lock_guard lock(mutex_);
  return rules_.size();
}

void ScriptedAnswers::clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  records_.clear();
}

ScriptedAnswers& DefaultAnswers() {
  static ScriptedAnswers answers;
  return answers;
}

void SetAnswerProvider(AnswerProvider* provider) { g_provider.store(provider); }

AnswerProvider& GetAnswerProvider() {
  AnswerProvider* p = g_provider.load();
  return p ? *p : DefaultAnswers();
}

int DefaultButton(UINT type) {
  static const std::vector<int> kButtons[] = {
      {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL},
  };
  UINT kind = type & MB_TYPEMASK;
  const auto& buttons = kind < std::size(kButtons) ? kButtons[kind] : kButtons[0];
  size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  const std::wstring cap = caption ? caption : L"Error";
  HWND box = CreateWindowEx(WS_EX_DLGMODALFRAME, kDialogClass, cap.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
                            0, 0, 0, owner, nullptr, nullptr, nullptr);
  // Only an owner of this thread is disabled: a worker's box must not wait on the UI thread for it.
  bool disabled = false;
  if (owner && GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId() && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    disabled = true;
  }
  bool quit = false;
  int quitCode = 0;
  MSG msg;
  for (int i = 0; i < kDrainLimit && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    CWinThread* thread = AfxGetThread();
    if (thread && thread->PreTranslateMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  Prompt prompt;
  prompt.kind = PromptKind::MessageBox;
  prompt.text = text ? text : L"";
  prompt.caption = cap;
  prompt.type = type;
  prompt.hwnd = box;
  prompt.owner = owner;
  prompt.threadId = GetCurrentThreadId();
  int answer = GetAnswerProvider().Answer(prompt).value_or(DefaultButton(type));
  if (disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (box && IsWindow(box)) DestroyWindow(box);
  if (quit) PostQuitMessage(quitCode);  // the outer loop must still end
  return answer;
}

}  // namespace win
