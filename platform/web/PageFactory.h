#pragma once
// Where a screen's page comes from: the browser when the real display runs, a test's fake page otherwise.
#include <functional>
#include <memory>
#include <string>

#include "platform/web/PageScript.h"
#include "platform/win/WinDefs.h"

namespace web {

// Makes the page of host showing the resource page name; documentComplete runs once per completed load, on
// the UI thread.
using PageFactory = std::function<std::shared_ptr<IPageScript>(HWND host, const std::string& name,
                                                               std::function<void()> documentComplete)>;

// nullptr restores the default: a page that never loads (a headless run has no browser).
void SetPageFactory(PageFactory factory);
std::shared_ptr<IPageScript> CreatePage(HWND host, const std::string& name, std::function<void()> documentComplete);

}  // namespace web
