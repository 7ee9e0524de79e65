#pragma once
// The HTML part of the summary after the optimisation's restart: how many hives were optimised, the size
// before and the space saved, and, when the last scan left problems, the invitation to fix them.
#include <string>
#include <vector>

#include "ui/ChildHtmlDialog.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/WebPage.h"

inline constexpr UINT IDD_DEFRAG_SUMMARY_HTML = 379;
inline constexpr const char* kDefragSummaryPage = "430.htm";

class CDlgDefragSummary : public CChildHtmlDialog {
 public:
  explicit CDlgDefragSummary(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;
  // The sixteen texts of the page from the counters of the summary page that holds this one.
  void FillSummaryPage();
  // The page's button closes the optimisation window.
  HRESULT OnSummaryButton(const std::wstring& elementId);

  CDlgTemplateLayout m_layout;
  CWebPage m_page;
};
