#pragma once
// The folder picker on the real display: a GTK folder chooser over the owner's window, opened on the prefix's
// drive C:. A folder outside the prefix's drives has no Windows path and comes back as a place without one.
namespace gtkhost {

// Installs the chooser as the process's folder picker (on the GTK main thread, after Display::Start).
void UseDisplayFolderPicker();

}  // namespace gtkhost
