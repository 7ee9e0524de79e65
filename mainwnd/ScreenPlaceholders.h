#pragma once
// The main window's screens that do not exist yet. Each is an empty page that shows its own screen id (an
// HTML screen) or its template id (a classic page), so the switching, the ids and the commands are real
// before the screen itself is. The calls the main window makes into a screen are here under the names the
// screen will have, doing nothing.
//
// A screen's own class takes its slot by replacing its one placeholder line below with the include of its
// header; the main window creates every screen at one place, CZUNDlg::CreateScreens.
#include <string>

#include "platform/gdi/AfxControls.h"
#include "ui/ChildHtmlDialog.h"
#include "ui/DlgChildBase.h"
#include "ui/MainWindowLinks.h"

// An HTML screen's stand-in: a template-less child whose page shows nothing but the screen id.
class CPlaceholderHtmlScreen : public CChildHtmlDialog {
 public:
  CPlaceholderHtmlScreen(UINT screenId, UINT templateId);
  UINT m_nScreenId;
};

// A classic page's stand-in: a template-less child page showing its template id.
class CPlaceholderPage : public CDlgChildBase {
 public:
  BOOL Create(UINT templateId, win::CWnd* parent);
  CStatic m_label;
};

// --- the screens' slots: one line each ---------------------------------------------------------------------
// Install-DLLs screen (id 114, template 222).
#include "mainwnd/DlgInstallDlls.h"
// Backup screen (template 378): its page buttons are 241, 220 and 226.
#include "tools/DlgBackupRegistry.h"
// Repair progress page (template 413).
#include "mainwnd/CleanWizard1Dlg.h"
