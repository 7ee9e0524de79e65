#pragma once
// The real display: every visible top-level window of the core is a borderless GtkWindow that presents the
// window's own pixel surface (painted by the window's thread, never by GTK). Mouse, keys and close requests
// are only posted into the owning thread's queue; GTK never acts on them itself. The one native child is a
// widget (the browser view) placed over its host child window and moved, sized and shown with it.
//
// Everything here runs on the GTK main thread; the window core's notifications from other threads are carried
// over to it.
#include "platform/win/WinDefs.h"

typedef struct _GtkWidget GtkWidget;

namespace gtkhost {

class Display {
 public:
  static Display& Get();

  // Becomes the window observer and presents windows from now on. Call after gtk_init on the main thread.
  void Start();
  // Closes every presented window and stops observing.
  void Stop();
  bool Started() const;

  // Places widget over host (a child window) inside host's top-level GtkWindow; the display keeps a
  // reference until DetachNativeChild or the host's destruction.
  void AttachNativeChild(HWND host, GtkWidget* widget);
  void DetachNativeChild(HWND host);

  // The GtkWindow presenting top (nullptr while it is not presented).
  GtkWidget* WindowWidget(HWND top) const;

  // Keys typed into a native child go to it only when the thread's message filter (the application's, then
  // each window's from the host up) neither swallows them nor blanks their key code.

 private:
  Display() = default;
};

}  // namespace gtkhost
