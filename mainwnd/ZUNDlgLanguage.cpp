// The language menu of the flag button, the restart in the chosen language, and the two navigation
// tooltips of the languages whose button captions are cut short.
#include "app/LanguageTable.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/MessageBox.h"
#include "ui/QRMenu.h"

namespace {

struct TooltipRow {
  int language;
  bool scan;
  bool backup;
};
// Languages whose Scan or Backup caption does not fit; a row with neither still makes the control.
constexpr TooltipRow kTooltipRows[] = {{2, true, true},  {3, false, false}, {4, false, true},
                                       {5, true, false}, {6, true, true},   {8, false, true},
                                       {9, false, false}, {10, false, true}, {11, true, true}};

void WriteLanguage(HKEY root, int index) {
  CRegistryKey key(root);
  if (!key.Open(root, TRUE, std::wstring(kProductKey) + L"\\LANG")) return;
  key.WriteDWORD(L"LangID", static_cast<DWORD>(index));
  key.WriteString(L"LangCode", LanguageTable[index].code);
}

}  // namespace

void CZUNDlg::CreateTooltips() {
  m_bTooltipsActive = 1;
  m_tooltip.Create(this, 0);
}

void CZUNDlg::AddButtonTooltips() {
  m_bTooltipsActive = 0;
  const int lang = AfxGetZunApp() ? AfxGetZunApp()->m_nLangID : 0;
  for (const TooltipRow& row : kTooltipRows) {
    if (row.language != lang) continue;
    CreateTooltips();
    const std::wstring scan = GetLocalizedString(L"IDS_BTN_SCAN_REG_TT");
    const std::wstring backup = GetLocalizedString(L"IDS_BTN_BACKUP_REG_TT");
    if (lang == 6) {
      if (row.backup) m_tooltip.AddTool(&m_btnBackup, backup.c_str());
      if (row.scan) m_tooltip.AddTool(&m_btnScanReg, scan.c_str());
    } else {
      if (row.scan) m_tooltip.AddTool(&m_btnScanReg, scan.c_str());
      if (row.backup) m_tooltip.AddTool(&m_btnBackup, backup.c_str());
    }
  }
}

void CZUNDlg::OnBtnLanguage() {
  QRMenu menu;
  menu.Attach(win::CreatePopupMenu());
  CImageList flags;
  flags.Create(14, 11, ILC_COLOR24 | ILC_MASK, 0, 1);
  CBitmap strip;
  if (strip.LoadBitmap(221)) flags.Add(&strip, RGB(255, 255, 255));
  for (int row = 0; row < kLanguageCount; ++row)
    menu.AppendImageItem(LanguageTable[row].displayName, ID_LANGUAGE_FIRST + static_cast<UINT>(row), &flags, row);
  RECT rect{};
  m_btnLanguage.GetWindowRect(&rect);
  m_pLanguageMenu = &menu;
  menu.TrackPopupMenu(TPM_LEFTBUTTON, rect.left + 5, rect.top + 17, m_hWnd);
  m_pLanguageMenu = nullptr;
}

void CZUNDlg::OnLanguageSelected(UINT id) {
  const int current = AfxGetZunApp() ? AfxGetZunApp()->m_nLangID : 0;
  if (id == ID_LANGUAGE_FIRST + static_cast<UINT>(current)) return;
  if (win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_LANG_CHANGE_PROMPT").c_str(),
                      GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  const int index = static_cast<int>(id - ID_LANGUAGE_FIRST);
  WriteLanguage(HKEY_LOCAL_MACHINE, index);
  WriteLanguage(HKEY_CURRENT_USER, index);
  RelaunchAfterSaving(L"open", L"-changelang", L"IDS_RELAUNCH_FAILED");
}
