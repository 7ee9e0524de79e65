#include "platform/gtk/Startup.h"

#include "platform/gtk/Display.h"
#include "platform/gtk/MessageBoxes.h"
#include "platform/gtk/QueueSource.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace gtkhost {

bool StartRealDisplay() {
  if (Display::Get().Started()) return true;
  if (!gtk_init_check(nullptr, nullptr)) return false;
  AttachQueueSource();
  Display::Get().Start();
  UseDisplayAnswers();
  return true;
}

}  // namespace gtkhost
