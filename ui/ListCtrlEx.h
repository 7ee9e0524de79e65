#pragma once
// The owner-drawn report list of the problems view: per row one problem (the row's item data) on two text
// lines beside its drawn check box, the category icon and, on a 64-bit prefix, the mark of the registry view
// the entry belongs to; even rows on light blue. It answers clicks on its drawn check box itself.
#include "platform/gdi/AfxControls.h"

class CProblem;

// Whether rows show the 32-bit / 64-bit view mark: set once at start-up to whether the prefix is 64-bit.
extern BYTE g_bShowBitnessIcons;

class CListCtrlEx : public CListCtrl {
 public:
  // Draws one whole row (ODT_LISTVIEW, ODA_DRAWENTIRE; anything else draws nothing).
  void DrawItem(const DRAWITEMSTRUCT* item);
  // The drawn check box flips the row's state image (1 unchecked, 2 checked); the click then selects as
  // usual.
  void OnLButtonDown(UINT flags, POINT point);

  // The row's second line: the problem's description, after the "not repaired" mark when its last repair
  // failed.
  static std::wstring SecondLine(const CProblem& problem);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
