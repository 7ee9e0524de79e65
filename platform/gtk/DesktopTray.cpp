#include "platform/gtk/DesktopTray.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/NotifyIcon.h"
#include "platform/gdi/Surface.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace gtkhost {
namespace {

constexpr int kIconSize = 22;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

// The icon's pixels on a magenta ground, magenta made transparent: the core's icons carry no alpha.
GdkPixbuf* PixbufOfIcon(HICON icon) {
  auto surface = std::make_shared<gdi::Surface>(kIconSize, kIconSize);
  surface->Fill(kTransparent);
  if (icon) {
    HDC dc = gdi::CreateSurfaceDC(surface, {0, 0}, {kIconSize, kIconSize});
    if (dc) {
      win::DrawIconEx(dc, 0, 0, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
      win::DeleteDC(dc);
    }
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kIconSize, kIconSize);
  if (!pixbuf) return nullptr;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const COLORREF c = surface->GetPixel(x, y);
      guchar* p = pixels + y * stride + x * 4;
      p[0] = GetRValue(c);
      p[1] = GetGValue(c);
      p[2] = GetBValue(c);
      p[3] = c == kTransparent ? 0 : 255;
    }
  }
  return pixbuf;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

struct IconKey {
  HWND hwnd;
  UINT id;
  bool operator<(const IconKey& o) const { return std::pair(hwnd, id) < std::pair(o.hwnd, o.id); }
};

// A status icon per core icon; its signals carry the key back to the core.
struct StatusIcon {
  GtkStatusIcon* widget = nullptr;
  std::unique_ptr<IconKey> key;
  ~StatusIcon() {
    if (widget) {
      gtk_status_icon_set_visible(widget, FALSE);
      g_object_unref(widget);
    }
  }
};

// The desktop activates an icon with one click; Windows programs take the double click as their default action.
void OnActivate(GtkStatusIcon*, gpointer data) {
  const auto* key = static_cast<IconKey*>(data);
  gdi::SendNotifyIconMouse(key->hwnd, key->id, WM_LBUTTONDOWN);
  gdi::SendNotifyIconMouse(key->hwnd, key->id, WM_LBUTTONUP);
  gdi::SendNotifyIconMouse(key->hwnd, key->id, WM_LBUTTONDBLCLK);
}

void OnPopupMenu(GtkStatusIcon*, guint, guint, gpointer data) {
  const auto* key = static_cast<IconKey*>(data);
  gdi::SendNotifyIconMouse(key->hwnd, key->id, WM_RBUTTONDOWN);
  gdi::SendNotifyIconMouse(key->hwnd, key->id, WM_RBUTTONUP);
}

class DesktopTrayBackend : public gdi::NotifyAreaBackend {
 public:
  bool Show(const gdi::NotifyIconView& view) override {
    const IconKey key{view.hwnd, view.id};
    auto it = icons_.find(key);
    if (it == icons_.end()) {
      if (view.hidden) return true;  // nothing to show yet: no tray is needed for a hidden icon
      if (!DesktopHasTray()) return false;
      auto icon = std::make_unique<StatusIcon>();
      icon->widget = gtk_status_icon_new();
      icon->key = std::make_unique<IconKey>(key);
      g_signal_connect(icon->widget, "activate", G_CALLBACK(OnActivate), icon->key.get());
      g_signal_connect(icon->widget, "popup-menu", G_CALLBACK(OnPopupMenu), icon->key.get());
      it = icons_.emplace(key, std::move(icon)).first;
    } else if (!view.hidden && !gtk_status_icon_get_visible(it->second->widget) && !DesktopHasTray()) {
      return false;
    }
    GtkStatusIcon* widget = it->second->widget;
    if (GdkPixbuf* pixbuf = PixbufOfIcon(view.icon)) {
      gtk_status_icon_set_from_pixbuf(widget, pixbuf);
      g_object_unref(pixbuf);
    }
    const std::string tip = mx::WideToUtf8(view.tip);
    gtk_status_icon_set_tooltip_text(widget, tip.c_str());
    gtk_status_icon_set_title(widget, tip.c_str());
    gtk_status_icon_set_visible(widget, view.hidden ? FALSE : TRUE);
    return true;
  }

  void Remove(HWND hwnd, UINT id) override { icons_.erase(IconKey{hwnd, id}); }

 private:
  std::map<IconKey, std::unique_ptr<StatusIcon>> icons_;
};

G_GNUC_END_IGNORE_DEPRECATIONS

}  // namespace

bool DesktopHasTray() {
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
  GdkScreen* screen = gdk_display_get_default_screen(display);
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(gdk_x11_screen_get_screen_number(screen));
  GdkAtom atom = gdk_atom_intern(selection.c_str(), FALSE);
  return XGetSelectionOwner(GDK_DISPLAY_XDISPLAY(display), gdk_x11_atom_to_xatom_for_display(display, atom)) != 0;
#else
  return false;
#endif
}

void UseDesktopTray() {
  static DesktopTrayBackend backend;
  gdi::SetNotifyAreaBackend(&backend);
}

}  // namespace gtkhost
