#pragma once
// The optimisation screen of the main window: explains the optimisation, shows when the registry was last
// optimised and opens the optimisation window.
#include <string>
#include <vector>

#include "ui/ChildHtmlDialog.h"
#include "ui/WebPage.h"

inline constexpr UINT IDD_REG_OPT_HTML = 393;
inline constexpr UINT SCREEN_OPTIMIZE_ID = 108;

class CDlg_Reg_Opt_HTML : public CChildHtmlDialog {
 public:
  explicit CDlg_Reg_Opt_HTML(win::CWnd* parent = nullptr);

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;
  // "settext" with the last optimisation's date, or the text that there was none yet.
  void UpdateLastOptimizedText();
  HRESULT OnOptimizeClick(const std::wstring& elementId);
  void StartOptimization();

  CWebPage m_page;
};
