#pragma once
// The class library's control classes: thin objects over the control windows, each call one message.
#include <string>

#include "platform/gdi/Controls.h"
#include "platform/gdi/DC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

namespace win {
inline BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return FALSE;
  SendMessage(button, BM_SETCHECK, check, 0);
  return TRUE;
}
inline UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button ? static_cast<UINT>(SendMessage(button, BM_GETCHECK, 0, 0)) : 0;
}
}  // namespace win

// Common to the control classes: creation as a child with a class of ours.
class CControlWnd : public win::CWnd {
 protected:
  BOOL CreateControl(LPCWSTR cls, LPCWSTR text, DWORD style, const RECT& rect, win::CWnd* parent, UINT id,
                     DWORD exStyle = 0) {
    gdi::RegisterControlClasses();
    return CreateEx(exStyle, cls, text, style | WS_CHILD, rect, parent, id);
  }
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return win::SendMessage(m_hWnd, msg, w, l); }
};

class CButton : public CControlWnd {
 public:
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(WC_BUTTON, text, style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int check) { Send(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(Send(BM_GETSTATE)); }
  void SetState(BOOL pushed) { Send(BM_SETSTATE, static_cast<WPARAM>(pushed)); }
  UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { Send(BM_SETSTYLE, style, redraw); }
};

class CStatic : public CControlWnd {
 public:
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, win::CWnd* parent, UINT id = 0xFFFF) {
    return CreateControl(WC_STATIC, text, style, rect, parent, id);
  }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(Send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(Send(STM_GETIMAGE, IMAGE_BITMAP)); }
};

class CEdit : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(WC_EDIT, L"", style, rect, parent, id);
  }
  void LimitText(int max = 0) { Send(EM_LIMITTEXT, static_cast<WPARAM>(max)); }
  void SetLimitText(UINT max) { Send(EM_SETLIMITTEXT, max); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(Send(EM_SETREADONLY, static_cast<WPARAM>(readOnly))); }
  void SetSel(int start, int end) { Send(EM_SETSEL, static_cast<WPARAM>(start), end); }
};

class CRichEditCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(RICHEDIT_CLASS, L"", style, rect, parent, id);
  }
  void LimitText(long max = 0) { Send(EM_EXLIMITTEXT, 0, max); }
};

class CComboBox : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(WC_COMBOBOX, L"", style, rect, parent, id);
  }
  int AddString(LPCWSTR text) { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCWSTR text) {
    return static_cast<int>(Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(Send(CB_DELETESTRING, index)); }
  void ResetContent() { Send(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetLBTextLen(int index) const { return static_cast<int>(Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index))); }
  void GetLBText(int index, std::wstring& out) const {
    int n = GetLBTextLen(index);
    out.clear();
    if (n < 0) return;
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    out.assign(buf.c_str());
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(Send(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(Send(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
  int FindStringExact(int start, LPCWSTR text) const {
    return static_cast<int>(Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(text)));
  }
};

class CProgressCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(PROGRESS_CLASS, L"", style, rect, parent, id);
  }
  void SetRange(short lower, short upper) { Send(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(lower), static_cast<WORD>(upper))); }
  void SetRange32(int lower, int upper) { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  int SetPos(int pos) { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
  int OffsetPos(int delta) { return static_cast<int>(Send(PBM_DELTAPOS, static_cast<WPARAM>(delta))); }
  int SetStep(int step) { return static_cast<int>(Send(PBM_SETSTEP, static_cast<WPARAM>(step))); }
  int StepIt() { return static_cast<int>(Send(PBM_STEPIT)); }
};

class CToolTipCtrl : public CControlWnd {
 public:
  BOOL Create(win::CWnd* parent, DWORD style = 0) {
    gdi::RegisterControlClasses();
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | style, 0, 0, 0, 0,
                    parent ? parent->m_hWnd : nullptr, nullptr);
  }
  BOOL AddTool(win::CWnd* tool, LPCWSTR text) {
    if (!tool) return FALSE;
    TOOLINFOW info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = win::GetParent(tool->m_hWnd);
    info.uId = reinterpret_cast<std::uintptr_t>(tool->m_hWnd);
    info.lpszText = const_cast<LPWSTR>(text);
    return static_cast<BOOL>(Send(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
  }
  void UpdateTipText(LPCWSTR text, win::CWnd* tool) {
    if (!tool) return;
    TOOLINFOW info;
    info.hwnd = win::GetParent(tool->m_hWnd);
    info.uId = reinterpret_cast<std::uintptr_t>(tool->m_hWnd);
    info.lpszText = const_cast<LPWSTR>(text);
    Send(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  }
  void RelayEvent(MSG* msg) { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
  void Activate(BOOL active) { Send(TTM_ACTIVATE, static_cast<WPARAM>(active)); }
  int GetToolCount() const { return static_cast<int>(Send(TTM_GETTOOLCOUNT)); }
};

class CDateTimeCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(DATETIMEPICK_CLASS, L"", style, rect, parent, id);
  }
  BOOL SetTime(const SYSTEMTIME* time) {
    return static_cast<BOOL>(Send(DTM_SETSYSTEMTIME, time ? GDT_VALID : GDT_NONE, reinterpret_cast<LPARAM>(time)));
  }
  DWORD GetTime(SYSTEMTIME* time) const { return static_cast<DWORD>(Send(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(time))); }
};

class CSpinButtonCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(UPDOWN_CLASS, L"", style, rect, parent, id);
  }
  void SetRange32(int lower, int upper) { Send(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  int SetPos32(int pos) { return static_cast<int>(Send(UDM_SETPOS32, 0, pos)); }
  int GetPos32() const { return static_cast<int>(Send(UDM_GETPOS32)); }
};

class CAnimateCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(ANIMATE_CLASS, L"", style, rect, parent, id);
  }
  BOOL Open(UINT resourceId) { return static_cast<BOOL>(Send(ACM_OPENW, 0, static_cast<LPARAM>(resourceId))); }
  BOOL Play(UINT from, UINT to, UINT repeat) {
    return static_cast<BOOL>(Send(ACM_PLAY, repeat & 0xFFFF, MAKELPARAM(static_cast<WORD>(from), static_cast<WORD>(to))));
  }
  BOOL Stop() { return static_cast<BOOL>(Send(ACM_STOP)); }
  BOOL Close() { return static_cast<BOOL>(Send(ACM_OPENW, 0, 0)); }
};

class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = win::ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
  }
  int Add(CBitmap* bitmap, COLORREF mask) {
    return bitmap ? win::ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(*bitmap), mask) : -1;
  }
  int Add(CBitmap* bitmap, CBitmap* mask) {
    return bitmap ? win::ImageList_Add(m_hImageList, static_cast<HBITMAP>(*bitmap), mask ? static_cast<HBITMAP>(*mask) : nullptr) : -1;
  }
  int GetImageCount() const { return win::ImageList_GetImageCount(m_hImageList); }
  BOOL GetImageInfo(int index, IMAGEINFO* info) const { return win::ImageList_GetImageInfo(m_hImageList, index, info); }
  BOOL Draw(CDC* dc, int index, POINT pt, UINT style) {
    return dc ? win::ImageList_Draw(m_hImageList, index, dc->m_hDC, pt.x, pt.y, style) : FALSE;
  }
  BOOL DeleteImageList() {
    if (!m_hImageList) return FALSE;
    BOOL ok = win::ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return ok;
  }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST m_hImageList = nullptr;
};

class CListCtrl : public CControlWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, win::CWnd* parent, UINT id) {
    return CreateControl(WC_LISTVIEW, L"", style, rect, parent, id);
  }
  int InsertColumn(int column, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1) {
    LVCOLUMNW col;
    col.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0) | (subItem >= 0 ? LVCF_SUBITEM : 0);
    col.fmt = format;
    col.cx = width;
    col.iSubItem = subItem;
    col.pszText = const_cast<LPWSTR>(heading);
    return static_cast<int>(Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
  }
  int InsertItem(const LVITEMW* item) { return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item))); }
  int InsertItem(int index, LPCWSTR text) {
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    return InsertItem(&item);
  }
  int InsertItem(int index, LPCWSTR text, int image) {
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    item.iImage = image;
    return InsertItem(&item);
  }
  BOOL SetItem(const LVITEMW* item) { return static_cast<BOOL>(Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item))); }
  BOOL GetItem(LVITEMW* item) const { return static_cast<BOOL>(Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item))); }
  BOOL SetItemText(int index, int subItem, LPCWSTR text) {
    LVITEMW item;
    item.iSubItem = subItem;
    item.pszText = const_cast<LPWSTR>(text);
    return static_cast<BOOL>(Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
  }
  std::wstring GetItemText(int index, int subItem) const {
    std::wstring buf(4096, L'\0');
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = subItem;
    item.pszText = buf.data();
    item.cchTextMax = static_cast<int>(buf.size());
    if (!GetItem(&item)) return {};
    return std::wstring(buf.c_str());
  }
  BOOL SetItemData(int index, DWORD_PTR data) {
    LVITEMW item;
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return SetItem(&item);
  }
  DWORD_PTR GetItemData(int index) const {
    LVITEMW item;
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
  }
  BOOL SetItemState(int index, UINT state, UINT mask) {
    LVITEMW item;
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
  }
  UINT GetItemState(int index, UINT mask) const {
    return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), static_cast<LPARAM>(mask)));
  }
  BOOL SetCheck(int index, BOOL check = TRUE) {
    return SetItemState(index, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
  }
  BOOL GetCheck(int index) const { return ((GetItemState(index, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1; }
  int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  int GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }
  BOOL DeleteItem(int index) { return static_cast<BOOL>(Send(LVM_DELETEITEM, static_cast<WPARAM>(index))); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(Send(LVM_DELETEALLITEMS)); }
  int GetNextItem(int start, int flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
  }
  int HitTest(LVHITTESTINFO* info) const { return static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info))); }
  int HitTest(POINT pt, UINT* flags = nullptr) const {
    LVHITTESTINFO info;
    info.pt = pt;
    int index = HitTest(&info);
    if (flags) *flags = info.flags;
    return index;
  }
  BOOL GetItemRect(int index, RECT* rect, UINT code) const {
    if (!rect) return FALSE;
    rect->left = static_cast<LONG>(code);
    return static_cast<BOOL>(Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); }
  BOOL SetColumnWidth(int column, int width) {
    return static_cast<BOOL>(Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(static_cast<WORD>(width), 0)));
  }
  BOOL EnsureVisible(int index, BOOL partialOk) {
    return static_cast<BOOL>(Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), partialOk));
  }
  int GetTopIndex() const { return static_cast<int>(Send(LVM_GETTOPINDEX)); }
  int GetCountPerPage() const { return static_cast<int>(Send(LVM_GETCOUNTPERPAGE)); }
  DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style)); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
  HIMAGELIST SetImageList(CImageList* list, int which) {
    return reinterpret_cast<HIMAGELIST>(
        Send(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr)));
  }
  BOOL SetBkColor(COLORREF color) { return static_cast<BOOL>(Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color))); }
  BOOL SetTextColor(COLORREF color) { return static_cast<BOOL>(Send(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(color))); }
};
