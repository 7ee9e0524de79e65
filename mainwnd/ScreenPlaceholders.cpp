#include "mainwnd/ScreenPlaceholders.h"

#include <mutex>
#include <string>

#include "platform/web/ResourcePages.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

std::string PageName(UINT screenId) { return "placeholder-" + std::to_string(screenId); }

// The page says which screen it stands for, so a look at the window tells which one is shown.
void RegisterPage(UINT screenId) {
  const std::string id = std::to_string(screenId);
  web::RegisterResourcePage(
      PageName(screenId) + ".htm",
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + id +
          "</title><style>body{margin:0;background:#fff;font:13px sans-serif;color:#8a9aa6}"
          "p{margin:24px}</style></head><body id=\"screen" + id + "\"><p>" + id + "</p></body></html>");
}

}  // namespace

CPlaceholderHtmlScreen::CPlaceholderHtmlScreen(UINT screenId, UINT templateId)
    : CChildHtmlDialog(templateId, PageName(screenId) + ".htm"), m_nScreenId(screenId) {
  RegisterPage(screenId);
}

BOOL CPlaceholderPage::Create(UINT templateId, win::CWnd* parent) {
  m_nIDTemplate = templateId;
  if (!CreateEx(0, win::kDialogClass, L"", WS_CHILD, 0, 0, 0, 0, parent ? parent->GetSafeHwnd() : nullptr,
                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(templateId))))
    return FALSE;
  SendMessage(WM_INITDIALOG, 0, 0);
  m_label.Create(std::to_wstring(templateId).c_str(), WS_CHILD | WS_VISIBLE, RECT{24, 24, 224, 44}, this);
  return TRUE;
}
