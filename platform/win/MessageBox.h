#pragma once
// Message boxes and the answer provider of modal prompts.
//
// A headless run has no one to click: every message box and every modal loop (RunModalLoop, a dialog's
// DoModal) asks the process's answer provider, which tests script and which records every prompt. A display
// backend later installs a provider that shows the prompt and waits for the user through the same loop.
//
// MessageBox creates a hidden "#32770" window owned by owner (caption as given, "Error" when nullptr),
// disables the owner, runs a nested loop that handles everything already waiting for the thread (sent and
// posted messages, paints, due timers), then asks the provider and returns its answer; the owner is enabled
// again before it returns. Works from any thread, also from workers without windows.
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/WinDefs.h"

namespace win {

enum class PromptKind { MessageBox, Dialog };

struct Prompt {
  PromptKind kind = PromptKind::MessageBox;
  std::wstring text;     // the message; for a dialog, its caption
  std::wstring caption;  // the box's or dialog's caption
  UINT type = 0;         // MB_* of a message box
  HWND hwnd = nullptr;   // the box's or dialog's window (alive while the provider is asked)
  HWND owner = nullptr;
  DWORD threadId = 0;
};

class AnswerProvider {
 public:
  virtual ~AnswerProvider() = default;
  // Called on the prompting thread. For a message box nullopt means its default button; for a dialog nullopt
  // lets the loop run until the dialog ends itself (the provider may have posted clicks to prompt.hwnd).
  virtual std::optional<int> Answer(const Prompt& prompt) = 0;
};

// Scripted answers, used in order: each rule answers the first later prompt whose text or caption contains
// its match (without case; an empty match takes any prompt) and is then used up. Unmatched message boxes get
// their default button, unmatched dialogs IDCANCEL (as if Esc was pressed), so no headless run hangs.
// Thread-safe; every prompt is recorded with the answer given.
class ScriptedAnswers final : public AnswerProvider {
 public:
  void Expect(std::wstring match, int answer);
  // For a dialog: runs f(hwnd) inside the loop; its result ends the dialog, nullopt keeps it running.
  void OnDialog(std::wstring match, std::function<std::optional<int>(HWND)> f);
  std::optional<int> Answer(const Prompt& prompt) override;

  struct Record {
    Prompt prompt;
    int answer;  // -1: the dialog ran its own loop
  };
  std::vector<Record> records() const;
  std::vector<std::wstring> texts() const;
  // Rules not used yet (a test can check its script was consumed).
  size_t pending() const;
  void clear();

 private:
  struct Rule {
    std::wstring match;
    int answer = 0;
    std::function<std::optional<int>(HWND)> dialog;
  };
  mutable std::mutex mutex_;
  std::vector<Rule> rules_;
  std::vector<Record> records_;
};

// The provider of the process; nullptr returns to the built-in one (a ScriptedAnswers with no rules, which
// DefaultAnswers() returns). The caller keeps ownership.
void SetAnswerProvider(AnswerProvider* provider);
AnswerProvider& GetAnswerProvider();
ScriptedAnswers& DefaultAnswers();

// The default button of an MB_* type (MB_DEFBUTTONn within the type's buttons).
int DefaultButton(UINT type);

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Installs a provider for its lifetime (tests).
class ScopedAnswers {
 public:
  ScopedAnswers() { SetAnswerProvider(&answers); }
  ~ScopedAnswers() { SetAnswerProvider(nullptr); }
  ScopedAnswers(const ScopedAnswers&) = delete;
  ScopedAnswers& operator=(const ScopedAnswers&) = delete;
  ScriptedAnswers answers;
};

}  // namespace win
