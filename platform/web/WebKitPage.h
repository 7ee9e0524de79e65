#pragma once
// The product's page: a WebKit view over its host child window, showing res: pages only. Calls into the page
// look synchronous: the caller waits in a nested GLib loop while the window queue is held, so no timer,
// command or input runs in the middle of a call. Clicks and document-complete arrive on the UI thread, never
// inside a call. All pages share one web process. Use on the GTK main thread only.
#include <functional>
#include <memory>
#include <string>

#include "platform/web/PageScript.h"
#include "platform/win/WinDefs.h"

typedef struct _GtkWidget GtkWidget;

namespace web {

// http and https links the user follows go to the user's browser; every other navigation is refused.
using ExternalOpener = std::function<void(const std::string& uri)>;
// nullptr restores the default (the desktop's handler for the URI).
void SetExternalOpener(ExternalOpener opener);

class WebKitPage final : public IPageScript {
 public:
  // A view placed over host (nullptr: not placed, for tests of the page alone).
  explicit WebKitPage(HWND host);
  ~WebKitPage() override;
  WebKitPage(const WebKitPage&) = delete;
  WebKitPage& operator=(const WebKitPage&) = delete;

  // Loads res:///name; the page is not loaded again until document-complete.
  void Navigate(const std::string& name);
  // Called once per completed load, on the UI thread.
  void SetDocumentCompleteHandler(std::function<void()> handler);

  bool IsLoaded() const override;
  HRESULT Call(const std::wstring& name, const std::vector<std::wstring>& args, ScriptValue* result,
               std::wstring* error = nullptr) override;
  void SetClickHandler(ClickHandler handler) override;

  GtkWidget* Widget() const;
  // How long a call may wait for the page before it fails (a hung page must not hang the program).
  static constexpr int kCallTimeoutMs = 30000;

 struct Impl;  // the view and its event plumbing

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace web

namespace web {
// Makes every screen's page a WebKitPage from now on (the product, once the display runs).
void UseWebKitPages();
}  // namespace web
