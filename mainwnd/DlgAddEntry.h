#pragma once
// The framed dialog in which the user names a key for the exclusion list: a root key and a path. OK refuses an
// empty path and a key the list holds already; on IDOK the caller reads the root and the path, both in upper
// case and the path trimmed.
#include <string>

#include "platform/gdi/AfxControls.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/MainBorder.h"

inline constexpr UINT IDD_ADD_ENTRY = 376;
inline constexpr int IDC_EDIT_KEY = 311;
inline constexpr int IDC_COMBO_ROOT = 306;

class CDlgAddEntry : public CMainBorder {
 public:
  explicit CDlgAddEntry(win::CWnd* parent);

  BOOL OnInitDialog() override;

  CEdit m_editKey;
  CComboBox m_comboRoot;
  std::wstring m_strRoot;
  std::wstring m_strPath;
  CDlgTemplateLayout m_layout;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;

 private:
  void PlaceControls();
  void OnBtnOK();
};

// The key an entry names: the root, and the path joined to it with one backslash when there is one.
std::wstring ExclusionKey(const std::wstring& root, const std::wstring& path);
