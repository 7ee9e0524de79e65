#include "platform/gtk/Startup.h"

#include "platform/gtk/Display.h"
#include "platform/gtk/FolderChooser.h"
#include "platform/gtk/MessageBoxes.h"
#include "platform/gtk/QueueSource.h"
#include "platform/win/Message.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace gtkhost {

bool StartRealDisplay() {
  if (Display::Get().Started()) return true;
  if (!gtk_init_check(nullptr, nullptr)) return false;
  AttachQueueSource();
  // Modal loops of this thread wait inside GTK, so the windows keep being drawn and answering.
  win::SetQueueWaitHook(&WaitForQueue);
  Display::Get().Start();
  UseDisplayAnswers();
  UseDisplayFolderPicker();
  return true;
}

}  // namespace gtkhost
