#include "dllfix/DlgNagDriverFeedback.h"

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/FeedbackReport.h"
#include "dllfix/FeedbackUpload.h"
#include "platform/base/SafeFormat.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "ui/STMemDC.h"

namespace {

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key, kResourceSection); }

// The application's shared regular fonts of 12 and 13 pixels.
constexpr int kFirstFont = 9;
constexpr int kSecondFont = 11;
constexpr UINT kAppIcon = 100;
// A window's timers can only be armed by its own thread: the worker asks the form for its closing timer.
constexpr UINT WM_ARM_CLOSE_TIMER = WM_APP + 0x208;

const wchar_t* const kProblemTypes[] = {
    L"IDS_SELECT_PRBTYPE",  L"IDS_ALLERRORFIXED",          L"IDS_PRB_DOWNLOADING",
    L"IDS_PRB_INSTALLING",  L"IDS_PRB_UNDERSTAND",         L"IDS_PRB_REGISTRING_PRODUCT",
    L"IDS_GENERAL_FEEDBACK", L"IDS_DLL_INSTALL_FAILED",    L"IDS_DLL_INSTALL_NOSOLVE"};

HFONT SharedFont(int index) {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_fonts.Get(index) : nullptr;
}

void PaintText(CDC& dc, int font, COLORREF colour, const std::wstring& text, RECT box) {
  HGDIOBJ old = SharedFont(font) ? dc.SelectObject(SharedFont(font)) : nullptr;
  dc.SetTextColor(colour);
  dc.DrawText(text, &box, DT_WORDBREAK);
  if (old) dc.SelectObject(old);
}

}  // namespace

CDlgNagDriverFeedback::CDlgNagDriverFeedback(win::CWnd* parent) : CMainBorder(IDD_NAG_DRIVER_FEEDBACK, parent) {
  m_bLogoFrame = 1;
  m_bThinBottom = 1;
  m_bShowMinimize = 0;
}

CDlgNagDriverFeedback::~CDlgNagDriverFeedback() { WaitForUpload(); }

void CDlgNagDriverFeedback::WaitForUpload() {
  if (m_pUploadThread && m_pUploadThread->m_hThread)
    win::WaitForSingleObject(m_pUploadThread->m_hThread, INFINITE);
}

std::wstring CDlgNagDriverFeedback::GetStatus() const {
  std::lock_guard lock(m_statusMutex);
  return m_strStatus;
}

void CDlgNagDriverFeedback::SetStatus(const std::wstring& status) {
  std::lock_guard lock(m_statusMutex);
  m_strStatus = status;
}

BOOL CDlgNagDriverFeedback::OnInitDialog() {
  CMainBorder::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_NAG_DRIVER_FEEDBACK, 96.0);
  MoveWindow(0, 0, 568, 434, TRUE);
  CenterWindow();
  if (HICON icon = win::LoadIcon(nullptr, kAppIcon)) {
    SendMessage(WM_SETICON, 1, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, 0, reinterpret_cast<LPARAM>(icon));
  }
  SetWindowText((GetAppTitle() + L" - " + Text(L"IDS_SUBMIT_FEEEDBACK")).c_str());
  const std::pair<int, const wchar_t*> kControlTexts[] = {
      {IDOK, L"IDOK"},
      {IDCANCEL, L"IDCANCEL"},
      {IDC_ST_FEEDBACK_INFO, L"IDC_ST_FEEDBACK_INFO__GV"},
      {IDC_ST_EMAIL, L"IDC_ST_EMAIL_GV"},
      {IDC_ST_FEEDBACK_TYPE, L"IDC_ST_FEEDBACK_TYPE_GV"},
      {IDC_BTN_VIEW_REPORT, L"IDC_BTN_VIEW_REPORT_GV"},
      {IDC_RADIO_FIXED_PROBLEM, L"IDC_RADIO_FIXED_PROBLEM"},
      {IDC_RADIO_STILL_HAVE_PROBLEM, L"IDC_RADIO_STILL_HAVE_PROBLEM"},
      {IDC_BTN_VIEW_ATTACHED_LOG, L"IDC_BTN_VIEW_ATTACHED_LOG_GV"}};
  for (const auto& [id, key] : kControlTexts)
    if (HWND control = GetDlgItem(id)) win::SetWindowText(control, Text(key).c_str());

  auto placeButton = [this](CMyHoverButton& button, int id, int x, int width, const wchar_t* key) {
    if (!GetDlgItem(id)) return false;
    button.SubclassDlgItem(id, this);
    button.MoveWindow(x, 390, width, 28);
    button.SetBitmapsAndText(140, 0, Text(key));
    return true;
  };
  placeButton(m_btnSubmit, IDOK, 427, 120, L"IDS_SUBMIT");
  placeButton(m_btnCancel, IDCANCEL, 300, 120, L"IDS_BTN_CANCEL");
  const int lang = GetLangID();
  const int extra = lang == 4 || lang == 8 ? 90 : lang == 11 ? 50 : 35;
  placeButton(m_btnPreview, IDC_BTN_VIEW_REPORT, 21, 120 + extra, L"IDS_PREVIEW_FEEDBACK");
  if (placeButton(m_btnViewLog, IDC_BTN_VIEW_ATTACHED_LOG, 148, 120, L"IDS_VIEW_ATTACHED_LOG"))
    m_btnViewLog.ShowWindow(SW_HIDE);

  m_radioFixed.SubclassWindow(GetDlgItem(IDC_RADIO_FIXED_PROBLEM));
  m_radioNotFixed.SubclassWindow(GetDlgItem(IDC_RADIO_STILL_HAVE_PROBLEM));
  m_radioFixed.SetWindowText(Text(L"IDS_YES").c_str());
  m_radioNotFixed.SetWindowText(Text(L"IDS_NO").c_str());
  m_radioFixed.SetCheck(BST_CHECKED);

  m_edEmail.SubclassWindow(GetDlgItem(IDC_EDIT_EMAIL));
  m_cbProblemType.SubclassWindow(GetDlgItem(IDC_COMBO_PROBLEM_TYPE));
  m_reFeedback.SubclassWindow(GetDlgItem(IDC_RICHEDIT_FEEDBACK));
  m_mapProblemTypes.clear();
  for (size_t i = 0; i < std::size(kProblemTypes); ++i) m_mapProblemTypes[std::to_wstring(i)] = Text(kProblemTypes[i]);
  for (size_t i = 0; i < std::size(kProblemTypes); ++i)
    m_cbProblemType.InsertString(static_cast<int>(i), m_mapProblemTypes[std::to_wstring(i)].c_str());
  m_cbProblemType.SetCurSel(0);

  // Their texts are painted instead, in the form's own fonts and colours.
  for (int id : {IDC_ST_FEEDBACK_INFO, IDC_ST_EMAIL, IDC_ST_FEEDBACK_TYPE}) {
    if (HWND control = GetDlgItem(id)) {
      win::ShowWindow(control, SW_HIDE);
      win::EnableWindow(control, FALSE);
    }
  }
  m_edEmail.LimitText(400);
  m_reFeedback.LimitText(600);

  m_tooltip.Create(this);
  m_tooltip.AddTool(&m_btnSubmit, Text(L"IDS_FEEDBACK_TOOLTIP1").c_str());
  m_tooltip.AddTool(&m_btnCancel, Text(L"IDS_FEEDBACK_TOOLTIP2").c_str());
  m_tooltip.AddTool(&m_btnPreview, Text(L"IDS_FEEDBACK_TOOLTIP3").c_str());
  RECT client{};
  GetClientRect(&client);
  OnSize(0, client.right, client.bottom);
  return TRUE;
}

BOOL CDlgNagDriverFeedback::PreTranslateMessage(MSG* msg) {
  if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN || msg->message == WM_SYSKEYUP) &&
      msg->wParam == VK_F4)
    msg->wParam = 0;
  if (m_tooltip.GetSafeHwnd()) m_tooltip.RelayEvent(msg);
  return CMainBorder::PreTranslateMessage(msg);
}

void CDlgNagDriverFeedback::OnShowWindow(BOOL shown) {
  if (!shown) return;
  m_radioFixed.SetCheck(BST_CHECKED);
  m_radioNotFixed.SetCheck(BST_UNCHECKED);
  m_edEmail.SetWindowText(L"");
  m_reFeedback.SetWindowText(L"");
  m_cbProblemType.SetCurSel(0);
  SetStatus(L"");
  EnableWindow(TRUE);
  m_btnSubmit.EnableWindow(TRUE);
}

void CDlgNagDriverFeedback::OnSize(UINT type, int cx, int cy) {
  CMainBorder::OnSize(type, cx, cy);
  if (m_edEmail.GetSafeHwnd()) m_edEmail.MoveWindow(187, 159, cx - 235, 20);
  if (m_cbProblemType.GetSafeHwnd()) m_cbProblemType.MoveWindow(187, 191, cx - 235, 20);
  if (m_reFeedback.GetSafeHwnd()) m_reFeedback.MoveWindow(22, 260, cx - 44, 116);
}

void CDlgNagDriverFeedback::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  if (HBITMAP line = gdi::LoadBitmapResource(121)) {
    DrawBitmap(line, dc.GetSafeHdc(), 90, 285, 444, 1, SRCCOPY);
    win::DeleteObject(line);
  }
  DrawFrame(&dc, &client);
  const int w = client.right, h = client.bottom;
  dc.SetBkMode(TRANSPARENT);
  const COLORREF grey = RGB(91, 91, 91), dark = RGB(51, 51, 51), blue = RGB(5, 119, 207);
  PaintText(dc, kFirstFont, grey, mx::SafeFormat(Text(L"IDS_FEEDBAKNAG_DESC"), {GetAppTitle()}), {22, 63, w - 22, h});
  PaintText(dc, kFirstFont, dark, Text(L"IDS_EMAIL_ADDRESS"), {22, 162, 185, h});
  PaintText(dc, kFirstFont, dark, Text(L"IDS_FEEDBACK_TYPE_STATIC"), {22, 194, 163, h});
  PaintText(dc, kSecondFont, blue, Text(L"IDS_FEEDBACKNAG_DESC2"), {22, 121, w - 22, h});
  PaintText(dc, kSecondFont, blue, Text(L"IDS_BRIEF_EXPRE"), {22, 238, w - 44, h});
  std::lock_guard lock(m_statusMutex);
  PaintText(dc, kFirstFont, blue, m_strStatus, {22, 340, w - 66, h});
  m_rcStatus = {22, 340, w - 66, 360};
}

int CDlgNagDriverFeedback::BuildFeedbackReport() {
  const int selection = m_cbProblemType.GetCurSel();
  const auto type = m_mapProblemTypes.find(std::to_wstring(selection));
  return ::BuildFeedbackReport(win::GetWindowTextString(m_edEmail.m_hWnd), selection,
                               type == m_mapProblemTypes.end() ? std::wstring() : type->second,
                               win::GetWindowTextString(m_reFeedback.m_hWnd), m_strReport);
}

bool CDlgNagDriverFeedback::ReportBuildError(int result) {
  const wchar_t* key = nullptr;
  switch (result) {
    case kFeedbackEmptyEmail: key = L"IDS_IDEMAIL_NOTEMPTY"; break;
    case kFeedbackInvalidEmail: key = L"IDS_EMAIL_ADDRESS_INVALID"; break;
    case kFeedbackNoProblemType: key = L"IDS_FEEDBACK_TYPE"; break;
    case kFeedbackEmptyMessage: key = L"IDS_FEEDBACK_NOEMPTY"; break;
    default: return false;
  }
  win::MessageBox(m_hWnd, Text(key).c_str(), GetAppTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
  return true;
}

void CDlgNagDriverFeedback::OnSubmit() {
  if (m_bUploading) return;
  if (ReportBuildError(BuildFeedbackReport())) return;
  m_bUploading = true;
  EnableWindow(FALSE);
  m_btnSubmit.EnableWindow(FALSE);
  SetStatus(Text(L"IDS_FEEBACK_UPLOAD_STATUS"));
  RECT where{};
  {
    std::lock_guard lock(m_statusMutex);
    where = m_rcStatus;
  }
  win::InvalidateRect(m_hWnd, &where, TRUE);
  SetTimer(kFeedbackUploadTimer, 64, nullptr);
}

void CDlgNagDriverFeedback::OnPreview() {
  // The worker reads the report while it uploads.
  if (m_bUploading) return;
  if (ReportBuildError(BuildFeedbackReport())) return;
  win::MessageBox(m_hWnd, m_strReport.c_str(), GetAppTitle().c_str(), MB_OK | MB_ICONINFORMATION);
}

void CDlgNagDriverFeedback::OnCancel() {
  // From the submit on, the upload's worker holds the form until the user has read its result.
  if (m_bUploading) return;
  CMainBorder::OnCancel();
}

void CDlgNagDriverFeedback::OnTimer(UINT_PTR id) {
  KillTimer(id);
  if (id == kFeedbackUploadTimer) {
    if (m_pUploadThread) return;
    std::unique_ptr<win::CWinThread> thread(
        win::AfxBeginThread(&FeedbackUploadThreadProc, this, win::THREAD_PRIORITY_NORMAL, 0, win::CREATE_SUSPENDED));
    if (!thread) {
      // No worker, no upload: said like any failed upload, and the form closes after it.
      SetStatus(Text(L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET"));
      Invalidate();
      win::MessageBox(m_hWnd, Text(L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET").c_str(), GetAppTitle().c_str(),
                      MB_OK | MB_ICONINFORMATION);
      SetTimer(kFeedbackCloseTimer, 64, nullptr);
      return;
    }
    thread->m_bAutoDelete = FALSE;
    m_pUploadThread = std::move(thread);
    m_pUploadThread->ResumeThread();
  } else if (id == kFeedbackCloseTimer) {
    CMainBorder::OnOK();
  }
}

UINT CDlgNagDriverFeedback::FeedbackUploadThreadProc(LPVOID param) {
  auto* form = static_cast<CDlgNagDriverFeedback*>(param);
  try {
    const std::wstring report = form->m_strReport;
    if (report.empty()) return 0;
    const bool sent = UploadFeedbackReport(report) == 1;
    const std::wstring status = Text(sent ? L"IDS_FEEBACK_UPLOAD_SUCCESS" : L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET");
    const std::wstring message = Text(sent ? L"IDS_THANK_FEEDBACK" : L"IDS_FEBAK_UPLOADFAIL_CHKINTERNET");
    RECT where{};
    {
      std::lock_guard lock(form->m_statusMutex);
      form->m_strStatus = status;
      where = form->m_rcStatus;
    }
    const HWND hwnd = form->m_hWnd;
    win::InvalidateRect(hwnd, &where, TRUE);
    win::MessageBox(hwnd, message.c_str(), GetAppTitle().c_str(), MB_OK | MB_ICONINFORMATION);
    win::PostMessage(hwnd, WM_ARM_CLOSE_TIMER, 0, 0);
  } catch (...) {
  }
  return 0;
}

BOOL CDlgNagDriverFeedback::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDOK: OnSubmit(); return TRUE;
      case IDCANCEL: OnCancel(); return TRUE;
      case IDC_BTN_VIEW_REPORT: OnPreview(); return TRUE;
      case IDC_BTN_VIEW_ATTACHED_LOG: return TRUE;
      default: break;
    }
  }
  return CMainBorder::OnCommand(wParam, lParam);
}

LRESULT CDlgNagDriverFeedback::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && (wParam == kFeedbackUploadTimer || wParam == kFeedbackCloseTimer)) {
    OnTimer(wParam);
    return 0;
  }
  if (msg == WM_ARM_CLOSE_TIMER) {
    SetTimer(kFeedbackCloseTimer, 64, nullptr);
    return 0;
  }
  if (msg == WM_SHOWWINDOW) {
    const LRESULT result = CMainBorder::WindowProc(msg, wParam, lParam);
    OnShowWindow(static_cast<BOOL>(wParam));
    return result;
  }
  return CMainBorder::WindowProc(msg, wParam, lParam);
}

int ShowFeedbackForm(win::CWnd* mainWindow) {
  CDlgNagDriverFeedback form(mainWindow);
  return static_cast<int>(form.DoModal());
}
