#include "dllfix/DlgUploadFiles.h"

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "dllfix/UploadDllFile.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/WindowDC.h"
#include "ui/STMemDC.h"

namespace {

// The shared fonts the page draws with: the heading font and the 11-pixel text font.
constexpr int kHeadingFont = 0;
constexpr int kTextFont = 8;

HFONT PageFont(int index) {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_fonts.Get(index) : nullptr;
}

void DrawTextIn(CDC& dc, HFONT font, const std::wstring& text, RECT box, UINT format) {
  HGDIOBJ old = font ? dc.SelectObject(font) : nullptr;
  dc.DrawText(text, &box, format);
  if (old) dc.SelectObject(old);
}

}  // namespace

CDlgUploadFiles::CDlgUploadFiles() : CDlgChildBase(IDD_UPLOAD_FILES) {}

BOOL CDlgUploadFiles::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_btnUpload.SubclassDlgItem(IDC_BTN_UPLOAD_START, this);
  m_chkAgree.SubclassWindow(GetDlgItem(IDC_CHK_AGREE_UPLOAD));
  m_stStatus.SubclassWindow(GetDlgItem(IDC_ST_UPLOAD_STATUS));
  m_listFiles.SubclassWindow(GetDlgItem(IDC_LIST_UPLOAD_FILES));

  m_btnUpload.SetGreenButtonStyle();
  const std::wstring caption = GetLocalizedString(L"IDS_BTN_START_SEARCH");
  // Measured in the caption's own (bold) font; at least a third of the middle bitmap plus 45.
  CBitmap middle;
  BITMAP strip{};
  if (middle.LoadBitmap(117)) middle.GetBitmap(&strip);
  const int height = strip.bmHeight > 0 ? strip.bmHeight : 28;
  LOGFONTW font = m_btnUpload.m_lf;
  font.lfWeight = 700;
  const int width = GetTextFitWidthWithFont(m_btnUpload.m_hWnd, caption, &font, strip.bmWidth / 3 + 45);
  m_btnUpload.LoadBitmaps(116, 117, 118, caption.c_str(), width, height);
  m_btnUpload.MoveWindow(20, 165, width, height);

  m_chkAgree.SetWindowText(GetLocalizedString(L"IDS_AGREE_TO_UPLOAD").c_str());
  m_chkAgree.MoveWindow(width + 40, 173, 450, 30);
  m_chkAgree.SetCheck(ChkAgreeToUploadDLLs != 0 ? BST_CHECKED : BST_UNCHECKED);

  m_stStatus.MoveWindow(20, 233, 690, 20);

  m_listFiles.InsertColumn(0, GetLocalizedString(L"IDS_DLL_LOCATION").c_str(), LVCFMT_LEFT, 500);
  m_listFiles.InsertColumn(1, GetLocalizedString(L"IDS_STATUS").c_str(), LVCFMT_LEFT, 200);
  m_listFiles.MoveWindow(20, 263, 720, 150);
  m_listFiles.ShowWindow(SW_HIDE);
  return TRUE;
}

void CDlgUploadFiles::OnAgreeClicked() {
  ChkAgreeToUploadDLLs = ChkAgreeToUploadDLLs == 0 ? 1 : 0;
  m_chkAgree.SetCheck(ChkAgreeToUploadDLLs != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void CDlgUploadFiles::OnTimer(UINT_PTR id) {
  if (id != kUploadRunTimer) return;
  KillTimer(kUploadRunTimer);
  int failed = 0;
  // Files leave the machine only with the user's consent.
  if (m_listFiles.GetItemCount() > 0 && ChkAgreeToUploadDLLs != 0) {
    m_stStatus.SetWindowText(GetLocalizedString(L"IDS_UPLOADING_DLLS").c_str());
    for (int i = 0; i < m_listFiles.GetItemCount(); ++i) {
      m_listFiles.SetItemText(i, 1, GetLocalizedString(L"IDS_UPLOADING").c_str());
      const bool sent = UploadDllFile(m_listFiles.GetItemText(i, 0)) != FALSE;
      if (!sent) ++failed;
      m_listFiles.SetItemText(i, 1, GetLocalizedString(sent ? L"IDS_UPLOADED" : L"IDS_UPLOAD_FAILED").c_str());
    }
  }
  m_btnUpload.EnableWindow(TRUE);
  m_chkAgree.EnableWindow(TRUE);
  if (m_enableNavigation) m_enableNavigation(TRUE);
  // The rows go with the run; a file that did not go is still said once.
  m_stStatus.SetWindowText(failed ? GetLocalizedString(L"IDS_UPLOAD_SOME_FAILED").c_str() : L"");
  m_listFiles.DeleteAllItems();
}

void CDlgUploadFiles::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  dc.SetBkMode(TRANSPARENT);
  DrawTextIn(dc, PageFont(kHeadingFont), GetLocalizedString(L"IDS_UPLOAD_DLL_HEAD"), RECT{20, 25, 735, client.bottom},
             0);
  DrawTextIn(dc, PageFont(kTextFont),
             GetLocalizedString(L"IDS_UPLOAD_DLL_DESC1") + GetLocalizedString(L"IDS_UPLOAD_DLL_DESC2"),
             RECT{20, 55, 735, client.bottom}, DT_WORDBREAK);
  DrawTextIn(dc, PageFont(kTextFont), GetLocalizedString(L"IDS_UPLOAD_DLL_DESC3"), RECT{20, 120, 735, client.bottom},
             DT_WORDBREAK);
}

BOOL CDlgUploadFiles::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_CHK_AGREE_UPLOAD) {
    OnAgreeClicked();
    return TRUE;
  }
  return FALSE;
}

LRESULT CDlgUploadFiles::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    OnPaint();
    return 0;
  }
  if (msg == WM_TIMER && wParam == kUploadRunTimer) {
    OnTimer(wParam);
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
