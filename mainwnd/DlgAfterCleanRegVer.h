#pragma once
// The congratulation screen after a repair. The main window creates it with its other screens and accepts
// its screen id, but no flow shows it: a repair ends on the results or the home screen. Its page keeps the
// texts in a hidden block and shows nothing until asked.
#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

class CDlgAfterCleanRegVer : public CChildHtmlDialog {
 public:
  static constexpr UINT IDD = 377;
  static constexpr const char* kPage = "420.htm";

  CDlgAfterCleanRegVer() : CChildHtmlDialog(IDD, kPage) {}

  // Only binds the page: nothing fills it.
  void OnDocumentComplete() override { m_page.SetDocument(GetPage()); }
  // Dragging is cancelled by the page itself; nothing else is bound.
  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override {
    static const std::vector<DHtmlEventEntry> none;
    return none;
  }

  CWebPage m_page;
};
