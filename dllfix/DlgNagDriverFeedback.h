#pragma once
// The feedback form: the user's e-mail address, a feedback type and a message, checked and built into the
// feedback report (with the DLL installed last and a description of the computer), previewed on request and
// sent to the web service on a worker thread. The form closes after the user has read how the upload went.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/gdi/AfxControls.h"
#include "platform/win/Thread.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/MainBorder.h"
#include "ui/MyHoverButton.h"

inline constexpr UINT IDD_NAG_DRIVER_FEEDBACK = 408;
inline constexpr int IDC_BTN_VIEW_ATTACHED_LOG = 243;
inline constexpr int IDC_BTN_VIEW_REPORT = 244;
inline constexpr int IDC_COMBO_PROBLEM_TYPE = 307;
inline constexpr int IDC_EDIT_EMAIL = 310;
inline constexpr int IDC_RADIO_FIXED_PROBLEM = 328;
inline constexpr int IDC_RADIO_STILL_HAVE_PROBLEM = 329;
inline constexpr int IDC_RICHEDIT_FEEDBACK = 335;
inline constexpr int IDC_ST_EMAIL = 344;
inline constexpr int IDC_ST_FEEDBACK_INFO = 346;
inline constexpr int IDC_ST_FEEDBACK_TYPE = 347;
inline constexpr UINT_PTR kFeedbackUploadTimer = 201085;
inline constexpr UINT_PTR kFeedbackCloseTimer = 208083;

class CDlgNagDriverFeedback : public CMainBorder {
 public:
  explicit CDlgNagDriverFeedback(win::CWnd* parent);
  // Waits for an upload still running: the worker holds this form.
  ~CDlgNagDriverFeedback() override;

  BOOL OnInitDialog() override;
  // Alt+F4 does nothing; every message also reaches the tooltips.
  BOOL PreTranslateMessage(MSG* msg) override;
  // Cancel ends the form only before an upload started.
  void OnCancel() override;

  // Checks the entries (e-mail, then type, then message) and builds m_strReport: the result codes of
  // FeedbackReport.h.
  int BuildFeedbackReport();
  void OnSubmit();
  void OnPreview();
  void OnTimer(UINT_PTR id);
  // Blocks until the upload worker, if one was started, has ended.
  void WaitForUpload();
  std::wstring GetStatus() const;

  std::wstring m_strReport;
  CDlgTemplateLayout m_layout;
  CMyHoverButton m_btnPreview;
  CMyHoverButton m_btnSubmit;
  CMyHoverButton m_btnViewLog;
  CMyHoverButton m_btnCancel;
  CButton m_radioFixed;
  CButton m_radioNotFixed;
  CEdit m_edEmail;
  CComboBox m_cbProblemType;
  CRichEditCtrl m_reFeedback;
  std::map<std::wstring, std::wstring> m_mapProblemTypes;
  CToolTipCtrl m_tooltip;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;

 private:
  static UINT FeedbackUploadThreadProc(LPVOID param);
  void OnShowWindow(BOOL shown);
  void SetStatus(const std::wstring& status);
  bool ReportBuildError(int result);

  // Written by the worker, painted by the window's thread; the rectangle is where it was painted last.
  mutable std::mutex m_statusMutex;
  std::wstring m_strStatus;
  RECT m_rcStatus{};
  bool m_bUploading = false;
  std::unique_ptr<win::CWinThread> m_pUploadThread;
};

// The main window's feedback command: the form over mainWindow, modal.
int ShowFeedbackForm(win::CWnd* mainWindow);
