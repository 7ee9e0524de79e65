#include "platform/gtk/FolderChooser.h"

#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/gtk/Display.h"
#include "platform/shell/FolderPicker.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace gtkhost {
namespace {

DWORD g_gtkThread = 0;

// On the GTK thread: runs the chooser to its answer.
std::optional<std::wstring> Choose(const win::FolderPickerRequest& request) {
  GtkWindow* parent = nullptr;
  if (request.owner && win::IsWindow(request.owner))
    parent = GTK_WINDOW(Display::Get().WindowWidget(win::GetAncestor(request.owner, win::GA_ROOT)));
  GtkWidget* dialog = gtk_file_chooser_dialog_new(mx::WideToUtf8(request.title).c_str(), parent,
                                                  GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  if (auto drive = mx::ResolveWinPath(L"C:\\"))
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), drive->host.c_str());
  std::optional<std::wstring> chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    // Nothing selected inside the folder shown: the folder shown is the choice.
    gchar* host = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    if (!host) host = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
    chosen = std::wstring();
    if (host) {
      if (auto win = mx::HostToWinPath(host)) chosen = *win;
      g_free(host);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace

void UseDisplayFolderPicker() {
  g_gtkThread = win::GetCurrentThreadId();
  win::SetFolderPicker([](const win::FolderPickerRequest& request) -> std::optional<std::wstring> {
    // The shell asks from the window's thread, which is the GTK thread in this program.
    if (win::GetCurrentThreadId() != g_gtkThread) return std::nullopt;
    return Choose(request);
  });
}

}  // namespace gtkhost
