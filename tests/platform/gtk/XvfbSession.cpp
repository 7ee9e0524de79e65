#include "platform/gtk/XvfbSession.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/gdi/Surface.h"
#include "platform/gdi/WindowDC.h"
#include "platform/gtk/Display.h"
#include "platform/gtk/Startup.h"
#include "platform/win/MessageBox.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <cairo.h>
#include <gtk/gtk.h>

#if defined(__SANITIZE_ADDRESS__)
// The display's libraries keep state for the life of the process; their list lives beside this file.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" MX_SOURCE_DIR "/tests/platform/gtk/lsan-display.supp";
}
#endif

namespace mxtest {
namespace {

pid_t g_server = -1;
int g_state = 0;  // 0 not tried, 1 running, -1 impossible
std::string g_why;

void StopServer() {
  if (g_server > 0) {
    ::kill(g_server, SIGTERM);
    ::waitpid(g_server, nullptr, 0);
    g_server = -1;
  }
}

bool StartServer() {
  int fds[2];
  if (::pipe(fds) != 0) {
    g_why = "no pipe";
    return false;
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    g_why = "cannot fork";
    return false;
  }
  g_server = pid;
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) {
    StopServer();
    g_why = "Xvfb is not installed or did not start";
    return false;
  }
  std::atexit(StopServer);
  ::setenv("DISPLAY", (":" + number).c_str(), 1);
  ::unsetenv("WAYLAND_DISPLAY");
  ::setenv("GDK_BACKEND", "x11", 1);
  ::setenv("GSETTINGS_BACKEND", "memory", 0);  // no settings file of the desktop is written by tests
  // Bubblewrap cannot build its sandbox in many CI containers; the test pages are our own.
  ::setenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS", "1", 1);
  return true;
}

}  // namespace

bool StartDisplay(std::string* why) {
  if (g_state == 0) {
    g_state = -1;
    if (StartServer()) {
      if (gtkhost::StartRealDisplay()) {
        win::SetAnswerProvider(nullptr);  // tests that want boxes on screen ask for them
        g_state = 1;
      } else {
        g_why = "GTK could not open the display";
      }
    }
  }
  if (why) *why = g_why;
  return g_state == 1;
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
  bool timedOut = false;
  guint timer = g_timeout_add(
      timeoutMs, [](gpointer p) -> gboolean { *static_cast<bool*>(p) = true; return G_SOURCE_REMOVE; }, &timedOut);
  // Wake now and then so a condition changed by another thread is seen.
  guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && !timedOut && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
  if (!timedOut) g_source_remove(timer);
  g_source_remove(tick);
  return done();
}

int RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  GPid pid = 0;
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, args.data(), nullptr,
                     GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, &pid, &error)) {
    if (error) g_error_free(error);
    return -1;
  }
  struct Exit {
    int status = -1;
    bool done = false;
  };
  // Shared with the watch, which may outlive a wait that timed out.
  auto* exit = new std::shared_ptr<Exit>(std::make_shared<Exit>());
  std::shared_ptr<Exit> mine = *exit;
  g_child_watch_add_full(
      G_PRIORITY_DEFAULT, pid,
      [](GPid p, gint st, gpointer data) {
        auto& e = **static_cast<std::shared_ptr<Exit>*>(data);
        e.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        e.done = true;
        g_spawn_close_pid(p);
      },
      exit, [](gpointer data) { delete static_cast<std::shared_ptr<Exit>*>(data); });
  RunUntil([&] { return mine->done; });
  return mine->status;
}

std::vector<unsigned> ScreenPixels(int x, int y, int width, int height) {
  std::vector<unsigned> out;
  GdkPixbuf* pb = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x, y, width, height);
  if (!pb) return out;
  const int stride = gdk_pixbuf_get_rowstride(pb);
  const int channels = gdk_pixbuf_get_n_channels(pb);
  const guchar* px = gdk_pixbuf_get_pixels(pb);
  out.reserve(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const guchar* p = px + row * stride + col * channels;
      out.push_back((unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2]);
    }
  g_object_unref(pb);
  return out;
}

bool SavePixelsPng(const std::vector<unsigned>& pixels, int width, int height, const std::filesystem::path& path) {
  if (pixels.size() != size_t(width) * height) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int row = 0; row < height; ++row)
    std::copy_n(&pixels[size_t(row) * width], width, reinterpret_cast<uint32_t*>(data + row * stride));
  cairo_surface_mark_dirty(surface);
  std::filesystem::create_directories(path.parent_path());
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool SaveShownPng(HWND window, const std::filesystem::path& path) {
  GtkWidget* widget = gtkhost::Display::Get().WindowWidget(window);
  if (!widget || !RunUntil([&] { return gtk_widget_get_mapped(widget); })) return false;
  gint x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
  gdi::PaintWindowTree(window);
  const auto painted = gdi::WindowSurface(window);
  const int w = painted->width(), h = painted->height();
  std::vector<unsigned> shown;
  const bool same = RunUntil([&] {
    shown = ScreenPixels(x, y, w, h);
    if (shown.size() != size_t(w) * h) return false;
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col) {
        const COLORREF c = painted->GetPixel(col, row);
        if (shown[size_t(row) * w + col] != ((unsigned(GetRValue(c)) << 16) | (unsigned(GetGValue(c)) << 8) | GetBValue(c)))
          return false;
      }
    return true;
  }, 10000);
  return same && SavePixelsPng(shown, w, h, path);
}

}  // namespace mxtest
