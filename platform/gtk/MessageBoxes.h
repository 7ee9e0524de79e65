#pragma once
// Message boxes on the real display: the answer provider that shows each message box as a GTK dialog with the
// buttons of its MB_* type and waits for the user. A box raised on a worker thread is shown by the GTK thread
// while the worker waits; dialogs of our own (DoModal) are real windows already and run their own loop.
#include "platform/win/MessageBox.h"

namespace gtkhost {

class DisplayAnswers final : public win::AnswerProvider {
 public:
  std::optional<int> Answer(const win::Prompt& prompt) override;
};

// Installs a DisplayAnswers as the process's provider (on the GTK main thread, after Display::Start).
void UseDisplayAnswers();

}  // namespace gtkhost
