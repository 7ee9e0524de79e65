#include "ui/MainBorder.h"

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"
#include "ui/STMemDC.h"

HBITMAP g_hbmMaximize = nullptr;
HBITMAP g_hbmRestore = nullptr;

namespace {

constexpr UINT kStripClose = 123;
constexpr UINT kStripMinimize = 129;
constexpr UINT kStripMaximize = 145;
constexpr UINT kStripRestore = 144;
constexpr int kHeaderHeight = 56;
constexpr int kTallHeaderTop = 116;
constexpr int kSkinBorderHeight = 432;
constexpr int kBandHeight = 29;
constexpr int kThinBand = 6;

HBITMAP LoadSkin(UINT id) { return win::LoadBitmap(nullptr, id); }

// One skin bitmap copied for the call and freed after it.
void Blit(UINT id, HDC dc, int x, int y, int w, int h) {
  HBITMAP bitmap = LoadSkin(id);
  DrawBitmap(bitmap, dc, x, y, w, h, SRCCOPY);
  win::DeleteObject(bitmap);
}

void Stretch(UINT id, HDC dc, int x, int y, int w, int h) {
  HBITMAP bitmap = LoadSkin(id);
  BITMAP info{};
  win::GetObject(bitmap, sizeof(info), &info);
  StretchDrawBitmap(bitmap, dc, x, y, w, h, info.bmWidth, info.bmHeight);
  win::DeleteObject(bitmap);
}

}  // namespace

CMainBorder::CMainBorder(UINT templateId, win::CWnd* parent) : CDialog(templateId, parent) {}

CMainBorder::~CMainBorder() {
  m_btnClose.DestroyWindow();
  m_btnMinimize.DestroyWindow();
  m_btnMaximize.DestroyWindow();
  if (m_hbmClose) win::DeleteObject(m_hbmClose);
  if (m_hbmMinimize) win::DeleteObject(m_hbmMinimize);
}

BOOL CMainBorder::OnInitDialog() {
  CDialog::OnInitDialog();
  RECT client{};
  GetClientRect(&client);
  const int w = client.right - client.left;
  m_bMaximized = 0;
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
  m_btnClose.Create(L"", style, RECT{w - 38, 5, w - 10, 15}, this, IDC_BTN_CLOSE);
  m_btnMaximize.Create(L"", style, RECT{w - 68, 5, w - 40, 15}, this, IDC_BTN_MAXIMIZE);
  m_btnMinimize.Create(L"", style, RECT{w - 68, 5, w - 40, 15}, this, IDC_BTN_MINIMIZE);

  if (!m_hbmClose) m_hbmClose = LoadSkin(kStripClose);
  if (!m_hbmMinimize) m_hbmMinimize = LoadSkin(kStripMinimize);
  if (!g_hbmMaximize) g_hbmMaximize = LoadSkin(kStripMaximize);
  if (!g_hbmRestore) g_hbmRestore = LoadSkin(kStripRestore);
  // Each button loads a strip of its own: a button owns and frees its strip, so it must never be handed one
  // of the handles above.
  m_btnClose.LoadStripBitmap(kStripClose);
  m_btnMinimize.LoadStripBitmap(kStripMinimize);
  m_btnMaximize.LoadStripBitmap(kStripMaximize);

  win::CWnd& shown = m_bMaximizable ? static_cast<win::CWnd&>(m_btnMaximize) : m_btnMinimize;
  win::CWnd& hidden = m_bMaximizable ? static_cast<win::CWnd&>(m_btnMinimize) : m_btnMaximize;
  shown.ShowWindow(SW_SHOW);
  shown.EnableWindow(TRUE);
  shown.Invalidate(TRUE);
  hidden.ShowWindow(SW_HIDE);
  hidden.EnableWindow(FALSE);
  if (!m_bShowMinimize) {
    m_btnMinimize.ShowWindow(SW_HIDE);
    m_btnMinimize.EnableWindow(FALSE);
  }
  return TRUE;
}

void CMainBorder::DrawFrame(CDC* target, const RECT* client) {
  if (!target || !client) return;
  HDC dc = target->m_hDC;
  const int w = client->right - client->left;
  const int h = client->bottom - client->top;

  Blit(199, dc, 0, 0, 9, kHeaderHeight);
  {
    HBITMAP middle = LoadSkin(200);
    for (int x = 9; x < w - 150; ++x) DrawBitmap(middle, dc, x, 0, 1, kHeaderHeight, SRCCOPY);
    win::DeleteObject(middle);
  }
  Blit(201, dc, w - 150, 0, 150, kHeaderHeight);

  const bool headerFlag = m_bCompactHeader || m_bLogoFrame || m_bTitledFrame || m_bAddEntryCaption;
  const int top = headerFlag ? kHeaderHeight : kTallHeaderTop;
  Stretch(174, dc, 0, top, 6, h - top);
  if (m_bLogoFrame || m_bTitledFrame) {
    HBITMAP row = LoadSkin(175);
    for (int y = kSkinBorderHeight; y < h - kBandHeight; ++y) {
      DrawBitmap(row, dc, 0, y, 6, 1, SRCCOPY);
      DrawBitmap(row, dc, w - 6, y, 6, 1, SRCCOPY);
    }
    win::DeleteObject(row);
  }
  Stretch(183, dc, w - 6, top, 6, h - top);

  if (m_bThinBottom) {
    Blit(180, dc, 0, h - kThinBand, kThinBand, kThinBand);
    HBITMAP middle = LoadSkin(181);
    for (int x = 6; x < w - 6; x += 5) DrawBitmap(middle, dc, x, h - kThinBand, kThinBand, kThinBand, SRCCOPY);
    win::DeleteObject(middle);
    Blit(182, dc, w - 6, h - kThinBand, kThinBand, kThinBand);
  } else {
    Blit(132, dc, 0, h - kBandHeight, 49, kBandHeight);
    HBITMAP middle = LoadSkin(133);
    for (int x = 49; x < w - 150; ++x) DrawBitmap(middle, dc, x, h - kBandHeight, 1, kBandHeight, SRCCOPY);
    win::DeleteObject(middle);
    Blit(m_bNoDrag ? 134 : 135, dc, w - 150, h - kBandHeight, 150, kBandHeight);
  }

  if (m_bTitledFrame) {
    LOGFONTW lf;
    GetUILogFont(lf);
    lf.lfHeight = -14;
    lf.lfWeight = 700;
    lf.lfQuality = 5;
    wcsncpy(lf.lfFaceName, L"ARIAL", LF_FACESIZE - 1);
    CFont font;
    font.CreateFontIndirect(&lf);
    CFont* old = target->SelectObject(&font);
    target->SetBkMode(TRANSPARENT);
    target->SetTextColor(RGB(50, 81, 146));
    RECT rc = *client;
    rc.left = 20;
    rc.top = 63;
    target->DrawText(m_strTitle, &rc, 0);
    target->SelectObject(old);
  }
  if (m_bAddEntryCaption) {
    target->SetTextColor(RGB(240, 240, 240));
    target->SetBkMode(TRANSPARENT);
    RECT rc = *client;
    rc.left = 27;
    rc.top = 20;
    target->DrawText(GetLocalizedString(L"IDS_ADD_ENTRY", kResourceSection, L""), &rc, 0);
  }
  if (m_bLogoFrame || m_bTitledFrame) Blit(195, dc, (w - 213) / 2, 0, 213, kHeaderHeight);
}

void CMainBorder::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  for (win::CWnd* button : {static_cast<win::CWnd*>(&m_btnClose), static_cast<win::CWnd*>(&m_btnMaximize),
                            static_cast<win::CWnd*>(&m_btnMinimize)})
    if (button->m_hWnd) win::InvalidateRect(button->m_hWnd, nullptr, TRUE);
}

void CMainBorder::OnSize(UINT, int cx, int) {
  if (m_btnClose.m_hWnd) m_btnClose.MoveWindow(cx - 38, 5, 28, 15);
  if (m_btnMaximize.m_hWnd) m_btnMaximize.MoveWindow(cx - 68, 5, 28, 15);
  if (m_btnMinimize.m_hWnd) m_btnMinimize.MoveWindow(cx - 68, 5, 28, 15);
}

BOOL CMainBorder::OnLButtonDown(UINT, POINT point) {
  if (m_bNoDrag) return TRUE;
  RECT client{};
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  const RECT bands[] = {{0, 0, w, 50}, {0, h - 23, w - 2, h - 2}, {0, 0, 5, h}, {w - 5, 0, w, h}};
  for (const RECT& band : bands) {
    if (point.x >= band.left && point.x < band.right && point.y >= band.top && point.y < band.bottom) {
      PostMessage(WM_NCLBUTTONDOWN, HTCAPTION,
                  MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
      break;
    }
  }
  return FALSE;
}

void CMainBorder::OnMinimizeButton() {
  POINT pt{};
  win::GetCursorPos(&pt);
  PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

void CMainBorder::OnMaximizeButton() {
  if (!m_bMaximizable) return;
  m_bMaximized = !m_bMaximized;
  if (m_bMaximized) {
    m_btnMaximize.LoadStripBitmap(kStripRestore);
    MoveWindow(0, 0, win::GetSystemMetrics(SM_CXSCREEN), win::GetSystemMetrics(SM_CYSCREEN) - 25);
  } else {
    m_btnMaximize.LoadStripBitmap(kStripMaximize);
    MoveWindow(0, 0, 700, 550);
    CenterWindow();
  }
  m_btnMaximize.Invalidate();
  Invalidate();
}

void CMainBorder::OnCloseButton() {
  SaveSettings();
  PostMessage(WM_COMMAND, IDCANCEL, 0);
}

HBRUSH CMainBorder::OnCtlColor(HDC, HWND, UINT) { return GetDialogBrush(); }

BOOL CMainBorder::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_MINIMIZE: OnMinimizeButton(); return TRUE;
    case IDC_BTN_MAXIMIZE: OnMaximizeButton(); return TRUE;
    case IDC_BTN_CLOSE: OnCloseButton(); return TRUE;
    default: return FALSE;
  }
}

LRESULT CMainBorder::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SIZE: {
      LRESULT r = CDialog::WindowProc(msg, wParam, lParam);
      OnSize(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
      return r;
    }
    case WM_LBUTTONDOWN:
      if (OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
      break;
    default:
      break;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
