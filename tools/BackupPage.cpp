#include "tools/BackupPage.h"

#include <cstdlib>

#include "app/AppLog.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "ui/STMemDC.h"

namespace {

constexpr int kButtonHeight = 28;

int LanguageIndex() {
  const CZUNApp* app = AfxGetZunApp();
  return app ? app->m_nLangID : 0;
}

int BitmapHeight(UINT id) {
  CBitmap bitmap;
  BITMAP info{};
  if (bitmap.LoadBitmap(id)) bitmap.GetBitmap(&info);
  return info.bmHeight;
}

void DefaultExit() { std::_Exit(0); }
void (*g_exitProcess)() = DefaultExit;

}  // namespace

void LayoutBackupPage(CListCtrl& list, CKVTHoverButtonWithText& first, CKVTHoverButtonWithText& second,
                      const std::wstring& firstCaption, const std::wstring& secondCaption, int width, int height) {
  const int band = BitmapHeight(kBackupBandBitmap);
  const int lang = LanguageIndex();
  const int least = (lang == 5 || lang == 6 || lang == 10) ? 162 : 108;
  const int e = GetTextFitWidth(nullptr, second.m_hWnd, secondCaption, least);

  const int x = width - (2 * e + 36);
  const int y = height - (band + kButtonHeight) / 2;
  first.m_bHasDisabledFrame = 1;
  first.LoadBitmaps(157, 158, 159, firstCaption.c_str(), e, kButtonHeight);
  first.SetWindowText(firstCaption.c_str());
  first.MoveWindow(x, y, e, kButtonHeight);

  second.m_bHasDisabledFrame = 1;
  second.m_bBold = 1;
  second.m_crText = second.m_crHover = second.m_crThird = RGB(255, 255, 255);
  second.LoadBitmaps(154, 155, 156, secondCaption.c_str(), e, kButtonHeight);
  second.SetWindowText(secondCaption.c_str());
  second.MoveWindow(x + e + 18, y, e, kButtonHeight);

  list.MoveWindow(21, 21, width - 42, height - band - 42);
}

void PaintBackupPageBand(HWND page) {
  CPaintDC paint(page);
  RECT client{};
  win::GetClientRect(page, &client);
  CSTMemDC buffer(&paint, &client);
  buffer.FillRect(&client, GetDialogBrush());
  CBitmap tile;
  BITMAP info{};
  if (!tile.LoadBitmap(kBackupBandBitmap) || !tile.GetBitmap(&info) || info.bmWidth <= 0) return;
  for (int x = 0; x < client.right; x += info.bmWidth)
    DrawBitmap(tile, buffer.m_hDC, x, client.bottom - info.bmHeight, info.bmWidth, info.bmHeight, SRCCOPY);
}

int LastSelectedRow(const CListCtrl& list) {
  int row = -1;
  for (int next = list.GetNextItem(-1, LVNI_SELECTED); next != -1; next = list.GetNextItem(next, LVNI_SELECTED))
    row = next;
  return row;
}

void SetUpBackupList(CListCtrl& list, CImageList& icons, UINT colourFlags, const std::wstring& dateHeader,
                     const std::wstring& fileHeader) {
  icons.Create(24, 24, colourFlags | ILC_MASK, 1, 1);
  CBitmap icon;
  icon.Attach(gdi::LoadIconBitmap(kBackupListIcon));
  if (icon.GetSafeHandle()) icons.Add(&icon, RGB(255, 0, 255));
  list.InsertColumn(0, dateHeader.c_str(), LVCFMT_LEFT, 617);
  list.InsertColumn(1, fileHeader.c_str(), LVCFMT_LEFT, 0);
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_INFOTIP);
}

bool MayRunWithoutElevation() { return GetOSMajorVersion() < 6 || IsUserAdmin(); }

void RelaunchElevated(const wchar_t* word) {
  wchar_t self[MAX_PATH] = {};
  win::GetModuleFileName(nullptr, self, MAX_PATH);
  const std::intptr_t result = win::ShellExecute(nullptr, L"runas", self, word, L"", SW_SHOWNORMAL);
  if (result > 32) {
    WriteLogLine(L"ExitProcess : Elevated now restarting");
    g_exitProcess();
    return;
  }
  const std::wstring text = GetLocalizedString(L"IDS_STR_LACK_OF_PERMISSION");
  win::MessageBox(nullptr, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
}

void SetElevatedRelaunchExit(void (*exitProcess)()) { g_exitProcess = exitProcess ? exitProcess : DefaultExit; }
