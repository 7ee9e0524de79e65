#pragma once
// The general settings page: the language of the program, what the main window's close button does, and the
// start with Windows. Apply stores them; a new language is stored for the machine and the user, and the
// program starts again in it. Enter and Esc never end this page.
#include <array>
#include <memory>

#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"
#include "ui/STBitmap.h"

inline constexpr UINT IDD_GENERAL_PAGE = 383;
inline constexpr int IDC_BTN_APPLY = 209;
inline constexpr int IDC_CHK_START_WITH_WINDOWS = 283;
inline constexpr int IDC_COMBO_LANGUAGE = 305;
inline constexpr int IDC_COMBO_CLOSE_ACTION = 308;

class CDlgLangSettings : public CDlgChildBase {
 public:
  CDlgLangSettings();

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}

  std::array<std::unique_ptr<CSTBitmap>, 3> m_sectionIcons;  // language, close button, start-up
  CKVTHoverButtonWithText m_btnApply;
  CButton m_chkStartWithWindows;
  CComboBox m_comboLanguage;
  CComboBox m_comboCloseAction;
  CDlgTemplateLayout m_layout;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnApply();
  void OnLanguageChanged();
  void OnOptionChanged();
  void OnPaint();
};

// The machine's DontShowLangButton switch: set, the language cannot be chosen.
bool LanguageChoiceLocked();
