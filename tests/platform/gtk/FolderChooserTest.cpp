// The folder picker on the real display: the chooser opens with the request's title, and what it answers
// becomes a Windows path of the prefix, a place without one, or a cancel.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/gtk/FolderChooser.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/shell/FolderPicker.h"
#include "support/TestPrefix.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace {

// What the user does once the chooser is shown: go to folder (when not empty) and press the response.
struct UserAction {
  std::string title;
  std::filesystem::path folder;
  int response = GTK_RESPONSE_CANCEL;
  bool asked = false;
  bool done = false;
};

gboolean ActOnChooser(gpointer data) {
  auto* action = static_cast<UserAction*>(data);
  GList* all = gtk_window_list_toplevels();
  GtkWidget* chooser = nullptr;
  for (GList* l = all; l; l = l->next)
    if (GTK_IS_FILE_CHOOSER_DIALOG(l->data) && gtk_widget_get_mapped(GTK_WIDGET(l->data))) chooser = GTK_WIDGET(l->data);
  g_list_free(all);
  if (!chooser) return G_SOURCE_CONTINUE;
  const char* title = gtk_window_get_title(GTK_WINDOW(chooser));
  action->title = title ? title : "";
  if (!action->folder.empty()) {
    // The chooser moves to a folder in its own time: the answer waits until it shows the folder.
    gchar* shown = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
    const bool there = shown && std::filesystem::path(shown) == action->folder;
    g_free(shown);
    if (!there) {
      if (!action->asked) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), action->folder.c_str());
      action->asked = true;
      return G_SOURCE_CONTINUE;
    }
  }
  gtk_dialog_response(GTK_DIALOG(chooser), action->response);
  action->done = true;
  return G_SOURCE_REMOVE;
}

// Opens the picker as the shell does and plays action inside it; the path it gives, or "(cancelled)".
std::wstring Pick(UserAction& action) {
  g_timeout_add(50, &ActOnChooser, &action);
  win::BROWSEINFOW info;
  info.lpszTitle = L"Pick the install folder";
  const win::ItemIdList item = win::SHBrowseForFolder(&info);
  if (!item) return L"(cancelled)";
  wchar_t path[1024] = {};
  return win::SHGetPathFromIDList(item.get(), path, std::size(path)) ? path : L"";
}

}  // namespace

TEST(FolderChooser, AnswersWithTheChosenFolderOfThePrefix) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "presenting under the sanitizers is too slow to wait for";
#endif
  MX_REQUIRE_DISPLAY();
  mxtest::TestPrefix prefix;
  gtkhost::UseDisplayFolderPicker();
  std::filesystem::create_directories(prefix.hostPath(L"C:\\tools\\qzx"));
  const std::filesystem::path outside = prefix.root() / "outside";
  std::filesystem::create_directories(outside);

  UserAction inside{{}, prefix.hostPath(L"C:\\tools\\qzx"), GTK_RESPONSE_ACCEPT};
  EXPECT_EQ(Pick(inside), L"C:\\tools\\qzx");
  EXPECT_TRUE(inside.done);
  EXPECT_EQ(inside.title, "Pick the install folder");

  UserAction elsewhere{{}, outside, GTK_RESPONSE_ACCEPT};
  EXPECT_EQ(Pick(elsewhere), L"") << "a folder outside the prefix's drives has no Windows path";

  UserAction cancel;
  EXPECT_EQ(Pick(cancel), L"(cancelled)");
  win::SetFolderPicker(nullptr);
}
