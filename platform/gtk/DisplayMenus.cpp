#include "platform/gtk/DisplayMenus.h"

#include <algorithm>

#include "platform/gdi/Menu.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <cairo.h>
#include <gtk/gtk.h>

namespace gtkhost {
namespace {

struct MenuState {
  const gdi::MenuPrompt* prompt = nullptr;
  bool done = false;
  UINT id = 0;
};

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  const auto* state = static_cast<MenuState*>(data);
  cairo_set_source_surface(cr, state->prompt->picture->cairo(), 0, 0);
  cairo_paint(cr);
  return TRUE;
}

// The item under a point of the picture; only plain commands can be chosen (a sub-menu's item is not one).
UINT ItemAt(const gdi::MenuPrompt& prompt, int x, int y) {
  for (size_t i = 0; i < prompt.itemRects.size() && i < prompt.items.size(); ++i) {
    const RECT& r = prompt.itemRects[i];
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) continue;
    const auto& item = prompt.items[i];
    return (item.flags & (MF_SEPARATOR | MF_POPUP)) ? 0 : item.id;
  }
  return 0;
}

gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* state = static_cast<MenuState*>(data);
  state->id = ItemAt(*state->prompt, static_cast<int>(event->x), static_cast<int>(event->y));
  state->done = true;
  return TRUE;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval == GDK_KEY_Escape) static_cast<MenuState*>(data)->done = true;
  return TRUE;
}

UINT ShowMenu(const gdi::MenuPrompt& prompt) {
  if (!prompt.picture) return 0;
  MenuState state;
  state.prompt = &prompt;
  const int width = prompt.picture->width(), height = prompt.picture->height();
  GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, width, height);
  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK);
  gtk_container_add(GTK_CONTAINER(window), area);
  g_signal_connect(area, "draw", G_CALLBACK(OnDraw), &state);
  // On the window: under the grab, a click outside arrives there, at a point outside the picture.
  g_signal_connect(window, "button-release-event", G_CALLBACK(OnButtonRelease), &state);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKey), &state);
  // Kept on the screen, as Windows moves a menu that would leave it.
  GdkRectangle screenArea{0, 0, width, height};
  if (GdkMonitor* monitor = gdk_display_get_monitor_at_point(gdk_display_get_default(), prompt.pt.x, prompt.pt.y))
    gdk_monitor_get_geometry(monitor, &screenArea);
  const int x = std::clamp<int>(prompt.pt.x, screenArea.x, std::max(screenArea.x, screenArea.x + screenArea.width - width));
  const int y = std::clamp<int>(prompt.pt.y, screenArea.y, std::max(screenArea.y, screenArea.y + screenArea.height - height));
  gtk_window_move(GTK_WINDOW(window), x, y);
  gtk_widget_show_all(window);
  // A click anywhere ends the menu: the pointer and keyboard are ours while it shows.
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  bool grabbed = false;
  for (int i = 0; i < 200 && !grabbed && !state.done; ++i) {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    grabbed = gdk_seat_grab(seat, gtk_widget_get_window(window), GDK_SEAT_CAPABILITY_ALL, TRUE, nullptr, nullptr,
                            nullptr, nullptr) == GDK_GRAB_SUCCESS;
    if (!grabbed) g_usleep(5000);
  }
  while (!state.done) g_main_context_iteration(nullptr, TRUE);
  if (grabbed) gdk_seat_ungrab(seat);
  gtk_widget_destroy(window);
  return state.id;
}

}  // namespace

void UseDisplayMenus() { gdi::SetMenuChooser(&ShowMenu); }

}  // namespace gtkhost
