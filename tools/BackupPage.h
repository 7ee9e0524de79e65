#pragma once
// What the two backup pages share: their layout (a list above a Delete and a Restore button in the band at
// the bottom), the band's painting, the row a command acts on, and the elevated relaunch.
#include <string>

#include "platform/gdi/AfxControls.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr int IDC_BTN_DELETE_BACKUP = 217;
inline constexpr int IDC_BTN_RESTORE_BACKUP = 232;
inline constexpr UINT kBackupBandBitmap = 131;
inline constexpr UINT kBackupListIcon = 414;

// Places the list and the two buttons in a page of width x height and gives the buttons their skins and
// captions. Button widths follow the second caption, so both stay alike in every language.
void LayoutBackupPage(CListCtrl& list, CKVTHoverButtonWithText& first, CKVTHoverButtonWithText& second,
                      const std::wstring& firstCaption, const std::wstring& secondCaption, int width, int height);
// Bitmap 131 tiled along the bottom edge of the page.
void PaintBackupPageBand(HWND page);
// The list's last selected row, -1 when none is.
int LastSelectedRow(const CListCtrl& list);
// The list's look: full-row select, flat scroll bars and info tips, the two columns, and the icon list.
void SetUpBackupList(CListCtrl& list, CImageList& icons, UINT colourFlags, const std::wstring& dateHeader,
                     const std::wstring& fileHeader);

// Whether the operation may run in this process: before Vista, or with administrator rights.
bool MayRunWithoutElevation();
// Starts the program again elevated with the relaunch word and ends this process when that worked;
// otherwise tells the user that rights are missing. Returns only when the relaunch failed.
void RelaunchElevated(const wchar_t* word);
// The hook that ends the process after a successful relaunch (tests replace it); empty restores the default.
void SetElevatedRelaunchExit(void (*exitProcess)());
