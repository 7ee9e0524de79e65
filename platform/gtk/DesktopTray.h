#pragma once
// The notification area of the user's desktop: the core's tray icons shown as status icons in the desktop's
// system tray. A desktop without a tray (a bare X server, many Wayland sessions) refuses the icon, as Windows
// does while Explorer is gone, so the program minimises instead of hiding where the user could not find it.
namespace gtkhost {

// Installs the desktop's tray as the notification area's backend. Call on the GTK main thread after the display
// started; the icons' clicks come back on that thread as the shell's callback messages.
void UseDesktopTray();

// Whether the desktop has a system tray now (an owner of the screen's tray selection).
bool DesktopHasTray();

}  // namespace gtkhost
