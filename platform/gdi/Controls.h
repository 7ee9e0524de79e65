#pragma once
// The standard and common controls, drawn by us: class names, styles, messages, notifications and the
// structures they carry, at their Windows values. RegisterControlClasses makes the classes known; the
// class-library wrappers call it, and so does InitCommonControls.
#include <cstdint>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

struct HIMAGELIST__ {};
using HIMAGELIST = HIMAGELIST__*;

inline constexpr LPCWSTR WC_BUTTON = L"Button";
inline constexpr LPCWSTR WC_STATIC = L"Static";
inline constexpr LPCWSTR WC_EDIT = L"Edit";
// The rich edit: the edit control with the rich edit's limit message; its text is plain.
inline constexpr LPCWSTR RICHEDIT_CLASS = L"RichEdit20W";
inline constexpr LPCWSTR WC_COMBOBOX = L"ComboBox";
inline constexpr LPCWSTR WC_LISTVIEW = L"SysListView32";
inline constexpr LPCWSTR PROGRESS_CLASS = L"msctls_progress32";
inline constexpr LPCWSTR TOOLTIPS_CLASS = L"tooltips_class32";
inline constexpr LPCWSTR DATETIMEPICK_CLASS = L"SysDateTimePick32";
inline constexpr LPCWSTR UPDOWN_CLASS = L"msctls_updown32";
inline constexpr LPCWSTR WC_HEADER = L"SysHeader32";
inline constexpr LPCWSTR ANIMATE_CLASS = L"SysAnimate32";

namespace gdi {
void RegisterControlClasses();
namespace controls {
// The frame the animation control shows now (-1: nothing open).
int AnimationFrame(HWND animation);
// The text the tooltip control would show now: its tool under the last relayed mouse message ("" for none).
std::wstring ShownTooltip(HWND tooltip);
}  // namespace controls
}
namespace win {
inline void InitCommonControls() { gdi::RegisterControlClasses(); }
}

// Owner draw.
inline constexpr UINT ODT_MENU = 1;
inline constexpr UINT ODT_LISTBOX = 2;
inline constexpr UINT ODT_COMBOBOX = 3;
inline constexpr UINT ODT_BUTTON = 4;
inline constexpr UINT ODT_STATIC = 5;
inline constexpr UINT ODT_LISTVIEW = 102;
inline constexpr UINT ODA_DRAWENTIRE = 1;
inline constexpr UINT ODA_SELECT = 2;
inline constexpr UINT ODA_FOCUS = 4;
inline constexpr UINT ODS_SELECTED = 0x1;
inline constexpr UINT ODS_GRAYED = 0x2;
inline constexpr UINT ODS_DISABLED = 0x4;
inline constexpr UINT ODS_CHECKED = 0x8;
inline constexpr UINT ODS_FOCUS = 0x10;
inline constexpr UINT ODS_DEFAULT = 0x20;
inline constexpr UINT ODS_HOTLIGHT = 0x40;

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem{};
  std::uintptr_t itemData = 0;
};

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  std::uintptr_t itemData = 0;
};

// WM_NOTIFY.
struct NMHDR {
  HWND hwndFrom = nullptr;
  std::uintptr_t idFrom = 0;
  UINT code = 0;
};
inline constexpr UINT NM_CLICK = static_cast<UINT>(-2);
inline constexpr UINT NM_DBLCLK = static_cast<UINT>(-3);
inline constexpr UINT NM_RCLICK = static_cast<UINT>(-5);
inline constexpr UINT NM_SETFOCUS = static_cast<UINT>(-7);
inline constexpr UINT NM_KILLFOCUS = static_cast<UINT>(-8);

// Buttons.
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_RADIOBUTTON = 0x4;
inline constexpr DWORD BS_3STATE = 0x5;
inline constexpr DWORD BS_AUTO3STATE = 0x6;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
inline constexpr DWORD BS_OWNERDRAW = 0xB;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr DWORD BS_LEFTTEXT = 0x20;
inline constexpr DWORD BS_BITMAP = 0x80;
inline constexpr DWORD BS_MULTILINE = 0x2000;
inline constexpr DWORD BS_NOTIFY = 0x4000;
inline constexpr UINT BM_GETCHECK = 0xF0;
inline constexpr UINT BM_SETCHECK = 0xF1;
inline constexpr UINT BM_GETSTATE = 0xF2;
inline constexpr UINT BM_SETSTATE = 0xF3;
inline constexpr UINT BM_SETSTYLE = 0xF4;
inline constexpr UINT BM_CLICK = 0xF5;
inline constexpr UINT BM_GETIMAGE = 0xF6;
inline constexpr UINT BM_SETIMAGE = 0xF7;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;
inline constexpr int BST_PUSHED = 4;
inline constexpr int BST_FOCUS = 8;
inline constexpr WORD BN_CLICKED = 0;
inline constexpr WORD BN_DOUBLECLICKED = 5;

// Static controls.
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_RIGHT = 0x2;
inline constexpr DWORD SS_ICON = 0x3;
inline constexpr DWORD SS_BLACKRECT = 0x4;
inline constexpr DWORD SS_OWNERDRAW = 0xD;
inline constexpr DWORD SS_BITMAP = 0xE;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;
inline constexpr DWORD SS_NOTIFY = 0x100;
inline constexpr DWORD SS_CENTERIMAGE = 0x200;
inline constexpr UINT STM_SETIMAGE = 0x172;
inline constexpr UINT STM_GETIMAGE = 0x173;
inline constexpr WORD STN_CLICKED = 0;

// Edit controls.
inline constexpr DWORD ES_LEFT = 0x0;
inline constexpr DWORD ES_MULTILINE = 0x4;
inline constexpr DWORD ES_PASSWORD = 0x20;
inline constexpr DWORD ES_AUTOVSCROLL = 0x40;
inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD ES_READONLY = 0x800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;
inline constexpr DWORD ES_NUMBER = 0x2000;
inline constexpr UINT EM_GETSEL = 0xB0;
inline constexpr UINT EM_SETSEL = 0xB1;
inline constexpr UINT EM_SETREADONLY = 0xCF;
inline constexpr UINT EM_LIMITTEXT = 0xC5;
inline constexpr UINT EM_SETLIMITTEXT = 0xC5;
inline constexpr UINT EM_GETLIMITTEXT = 0xD5;
// The rich edit's limit: lParam is the number of characters.
inline constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
inline constexpr WORD EN_CHANGE = 0x300;
inline constexpr WORD EN_MAXTEXT = 0x501;

// Combo boxes.
inline constexpr DWORD CBS_DROPDOWN = 0x2;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x3;
inline constexpr DWORD CBS_SORT = 0x100;
inline constexpr UINT CB_ADDSTRING = 0x143;
inline constexpr UINT CB_DELETESTRING = 0x144;
inline constexpr UINT CB_GETCOUNT = 0x146;
inline constexpr UINT CB_GETCURSEL = 0x147;
inline constexpr UINT CB_GETLBTEXT = 0x148;
inline constexpr UINT CB_GETLBTEXTLEN = 0x149;
inline constexpr UINT CB_INSERTSTRING = 0x14A;
inline constexpr UINT CB_RESETCONTENT = 0x14B;
inline constexpr UINT CB_SETCURSEL = 0x14E;
inline constexpr UINT CB_GETITEMDATA = 0x150;
inline constexpr UINT CB_SETITEMDATA = 0x151;
inline constexpr UINT CB_SHOWDROPDOWN = 0x14F;
inline constexpr UINT CB_FINDSTRINGEXACT = 0x158;
inline constexpr int CB_ERR = -1;
inline constexpr WORD CBN_SELCHANGE = 1;
inline constexpr WORD CBN_DROPDOWN = 7;

// Progress bars.
inline constexpr UINT PBM_SETRANGE = WM_USER + 1;
inline constexpr UINT PBM_SETPOS = WM_USER + 2;
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;
inline constexpr UINT PBM_STEPIT = WM_USER + 5;
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
inline constexpr DWORD PBS_SMOOTH = 0x1;

// Tooltips.
inline constexpr UINT TTM_ACTIVATE = WM_USER + 1;
inline constexpr UINT TTM_RELAYEVENT = WM_USER + 7;
inline constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
inline constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
inline constexpr UINT TTM_DELTOOLW = WM_USER + 51;
inline constexpr UINT TTM_GETTEXTW = WM_USER + 56;
inline constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;
inline constexpr UINT TTF_IDISHWND = 0x1;
inline constexpr UINT TTF_SUBCLASS = 0x10;
struct TOOLINFOW {
  UINT cbSize = sizeof(TOOLINFOW);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  std::uintptr_t uId = 0;
  RECT rect{};
  HINSTANCE hinst = nullptr;
  LPWSTR lpszText = nullptr;
  LPARAM lParam = 0;
};

// Date and time picker.
inline constexpr DWORD DTS_SHORTDATEFORMAT = 0x0;
inline constexpr DWORD DTS_UPDOWN = 0x1;
inline constexpr DWORD DTS_LONGDATEFORMAT = 0x4;
inline constexpr DWORD DTS_TIMEFORMAT = 0x9;
inline constexpr UINT DTM_GETSYSTEMTIME = 0x1001;
inline constexpr UINT DTM_SETSYSTEMTIME = 0x1002;
inline constexpr DWORD GDT_VALID = 0;
inline constexpr DWORD GDT_NONE = 1;
inline constexpr UINT DTN_DATETIMECHANGE = static_cast<UINT>(-759);
struct NMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags = 0;
  SYSTEMTIME st;
};

// Animation control. Our clips are bitmap resources holding square frames side by side; playing steps one
// frame every 100 ms on a timer of the control.
inline constexpr UINT ACM_OPENW = WM_USER + 103;
inline constexpr UINT ACM_PLAY = WM_USER + 101;
inline constexpr UINT ACM_STOP = WM_USER + 102;
inline constexpr UINT ACM_ISPLAYING = WM_USER + 104;
inline constexpr DWORD ACS_CENTER = 0x1;
inline constexpr DWORD ACS_TRANSPARENT = 0x2;

// Up-down control.
inline constexpr UINT UDM_SETRANGE32 = WM_USER + 111;
inline constexpr UINT UDM_GETRANGE32 = WM_USER + 112;
inline constexpr UINT UDM_SETPOS32 = WM_USER + 113;
inline constexpr UINT UDM_GETPOS32 = WM_USER + 114;

// List views.
inline constexpr DWORD LVS_ICON = 0x0;
inline constexpr DWORD LVS_REPORT = 0x1;
inline constexpr DWORD LVS_SINGLESEL = 0x4;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x8;
inline constexpr DWORD LVS_ALIGNLEFT = 0x800;
inline constexpr DWORD LVS_OWNERDRAWFIXED = 0x400;
inline constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr DWORD LVS_EX_GRIDLINES = 0x1;
inline constexpr DWORD LVS_EX_CHECKBOXES = 0x4;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x20;
inline constexpr DWORD LVS_EX_FLATSB = 0x100;
inline constexpr DWORD LVS_EX_INFOTIP = 0x400;
inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
inline constexpr UINT LVM_GETIMAGELIST = LVM_FIRST + 2;
inline constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
inline constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
inline constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
inline constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
inline constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
inline constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
inline constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
inline constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
inline constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
inline constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
inline constexpr UINT LVM_SETTEXTBKCOLOR = LVM_FIRST + 38;
inline constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
inline constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
inline constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
inline constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
inline constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
inline constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
inline constexpr UINT LVM_SUBITEMHITTEST = LVM_FIRST + 57;
inline constexpr UINT LVM_GETITEMW = LVM_FIRST + 75;
inline constexpr UINT LVM_SETITEMW = LVM_FIRST + 76;
inline constexpr UINT LVM_INSERTITEMW = LVM_FIRST + 77;
inline constexpr UINT LVM_INSERTCOLUMNW = LVM_FIRST + 97;
inline constexpr UINT LVM_GETITEMTEXTW = LVM_FIRST + 115;
inline constexpr UINT LVM_SETITEMTEXTW = LVM_FIRST + 116;
inline constexpr UINT LVIF_TEXT = 0x1;
inline constexpr UINT LVIF_IMAGE = 0x2;
inline constexpr UINT LVIF_PARAM = 0x4;
inline constexpr UINT LVIF_STATE = 0x8;
inline constexpr UINT LVIF_INDENT = 0x10;
inline constexpr UINT LVIS_FOCUSED = 0x1;
inline constexpr UINT LVIS_SELECTED = 0x2;
inline constexpr UINT LVIS_CUT = 0x4;
inline constexpr UINT LVIS_DROPHILITED = 0x8;
inline constexpr UINT LVIS_OVERLAYMASK = 0xF00;
inline constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }
inline constexpr int LVNI_ALL = 0x0;
inline constexpr int LVNI_FOCUSED = 0x1;
inline constexpr int LVNI_SELECTED = 0x2;
inline constexpr int LVSIL_NORMAL = 0;
inline constexpr int LVSIL_SMALL = 1;
inline constexpr int LVSIL_STATE = 2;
inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_ICON = 1;
inline constexpr int LVIR_LABEL = 2;
inline constexpr UINT LVHT_NOWHERE = 0x1;
inline constexpr UINT LVHT_ONITEMICON = 0x2;
inline constexpr UINT LVHT_ONITEMLABEL = 0x4;
inline constexpr UINT LVHT_ONITEMSTATEICON = 0x8;
inline constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
inline constexpr int LVCFMT_LEFT = 0x0;
inline constexpr int LVCFMT_RIGHT = 0x1;
inline constexpr int LVCFMT_CENTER = 0x2;
inline constexpr UINT LVCF_FMT = 0x1;
inline constexpr UINT LVCF_WIDTH = 0x2;
inline constexpr UINT LVCF_TEXT = 0x4;
inline constexpr UINT LVCF_SUBITEM = 0x8;
inline constexpr int LVSCW_AUTOSIZE = -1;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
inline constexpr UINT LVN_FIRST = static_cast<UINT>(-100);
inline constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;
inline constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
inline constexpr UINT LVN_INSERTITEM = LVN_FIRST - 2;
inline constexpr UINT LVN_DELETEITEM = LVN_FIRST - 3;
inline constexpr UINT LVN_DELETEALLITEMS = LVN_FIRST - 4;
inline constexpr UINT LVN_COLUMNCLICK = LVN_FIRST - 8;

struct LVITEMW {
  UINT mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  UINT state = 0;
  UINT stateMask = 0;
  LPWSTR pszText = nullptr;
  int cchTextMax = 0;
  int iImage = 0;
  LPARAM lParam = 0;
  int iIndent = 0;
};
struct LVCOLUMNW {
  UINT mask = 0;
  int fmt = 0;
  int cx = 0;
  LPWSTR pszText = nullptr;
  int cchTextMax = 0;
  int iSubItem = 0;
};
struct LVHITTESTINFO {
  POINT pt{};
  UINT flags = 0;
  int iItem = -1;
  int iSubItem = 0;
};
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction{};
  LPARAM lParam = 0;
};
struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction{};
  LPARAM lParam = 0;
  UINT uKeyFlags = 0;
};

inline constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;

// The header of a report list: a child of the list that holds no columns of its own. Its notifications go to
// the list (its parent), which passes them on to its own parent and returns the answer, so a list that was
// subclassed sees them first.
inline constexpr UINT HDM_FIRST = 0x1200;
inline constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
inline constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
inline constexpr UINT HDM_GETITEMW = HDM_FIRST + 11;
inline constexpr UINT HDM_SETITEMW = HDM_FIRST + 12;
inline constexpr UINT HDI_WIDTH = 0x1;
inline constexpr UINT HDI_TEXT = 0x2;
inline constexpr UINT HDI_FORMAT = 0x4;
inline constexpr UINT HDN_ITEMCHANGINGA = static_cast<UINT>(-300);
inline constexpr UINT HDN_ENDTRACKA = static_cast<UINT>(-307);
inline constexpr UINT HDN_ITEMCHANGINGW = static_cast<UINT>(-320);
inline constexpr UINT HDN_ITEMCHANGEDW = static_cast<UINT>(-321);
inline constexpr UINT HDN_ITEMCLICKW = static_cast<UINT>(-322);
inline constexpr UINT HDN_BEGINTRACKW = static_cast<UINT>(-326);
inline constexpr UINT HDN_ENDTRACKW = static_cast<UINT>(-327);
inline constexpr UINT HDN_TRACKW = static_cast<UINT>(-328);
struct HDITEMW {
  UINT mask = 0;
  int cxy = 0;
  LPWSTR pszText = nullptr;
  HBITMAP hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
};
struct NMHEADERW {
  NMHDR hdr;
  int iItem = -1;
  int iButton = 0;
  HDITEMW* pitem = nullptr;
};

// Image lists.
inline constexpr UINT ILC_MASK = 0x1;
inline constexpr UINT ILC_COLOR24 = 0x18;
inline constexpr UINT ILC_COLOR32 = 0x20;
inline constexpr UINT ILD_NORMAL = 0x0;
inline constexpr UINT ILD_TRANSPARENT = 0x1;
struct IMAGEINFO {
  HBITMAP hbmImage = nullptr;
  HBITMAP hbmMask = nullptr;
  int Unused1 = 0;
  int Unused2 = 0;
  RECT rcImage{};
};

namespace win {
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Adds as many images as the bitmap is wide; pixels of the mask colour become transparent. Returns the first
// new index, -1 on failure.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask);
int ImageList_Add(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT style);
// A new icon of one image (transparent where the image is); nullptr for a bad index.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
}  // namespace win
