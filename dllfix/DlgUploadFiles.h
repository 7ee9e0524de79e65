#pragma once
// The upload-DLLs page of the main window: it explains the upload, asks for the user's consent and lists the
// files of an upload run with their status. The run starts when the page's timer 115 fires (whoever filled
// the list arms it) and sends the files one by one.
#include <functional>

#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_UPLOAD_FILES = 1047;
inline constexpr int IDC_BTN_UPLOAD_START = 1010;
inline constexpr int IDC_CHK_AGREE_UPLOAD = 1046;
inline constexpr int IDC_ST_UPLOAD_STATUS = 1048;
inline constexpr int IDC_LIST_UPLOAD_FILES = 1052;
inline constexpr UINT_PTR kUploadRunTimer = 115;

class CDlgUploadFiles : public CDlgChildBase {
 public:
  CDlgUploadFiles();

  BOOL OnInitDialog() override;
  // Flips the consent setting; the check box follows it.
  void OnAgreeClicked();
  // Timer 115: the upload run. Without the user's consent nothing is sent.
  void OnTimer(UINT_PTR id);

  CKVTHoverButtonWithText m_btnUpload;
  CButton m_chkAgree;
  CStatic m_stStatus;
  CListCtrl m_listFiles;
  // The main window's navigation, switched on again when a run ends.
  std::function<void(BOOL enable)> m_enableNavigation;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();
};
