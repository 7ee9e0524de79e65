#include "mainwnd/DlgAbout.h"

#include "app/LocalizedStrings.h"
#include "mainwnd/UpdateCheck.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/WinDefs.h"
#include "ui/InputApi.h"
#include "ui/ModalOverlay.h"
#include "ui/STMemDC.h"

CDlgAbout::CDlgAbout(win::CWnd* parent) : CChildHtmlDialog(IDD_ABOUT_HTML, kAboutPage, parent) {
  m_strEdition = GetLocalizedString(L"IDS_RETAIL", kResourceSection);
  GetExeFileVersion(m_strVersion);
}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlgAbout::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = {
      {L"ButtonCancel", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonCancel(id); }},
  };
  return map;
}

BOOL CDlgAbout::OnInitDialog() {
  CChildHtmlDialog::OnInitDialog();
  m_layout.Apply(nullptr, GetSafeHwnd(), IDD_ABOUT_HTML, 96.0);
  m_strEdition = GetLocalizedString(L"IDS_RETAIL", kResourceSection);
  m_strRights = GetLocalizedString(L"IDS_ABOUT_RIGHTS", kResourceSection);
  m_strTrademark = GetLocalizedString(L"IDS_ABOUT_TRADEMARK", kResourceSection);
  m_strWarning = GetLocalizedString(L"IDS_ABOUT_WARNING", kResourceSection);
  return TRUE;
}

void CDlgAbout::DoDataExchange() {
  const auto& page = GetPage();
  if (!page || !page->IsLoaded()) return;
  const std::pair<const wchar_t*, const std::wstring*> fields[] = {
      {L"ZUNVersion", &m_strEdition}, {L"version", &m_strVersion}, {L"rights", &m_strRights},
      {L"Warning", &m_strWarning},    {L"trademark", &m_strTrademark}};
  for (const auto& [id, text] : fields) page->Call(L"setText", {id, *text}, nullptr);
}

void CDlgAbout::OnCancel() {
  if (m_pFrame) m_pFrame->OnCancel();
}

CDlgAboutMain::CDlgAboutMain(win::CWnd* parent) : CMainBorder(IDD_ABOUT_FRAME, parent), m_dlgAbout(this) {
  m_dlgAbout.m_pFrame = this;
  m_bCompactHeader = 1;
  m_bShowMinimize = 0;
}

BOOL CDlgAboutMain::OnInitDialog() {
  CMainBorder::OnInitDialog();
  m_layout.Apply(nullptr, GetSafeHwnd(), IDD_ABOUT_FRAME, 96.0);
  MoveWindow(0, 0, 600, 350, TRUE);
  CenterWindow();
  m_dlgAbout.Create(IDD_ABOUT_HTML, this);
  m_dlgAbout.ShowWindow(SW_SHOW);
  m_dlgAbout.MoveWindow(10, 57, 580, 256, TRUE);
  return TRUE;
}

void CDlgAboutMain::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  DrawFrame(&buffer, &client);
}

void CDlgAboutMain::OnOK() {
  // A key still down (or pressed since the last look) closed an earlier prompt, not this one.
  if (win::GetAsyncKeyState(VK_RETURN) != 0) return;
  EndModalWithOverlay(this);
}

void CDlgAboutMain::OnCancel() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  EndModalWithOverlay(this);
}

void ShowAboutBox(win::CWnd* mainWindow) {
  CDlgAboutMain about(mainWindow);
  RunModalWithOverlay(mainWindow, &about, IDD_ABOUT_FRAME);
}
