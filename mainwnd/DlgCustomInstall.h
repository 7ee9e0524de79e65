#pragma once
// The custom install folder question of an alternative DLL version: a small framed window over the dimmed
// main window whose page names the DLL, shows the proposed folder, lets the user browse for another and
// install. The window reports whether the user chose to install and the folder picked, if any.
#include <string>

#include "ui/ChildHtmlDialog.h"
#include "ui/MainBorder.h"
#include "ui/WebPage.h"

inline constexpr UINT IDD_CUSTOM_INSTALL = 1053;
inline constexpr UINT IDD_CUSTOM_INSTALL_HTML = 1055;
inline constexpr const char* kCustomInstallPage = "1056.htm";
// The picker's flags: no browsing below the domain, file-system ancestors only, the resizable picker.
inline constexpr UINT kCustomInstallBrowseFlags = 0x4A;

class CDlgCustomInstall;

class CDlgCustomInstallHTML : public CChildHtmlDialog {
 public:
  explicit CDlgCustomInstallHTML(win::CWnd* parent = nullptr);

  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override;
  // The page's cancel ends the whole window.
  void OnCancel() override;
  HRESULT OnBrowse();
  HRESULT OnInstall();

  CDlgCustomInstall* m_pFrame = nullptr;
  std::wstring m_strDllName;
  // Empty until the user picked a folder: the installer then keeps the folder it proposed.
  std::wstring m_strChosenFolder;
  std::wstring m_strBottomText;
  std::wstring m_strInitialFolder;
  CWebPage m_page;
};

class CDlgCustomInstall : public CMainBorder {
 public:
  explicit CDlgCustomInstall(win::CWnd* parent);

  BOOL OnInitDialog() override;
  // Both are ignored while their key is still held, so the key that closed an earlier prompt does not
  // answer this one.
  void OnOK() override;
  void OnCancel() override;

  CDlgCustomInstallHTML m_html;
  BOOL m_bInstallChosen = FALSE;

 protected:
  void OnPaint() override;
};

// The question over mainWindow: TRUE when the user chose to install, with chosenFolder the folder picked or
// empty when the proposed initialFolder stands.
BOOL AskCustomInstallFolder(win::CWnd* mainWindow, const std::wstring& fileName, const std::wstring& initialFolder,
                            std::wstring& chosenFolder);
