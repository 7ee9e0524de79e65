#include "mainwnd/DlgCustomInstall.h"

#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "platform/base/SafeFormat.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/shell/FolderPicker.h"
#include "platform/win/WinDefs.h"
#include "ui/InputApi.h"
#include "ui/ModalOverlay.h"
#include "ui/STMemDC.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key, kResourceSection); }

void BlitOwnSize(UINT id, HDC dc, int x, int y, int clientWidth) {
  HBITMAP bitmap = gdi::LoadBitmapResource(id);
  if (!bitmap) return;
  BITMAP info{};
  win::GetObject(bitmap, sizeof info, &info);
  if (x < 0) x = (clientWidth - info.bmWidth) / 2;
  DrawBitmap(bitmap, dc, x, y, info.bmWidth, info.bmHeight, SRCCOPY);
  win::DeleteObject(bitmap);
}

}  // namespace

CDlgCustomInstallHTML::CDlgCustomInstallHTML(win::CWnd* parent)
    : CChildHtmlDialog(IDD_CUSTOM_INSTALL_HTML, kCustomInstallPage, parent) {}

const std::vector<CChildHtmlDialog::DHtmlEventEntry>& CDlgCustomInstallHTML::GetDHtmlEventMap() const {
  static const std::vector<DHtmlEventEntry> map = [] {
    std::vector<DHtmlEventEntry> entries{
        {L"ButtonOK", [](CChildHtmlDialog&, const std::wstring&) { return S_OK; }},
        {L"ButtonCancel", [](CChildHtmlDialog& d, const std::wstring& id) { return d.OnButtonCancel(id); }},
        {L"btnBrowse",
         [](CChildHtmlDialog& d, const std::wstring&) { return static_cast<CDlgCustomInstallHTML&>(d).OnBrowse(); }}};
    for (const wchar_t* id :
         {L"btnInstalltxt", L"idbtnInstall", L"idbtnInstallMiddle", L"idbtnInstallRight", L"idbtnInstallLeft"})
      entries.push_back({id, [](CChildHtmlDialog& d, const std::wstring&) {
                           return static_cast<CDlgCustomInstallHTML&>(d).OnInstall();
                         }});
    return entries;
  }();
  return map;
}

void CDlgCustomInstallHTML::OnDocumentComplete() {
  m_page.SetDocument(GetPage());
  m_strBottomText = mx::SafeFormat(Text(L"IDS_CUSTOM_NAG_DESC"), {m_strDllName});
  m_page.CallJScript(L"SetText", {mx::SafeFormat(Text(L"IDS_ADV_INS"), {m_strDllName}), Text(L"IDS_INS_DESC"),
                                  m_strBottomText, Text(L"IDS_INSTALL"), Text(L"IDS_INSTALL_PATH")});
  m_page.CallJScriptOneArg(L"setInputText", m_strInitialFolder);
}

void CDlgCustomInstallHTML::OnCancel() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  if (m_pFrame) m_pFrame->OnCancel();
}

HRESULT CDlgCustomInstallHTML::OnBrowse() {
  const std::wstring title = Text(L"IDS_SEL_LOC");
  win::BROWSEINFOW info;
  info.hwndOwner = GetSafeHwnd();
  info.lpszTitle = title.c_str();
  info.ulFlags = kCustomInstallBrowseFlags;
  const win::ItemIdList item = win::SHBrowseForFolder(&info);
  // Cancelled, or a place without a folder: the earlier choice stands.
  if (!item) return S_OK;
  wchar_t path[1024] = {};
  if (!win::SHGetPathFromIDList(item.get(), path, std::size(path))) return S_OK;
  m_strChosenFolder = path;
  m_page.CallJScriptOneArg(L"setInputText", m_strChosenFolder);
  return S_OK;
}

HRESULT CDlgCustomInstallHTML::OnInstall() {
  if (HWND parent = win::GetParent(GetSafeHwnd())) win::PostMessage(parent, WM_COMMAND, IDOK, 0);
  return S_OK;
}

CDlgCustomInstall::CDlgCustomInstall(win::CWnd* parent) : CMainBorder(IDD_CUSTOM_INSTALL, parent), m_html(this) {
  m_html.m_pFrame = this;
  m_bCompactHeader = 1;
  m_bShowMinimize = 0;
}

BOOL CDlgCustomInstall::OnInitDialog() {
  CMainBorder::OnInitDialog();
  MoveWindow(0, 0, 600, 350, TRUE);
  CenterWindow();
  SetWindowText(Text(L"AFX_IDS_APP_TITLE").c_str());
  m_html.Create(IDD_CUSTOM_INSTALL_HTML, this);
  m_html.MoveWindow(6, 56, 588, 290, TRUE);
  m_html.ShowWindow(SW_SHOW);
  return TRUE;
}

void CDlgCustomInstall::OnOK() {
  if (win::GetAsyncKeyState(VK_RETURN) != 0) return;
  m_bInstallChosen = TRUE;
  EndModalWithOverlay(this);
}

void CDlgCustomInstall::OnCancel() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  m_bInstallChosen = FALSE;
  EndModalWithOverlay(this);
}

void CDlgCustomInstall::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  const HDC dc = buffer.GetSafeHdc();
  if (HBITMAP line = gdi::LoadBitmapResource(121)) {
    DrawBitmap(line, dc, 90, 285, 444, 1, SRCCOPY);
    win::DeleteObject(line);
  }
  DrawFrame(&buffer, &client);
  BlitOwnSize(195, dc, -1, 0, client.right);
}

BOOL AskCustomInstallFolder(win::CWnd* mainWindow, const std::wstring& fileName, const std::wstring& initialFolder,
                            std::wstring& chosenFolder) {
  chosenFolder.clear();
  if (!mainWindow || !mainWindow->GetSafeHwnd()) return FALSE;
  CDlgCustomInstall window(mainWindow);
  window.m_html.m_strDllName = fileName;
  window.m_html.m_strInitialFolder = initialFolder;
  RunModalWithOverlay(mainWindow, &window, IDD_CUSTOM_INSTALL);
  if (!window.m_bInstallChosen) return FALSE;
  chosenFolder = window.m_html.m_strChosenFolder;
  return TRUE;
}
