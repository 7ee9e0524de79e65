#pragma once
// The backup screen of the main window: a button that takes a full registry backup above two pages, the
// full backups and the partial backups (the repairs' undo runs), switched by a pair of page buttons.
#include <functional>

#include "platform/gdi/GdiObject.h"
#include "tools/DlgFullBackups.h"
#include "tools/PartialBackupDlg.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"
#include "ui/MainWindowLinks.h"  // the commands 226 and 241 the main window posts here

inline constexpr UINT IDD_BACKUP_REGISTRY = 378;
inline constexpr int IDC_BTN_FULL_BACKUPS = 220;

class CDlgBackupRegistry : public CDlgChildBase {
 public:
  CDlgBackupRegistry() : CDlgChildBase(IDD_BACKUP_REGISTRY) {}

  // Creates the screen hidden in parent's child area at (6, 128), width x height.
  BOOL Create(win::CWnd* parent, int width, int height);
  // The same with the screen area the main window published (g_nScreenWidth, g_nScreenHeight).
  BOOL Create(UINT templateId, win::CWnd* parent);
  BOOL OnInitDialog() override;
  // The two pages, below the page buttons; called once right after the screen was created.
  void CreatePages();

  void OnTakeFullBackup();
  void OnFullBackups();
  void OnPartialBackups();
  void LayoutTakeBackupButton();
  void LayoutPageButtons();

  CDlgFullBackups m_dlgFullBackups;
  CPartialBackupDlg m_dlgPartialBackups;
  CKVTHoverButtonWithText m_btnTakeFullBackup;
  CKVTHoverButtonWithText m_btnFullBackups;
  CKVTHoverButtonWithText m_btnPartialBackups;
  win::CWnd* m_pCurrentPage = nullptr;
  CDlgTemplateLayout m_layout;
  int m_nPagesTop = 225;
  // The child area's size the screen was made for, and the pages' height below the page buttons.
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nPageHeight = 0;

  // Set by the main window: its navigation switch (also used by the partial page around an undo) and the
  // repaint of the home screen, which shows the latest backup.
  std::function<void(BOOL)> m_enableNavigation;
  std::function<void()> m_repaintHome;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintHeader();
  void ShowPage(CKVTHoverButtonWithText& pressed, CKVTHoverButtonWithText& released, win::CWnd& page);
};

// The description a full backup leaves as the latest restore point: its local time and the label.
std::wstring FullBackupDescription(std::int64_t seconds);
