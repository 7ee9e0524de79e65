#pragma once
// Turning the real display on: GTK on the calling thread (which becomes the UI thread), the thread's queue
// as a GSource, every top-level window presented, message boxes shown and answered on screen.
namespace gtkhost {

// False when no display can be opened (the program then runs headless, as the tests do). Call once, on the
// thread that runs the program's windows, before they are created.
bool StartRealDisplay();

}  // namespace gtkhost
