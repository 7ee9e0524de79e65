#include "platform/gtk/MessageBoxes.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/Text.h"
#include "platform/gtk/Display.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace gtkhost {
namespace {

struct Button {
  const char* label;
  int id;
};

std::vector<Button> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"Yes", IDYES}, {"No", IDNO}};
    case MB_RETRYCANCEL: return {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}};
    default: return {{"OK", IDOK}};
  }
}

// What the box answers when closed without a button: Cancel where there is one, else its only button.
int CloseAnswer(UINT type) {
  for (const auto& b : ButtonsOf(type))
    if (b.id == IDCANCEL) return IDCANCEL;
  auto buttons = ButtonsOf(type);
  return buttons.size() == 1 ? buttons[0].id : win::DefaultButton(type);
}

struct Pending {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  int answer = 0;
};

// On the GTK thread: shows the box; the answer arrives through finish.
void Show(const win::Prompt& prompt, std::shared_ptr<Pending> pending) {
  GtkWindow* parent = nullptr;
  if (prompt.owner) parent = GTK_WINDOW(Display::Get().WindowWidget(win::GetAncestor(prompt.owner, win::GA_ROOT)));
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "%s",
                                             mx::WideToUtf8(prompt.text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), mx::WideToUtf8(prompt.caption).c_str());
  for (const auto& b : ButtonsOf(prompt.type)) gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.id);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), win::DefaultButton(prompt.type));
  const int closeAnswer = CloseAnswer(prompt.type);
  struct Ctx {
    std::shared_ptr<Pending> pending;
    int closeAnswer;
  };
  auto* ctx = new Ctx{std::move(pending), closeAnswer};
  g_signal_connect_data(
      dialog, "response",
      G_CALLBACK(+[](GtkDialog* d, gint response, gpointer data) {
        auto* c = static_cast<Ctx*>(data);
        std::lock_guard lock(c->pending->m);
        if (c->pending->done) return;
        c->pending->answer = response > 0 ? response : c->closeAnswer;
        c->pending->done = true;
        c->pending->cv.notify_all();
        gtk_widget_destroy(GTK_WIDGET(d));
      }),
      ctx, [](gpointer data, GClosure*) { delete static_cast<Ctx*>(data); }, GConnectFlags(0));
  gtk_widget_show_all(dialog);
}

DWORD g_gtkThread = 0;

}  // namespace

std::optional<int> DisplayAnswers::Answer(const win::Prompt& prompt) {
  if (prompt.kind != win::PromptKind::MessageBox) return std::nullopt;
  auto pending = std::make_shared<Pending>();
  if (win::GetCurrentThreadId() == g_gtkThread) {
    Show(prompt, pending);
    // A modal loop of its own: the thread's messages keep flowing, as under a message box.
    while (true) {
      {
        std::lock_guard lock(pending->m);
        if (pending->done) break;
      }
      g_main_context_iteration(nullptr, TRUE);
    }
    return pending->answer;
  }
  struct Job {
    win::Prompt prompt;
    std::shared_ptr<Pending> pending;
  };
  g_main_context_invoke_full(
      nullptr, G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        auto* job = static_cast<Job*>(data);
        Show(job->prompt, job->pending);
        return G_SOURCE_REMOVE;
      },
      new Job{prompt, pending}, [](gpointer data) { delete static_cast<Job*>(data); });
  std::unique_lock lock(pending->m);
  pending->cv.wait(lock, [&] { return pending->done; });
  return pending->answer;
}

void UseDisplayAnswers() {
  static DisplayAnswers answers;
  g_gtkThread = win::GetCurrentThreadId();
  win::SetAnswerProvider(&answers);
}

}  // namespace gtkhost
