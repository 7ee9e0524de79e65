#pragma once
// The named-DLL fix of the "dllfile" run: a small framed window that looks up the DLL whose name an earlier
// run recorded (DLLFILENAME), shows the recommended versions and the alternatives, installs them, and then
// offers to start a scan or to send feedback.
#include <string>

#include "dllfix/DllSearch.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/HyperlinkBtn.h"
#include "ui/MainBorder.h"
#include "ui/MyHoverButton.h"
#include "ui/WebPage.h"

inline constexpr UINT IDD_DLL_FILE_NAG = 1041;
inline constexpr UINT IDD_DLL_FILE_NAG_HTML = 399;
inline constexpr const char* kDllFileNagPage = "1042.htm";
inline constexpr UINT_PTR kNamedDllSearchTimer = 102;
inline constexpr UINT kNamedDllSearchDelay = 3006;

class CDlgDllFileNag;

class CDlgDllFileNagHtml : public CChildHtmlDialog {
 public:
  CDlgDllFileNagHtml();

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;
  // Reads the DLL name and the page's texts; written into the page once it has loaded.
  void PrepareTexts();
  void SearchNamedDll(const std::wstring& name);
  HRESULT OnInstallRecommended();
  HRESULT OnInstallAlternate();
  HRESULT OnCopyChecksum();
  HRESULT OnInstallShown();

  CDlgDllFileNag* m_pFrame = nullptr;
  std::wstring m_strDllName;
  std::vector<std::pair<std::wstring, std::wstring>> m_texts;  // element id, text
  CWebPage m_page;
  DllDetailTables m_detail;

 private:
  BOOL SelectedRecord(const DLL_RESULT_DATA_EX*& record);
  void AfterInstall(BOOL installed);
};

class CDlgDllFileNag : public CMainBorder {
 public:
  explicit CDlgDllFileNag(win::CWnd* parent);

  BOOL OnInitDialog() override;
  void OnCancel() override;
  // Timer 102: the one search of the recorded name.
  void OnTimer(UINT_PTR id);
  // After an installation: the page shrinks and the two controls below it appear.
  void ShowFollowUpControls();

  CMyHoverButton m_btnStartScan;
  ChyperlinkBtn m_lnkFeedback;
  CDlgDllFileNagHtml m_htmlPage;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
};

// The recorded DLL name (HKEY_LOCAL_MACHINE product key, DLLFILENAME); empty when there is none.
std::wstring RecordedDllName();
// The "dllfile" run: the window over the main window when a name is recorded. IDOK: the user asked for the
// feedback form.
int RunNamedDllFix(win::CWnd* mainWindow);
