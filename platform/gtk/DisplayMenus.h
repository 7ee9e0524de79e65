#pragma once
// Pop-up menus on the real display: TrackPopupMenu shows the menu as the core painted it, at its place on the
// screen, and waits for the user's click (an item: its command; elsewhere or Esc: dismissed). Installed by the
// program; tests of the display answer menus with their own chooser.
namespace gtkhost {

void UseDisplayMenus();

}  // namespace gtkhost
