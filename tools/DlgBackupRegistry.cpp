#include "tools/DlgBackupRegistry.h"

#include <algorithm>
#include <ctime>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/WindowDC.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "tools/BackupPage.h"
#include "tools/DlgRegBackupShow.h"
#include "ui/MainWindowLinks.h"
#include "ui/ModalOverlay.h"
#include "ui/STMemDC.h"

namespace {

constexpr int kPagesGap = 33;
constexpr UINT kRuleTile = 189;

int LanguageIndex() {
  const CZUNApp* app = AfxGetZunApp();
  return app ? app->m_nLangID : 0;
}

int BitmapWidth(UINT id) {
  CBitmap bitmap;
  BITMAP info{};
  if (bitmap.LoadBitmap(id)) bitmap.GetBitmap(&info);
  return info.bmWidth;
}

int BitmapHeight(UINT id) {
  CBitmap bitmap;
  BITMAP info{};
  if (bitmap.LoadBitmap(id)) bitmap.GetBitmap(&info);
  return info.bmHeight;
}

}  // namespace

std::wstring FullBackupDescription(std::int64_t seconds) {
  std::tm tm{};
  if (!mx::LocalTimeFromUnix(seconds, tm)) return GetLocalizedString(L"IDS_STR_FULLBACKUP");
  return mx::FormatTime(L"%a. %B %d, %Y. %I:%M %p ", tm) + GetLocalizedString(L"IDS_STR_FULLBACKUP");
}

BOOL CDlgBackupRegistry::Create(win::CWnd* parent, int width, int height) {
  m_nWidth = width;
  m_nHeight = height;
  if (!CDialog::Create(IDD_BACKUP_REGISTRY, parent)) return FALSE;
  // The main window tells its screens apart by their ids: the template id.
  win::SetWindowLongPtr(m_hWnd, GWLP_ID, IDD_BACKUP_REGISTRY);
  MoveWindow(6, 128, width, height);
  return TRUE;
}

BOOL CDlgBackupRegistry::Create(UINT templateId, win::CWnd* parent) {
  if (templateId != IDD_BACKUP_REGISTRY) return FALSE;
  return Create(parent, g_nScreenWidth, g_nScreenHeight);
}

BOOL CDlgBackupRegistry::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_BACKUP_REGISTRY, 96.0);
  m_btnTakeFullBackup.SubclassWindow(GetDlgItem(IDC_BTN_TAKE_FULL_BACKUP));
  m_btnFullBackups.SubclassWindow(GetDlgItem(IDC_BTN_FULL_BACKUPS));
  m_btnPartialBackups.SubclassWindow(GetDlgItem(IDC_BTN_PARTIAL_BACKUPS));
  LayoutTakeBackupButton();
  LayoutPageButtons();
  return TRUE;
}

void CDlgBackupRegistry::LayoutTakeBackupButton() {
  const std::wstring caption = GetLocalizedString(L"IDS_BTN_TAKE_FULL_REG_BKUP");
  const int least = BitmapWidth(117) / 3 + 45;
  const LOGFONTW* font = m_btnTakeFullBackup.m_lf.lfFaceName[0] ? &m_btnTakeFullBackup.m_lf : nullptr;
  const int width = std::max(font ? GetTextFitWidthWithFont(m_btnTakeFullBackup.m_hWnd, caption, font, least)
                                  : GetTextFitWidth(nullptr, m_btnTakeFullBackup.m_hWnd, caption, least),
                             least);
  const int height = BitmapHeight(117);
  m_btnTakeFullBackup.m_bHasDisabledFrame = 0;
  m_btnTakeFullBackup.m_bAutoSize = TRUE;
  m_btnTakeFullBackup.LoadBitmaps(116, 117, 118, caption.c_str(), width, height);
  m_btnTakeFullBackup.SetWindowText(caption.c_str());
  m_btnTakeFullBackup.MoveWindow(20, 109, std::max(width, m_btnTakeFullBackup.m_nWidth), height);
}

void CDlgBackupRegistry::LayoutPageButtons() {
  struct Row {
    int fullX, partialX, buttonWidth, bitmapWidth;
  };
  const int lang = LanguageIndex();
  Row row{425, 596, 162, 153};
  if (lang == 13) row = {326, 542, 178, 213};
  else if (lang == 5 || lang == 6 || lang == 10 || lang == 11 || lang == 12 || lang == 14 || lang == 15)
    row = {396, 577, 178, 178};
  auto place = [&](CKVTHoverButtonWithText& button, const wchar_t* key, int x) {
    const std::wstring caption = GetLocalizedString(key);
    button.m_bAutoSize = TRUE;
    button.LoadBitmaps(191, 192, 193, caption.c_str(), row.bitmapWidth, 28);
    button.SetWindowText(caption.c_str());
    button.MoveWindow(x, m_nPagesTop, std::max(row.buttonWidth, button.m_bAutoSize ? button.m_nWidth : 0), 28);
  };
  place(m_btnFullBackups, L"IDS_BTN_FULL_BACKUPS", row.fullX);
  place(m_btnPartialBackups, L"IDS_BTN_PARTIAL_BACKUPS", row.partialX);
}

void CDlgBackupRegistry::CreatePages() {
  const int top = m_nPagesTop + kPagesGap;
  // The pages' height is kept here: the child area's size the main window records stays as it is, for
  // the screens made after this one.
  m_nPageHeight = std::max(0, m_nHeight - top);
  m_dlgFullBackups.m_nWidth = m_dlgPartialBackups.m_nWidth = m_nWidth;
  m_dlgFullBackups.m_nHeight = m_dlgPartialBackups.m_nHeight = m_nPageHeight;
  m_dlgPartialBackups.m_enableNavigation = [this](BOOL enable) {
    if (m_enableNavigation) m_enableNavigation(enable);
  };
  m_dlgFullBackups.Create(IDD_FULL_BACKUPS, this);
  m_dlgFullBackups.MoveWindow(0, top, m_nWidth, m_nPageHeight);
  m_dlgPartialBackups.Create(IDD_PARTIAL_BACKUPS, this);
  m_dlgPartialBackups.MoveWindow(0, top, m_nWidth, m_nPageHeight);
  m_dlgFullBackups.ShowWindow(SW_HIDE);
  m_dlgPartialBackups.ShowWindow(SW_HIDE);
}

void CDlgBackupRegistry::ShowPage(CKVTHoverButtonWithText& pressed, CKVTHoverButtonWithText& released,
                                  win::CWnd& page) {
  pressed.m_bStayPressed = 0;
  released.m_bStayPressed = 0;
  pressed.Invalidate(FALSE);
  released.Invalidate(FALSE);
  pressed.m_bStayPressed = 1;
  if (m_pCurrentPage && m_pCurrentPage != &page) m_pCurrentPage->ShowWindow(SW_HIDE);
  page.ShowWindow(SW_SHOW);
  m_pCurrentPage = &page;
}

void CDlgBackupRegistry::OnFullBackups() {
  ShowPage(m_btnFullBackups, m_btnPartialBackups, m_dlgFullBackups);
  if (m_dlgFullBackups.m_listBackups.GetSafeHwnd())
    m_dlgFullBackups.m_listBackups.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CDlgBackupRegistry::OnPartialBackups() {
  ShowPage(m_btnPartialBackups, m_btnFullBackups, m_dlgPartialBackups);
  if (m_dlgPartialBackups.GetSafeHwnd()) m_dlgPartialBackups.LoadBackups();
}

void CDlgBackupRegistry::OnTakeFullBackup() {
  if (!MayRunWithoutElevation()) {
    RelaunchElevated(L"zunvistafullbackup");
    return;
  }
  const std::wstring description = FullBackupDescription(mx::UnixTimeNow());
  win::CWnd* main = win::AfxGetMainWnd();
  CDlgRegBackupShow dialog(main);
  RunModalWithOverlay(main, &dialog, IDD_REG_BACKUP_SHOW);
  if (dialog.m_nOutcome == CDlgRegBackupShow::kDone) {
    // The latest restore point names only a backup that exists and reads back whole.
    StrLatestRestorePoint = description;
  } else {
    const std::wstring text = GetLocalizedString(L"IDS_FULL_BACKUP_FAILED");
    win::MessageBox(m_hWnd, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK | MB_ICONERROR);
  }
  if (m_repaintHome) m_repaintHome();
  PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_FULL_BACKUPS, BN_CLICKED), 0);
  m_dlgFullBackups.FillList();
}

BOOL CDlgBackupRegistry::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_TAKE_FULL_BACKUP: OnTakeFullBackup(); return TRUE;
    case IDC_BTN_FULL_BACKUPS: OnFullBackups(); return TRUE;
    case IDC_BTN_PARTIAL_BACKUPS: OnPartialBackups(); return TRUE;
    default: return FALSE;
  }
}

void CDlgBackupRegistry::PaintHeader() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  client.bottom = std::max(client.top, client.bottom - m_nPageHeight);
  CSTMemDC dc(&paint, &client);
  dc.FillRect(&client, GetDialogBrush());

  CBrush band(RGB(241, 241, 241));
  CPen edge(PS_SOLID, 1, RGB(225, 225, 225));
  CBrush* oldBrush = dc.SelectObject(&band);
  CPen* oldPen = dc.SelectObject(&edge);
  dc.Rectangle(18, 24, 740, 50);
  dc.Rectangle(18, 188, 740, 214);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);

  CBitmap rule;
  BITMAP info{};
  if (rule.LoadBitmap(kRuleTile) && rule.GetBitmap(&info) && info.bmWidth > 0)
    for (int x = 18; x < client.right - 36; x += info.bmWidth)
      DrawBitmap(rule, dc.m_hDC, x, m_nPagesTop + 27, info.bmWidth, info.bmHeight, SRCCOPY);

  const CZUNApp* app = AfxGetZunApp();
  HFONT appFont = app ? app->m_fonts.Get(9) : nullptr;
  CFont fallback;
  if (!appFont) {
    LOGFONTW lf{};
    GetUILogFont(lf);
    lf.lfHeight = -12;
    lf.lfWeight = 400;
    fallback.CreateFontIndirect(&lf);
    appFont = fallback;
  }
  HGDIOBJ oldFont = dc.SelectObject(appFont);
  dc.SetBkMode(TRANSPARENT);
  RECT text{20, 61, 700, client.bottom};
  dc.DrawText(GetLocalizedString(L"IDS_REG_BKUP_HEADER_TXT"), &text, DT_WORDBREAK);
  dc.SetTextColor(RGB(9, 18, 27));
  RECT backup{24, 24, 740, 49}, restore{24, 188, 740, 213};
  dc.DrawText(GetLocalizedString(L"IDS_HEADING_BACKUP_REGISTRY"), &backup, DT_SINGLELINE | DT_VCENTER);
  dc.DrawText(GetLocalizedString(L"IDS_HEADING_RESTORE_REGISTRY"), &restore, DT_SINGLELINE | DT_VCENTER);
  dc.SelectObject(oldFont);
}

LRESULT CDlgBackupRegistry::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintHeader();
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
