#pragma once
// A pop-up menu whose items the program draws: a text with a small picture in a left-hand picture column,
// flat on normal displays and in the classic 3-D look on palette displays. The language menu uses it.
// The owner window forwards WM_MEASUREITEM and WM_DRAWITEM of the menu to MeasureItem and DrawItem.
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/AfxControls.h"
#include "platform/gdi/Menu.h"

// One item's record; its address is the item data the menu keeps.
struct QRMenuData {
  std::wstring text;
  int pictureIndex = -1;  // in the record's own image list
  int globalIndex = -1;   // of the command id in the process-wide id list
  int pictureFlag = -1;   // -1 no picture, 0 picture
  UINT flags = 0;
  UINT id = 0;
  int bold = 0;
  std::unique_ptr<CImageList> images;  // one picture
};

class QRMenu : public CMenu {
 public:
  QRMenu();
  ~QRMenu();

  BOOL AppendImageItem(const std::wstring& text, UINT id, CImageList* pictures, int pictureIndex);
  BOOL AppendOwnerDrawItem(const std::wstring& text, UINT flags, UINT_PTR id);
  // Rebuilds the menu from a menu resource with owner-drawn items and submenus.
  BOOL LoadMenu(UINT resourceId);
  BOOL DestroyMenu();

  void MeasureItem(MEASUREITEMSTRUCT* item);
  void DrawItem(DRAWITEMSTRUCT* item);

  const std::vector<std::unique_ptr<QRMenuData>>& Items() const { return m_items; }

  std::vector<std::unique_ptr<QRMenuData>> m_items;
  std::vector<std::unique_ptr<QRMenu>> m_subMenus;
  COLORREF m_crBack = RGB(220, 240, 252);

 private:
  void DrawFlat(CDC& dc, const DRAWITEMSTRUCT& item, const QRMenuData* data);
  void DrawClassic(CDC& dc, const DRAWITEMSTRUCT& item, const QRMenuData* data);
  void AppendFrom(HMENU source);
};

// The picture size items are laid out with: 19 x 19, 16 x 16 once the template loader appended items.
SIZE QRMenuPictureSize();
// 0 Win32s, 2 Windows 95, 3 98, 4 Me, 5 NT 4, 6 2000, 7 XP, 1 any other NT version (Vista and later).
int ClassifyWindowsVersion();
bool IsClassicTheme();
// Whether a menu handle belongs to a QRMenu (the process-wide list).
bool IsQRMenuHandle(HMENU menu);
// Colour helpers of the flat style: towards white by factor, towards black by factor; factors outside
// (0, 1] leave the colour as it is.
COLORREF LightenColor(COLORREF color, double factor);
COLORREF DarkenColor(COLORREF color, double factor);
