#pragma once
// The about box: the skinned frame CDlgAboutMain, run over the dimmed main window, around the HTML child
// CDlgAbout, which shows the program's version, edition, rights, trademark and legal warning.
#include <string>

#include "ui/ChildHtmlDialog.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/MainBorder.h"

inline constexpr UINT IDD_ABOUT_HTML = 374;
inline constexpr UINT IDD_ABOUT_FRAME = 375;
inline constexpr const char* kAboutPage = "429.htm";

class CDlgAboutMain;

class CDlgAbout : public CChildHtmlDialog {
 public:
  explicit CDlgAbout(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  const std::vector<DHtmlEventEntry>& GetDHtmlEventMap() const override;
  void OnDocumentComplete() override { DoDataExchange(); }
  // Writes the five texts into the page's elements (ids matched without regard to case).
  void DoDataExchange();
  // The page's cancel closes the whole box.
  void OnCancel() override;

  CDlgAboutMain* m_pFrame = nullptr;

  CDlgTemplateLayout m_layout;
  std::wstring m_strEdition;
  std::wstring m_strVersion;
  std::wstring m_strRights;
  std::wstring m_strTrademark;
  std::wstring m_strWarning;
};

class CDlgAboutMain : public CMainBorder {
 public:
  explicit CDlgAboutMain(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  // Ignored while Enter or Esc is still held; otherwise the overlay ends and the main window is enabled.
  void OnOK() override;
  void OnCancel() override;

  CDlgAbout m_dlgAbout;
  CDlgTemplateLayout m_layout;

 protected:
  void OnPaint() override;
};

// The Help menu's, system menu's and tray menu's About command: the box over the dimmed main window.
void ShowAboutBox(win::CWnd* mainWindow);
