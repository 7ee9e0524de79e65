#include "ui/FancyListCtrl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/gdi/Controls.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

constexpr UINT kMeterIcon = 416;

std::wstring TrimLeft(const std::wstring& s) {
  size_t i = s.find_first_not_of(L" \t\r");
  return i == std::wstring::npos ? std::wstring() : s.substr(i);
}

std::wstring TrimRight(const std::wstring& s) {
  size_t i = s.find_last_not_of(L" \t\r");
  return i == std::wstring::npos ? std::wstring() : s.substr(0, i + 1);
}

// A DC for measuring text in this list's fonts while no paint is under way.
class MeasureDC {
 public:
  explicit MeasureDC(HWND hwnd) : hwnd_(hwnd) { dc_.Attach(win::GetDC(hwnd)); }
  ~MeasureDC() { win::ReleaseDC(hwnd_, dc_.Detach()); }
  CDC& dc() { return dc_; }

 private:
  HWND hwnd_;
  CDC dc_;
};

}  // namespace

CFancyListCtrl::CFancyListCtrl() = default;

CFancyListCtrl::~CFancyListCtrl() {
  m_arrIconIndex.clear();
  m_arrMeter.clear();
  m_arrTitle.clear();
  m_arrDescription.clear();
  m_arrDetail.clear();
}

void CFancyListCtrl::PreSubclassWindow() {
  LOGFONTW lf;
  GetUILogFont(lf);
  wchar_t windows[MAX_PATH] = {};
  win::GetWindowsDirectory(windows, MAX_PATH);
  std::wstring segoe = std::wstring(windows) + L"\\FONTS\\SEGOEUI.TTF";
  const wchar_t* face = GetOSMajorVersion() > 5 || win::GetFileAttributes(segoe.c_str()) != INVALID_FILE_ATTRIBUTES
                            ? L"SEGOE UI"
                            : L"arial";
  lf.lfHeight = -11;
  lf.lfWeight = 400;
  lf.lfQuality = CLEARTYPE_QUALITY;
  std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'\0');
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  m_fontTitle.CreateFontIndirect(&lf);
  m_fontText.CreateFontIndirect(&lf);
  if (!m_hWnd) return;
  MeasureDC measure(m_hWnd);
  CFont* old = measure.dc().SelectObject(&m_fontTitle);
  m_nTitleLineHeight = measure.dc().GetTextExtent(L"X").cy;
  measure.dc().SelectObject(&m_fontText);
  m_nTextLineHeight = measure.dc().GetTextExtent(L"X").cy;
  measure.dc().SelectObject(old);
}

int CFancyListCtrl::MeterIconCount(DWORD value) {
  DWORD v = std::min<DWORD>(value, 100);
  float n = static_cast<float>(v) * 60.0f / 100.0f;
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f", n);
  const char* dot = std::strchr(text, '.');
  if (dot && dot[1] > '5') n += 1.0f;
  return static_cast<int>(n);
}

int CFancyListCtrl::WrapText(CDC& dc, const std::wstring& text, int width, std::vector<std::wstring>* lines) {
  std::vector<std::wstring>& out = m_arrWrapped;
  out.clear();
  m_arrLines.clear();
  size_t start = 0;
  while (true) {
    size_t nl = text.find(L'\n', start);
    m_arrLines.push_back(text.substr(start, nl == std::wstring::npos ? std::wstring::npos : nl - start));
    if (nl == std::wstring::npos) break;
    start = nl + 1;
  }
  auto fits = [&](const std::wstring& s) { return dc.GetTextExtent(s).cx <= width; };
  for (const std::wstring& line : m_arrLines) {
    std::wstring rest = line;
    while (static_cast<int>(out.size()) < m_nMaxLines) {
      if (fits(rest)) {
        out.push_back(rest);
        break;
      }
      size_t previous = std::wstring::npos, cut = std::wstring::npos;
      for (size_t p = rest.find_first_of(m_strBreakChars); p != std::wstring::npos;
           p = rest.find_first_of(m_strBreakChars, p + 1)) {
        if (!fits(rest.substr(0, p))) {
          cut = (previous != std::wstring::npos ? previous : p) + 1;
          break;
        }
        previous = p;
      }
      if (cut != std::wstring::npos) {
        out.push_back(TrimRight(rest.substr(0, cut)));
        rest = TrimLeft(rest.substr(cut));
        if (rest.empty()) break;
        continue;
      }
      // No break left where the text stops fitting: a word longer than the column stays whole.
      if (previous != std::wstring::npos) {
        out.push_back(rest.substr(0, previous + 1));
        std::wstring second = TrimLeft(rest.substr(previous + 1));
        if (!second.empty() && static_cast<int>(out.size()) < m_nMaxLines) out.push_back(second);
      } else {
        out.push_back(rest);
      }
      break;
    }
    if (static_cast<int>(out.size()) >= m_nMaxLines) break;
  }
  if (static_cast<int>(out.size()) > m_nMaxLines) out.resize(static_cast<size_t>(m_nMaxLines));
  if (lines) *lines = out;
  return static_cast<int>(out.size());
}

int CFancyListCtrl::TextWidth() const {
  int width = 0;
  int columns = static_cast<int>(win::SendMessage(reinterpret_cast<HWND>(Send(LVM_GETHEADER)), HDM_GETITEMCOUNT, 0, 0));
  for (int c = std::max(m_iTextColumn, 0); c < columns; ++c) width += GetColumnWidth(c);
  return width - 4;
}

int CFancyListCtrl::DescriptionLines(const std::wstring& text) {
  if (!m_hWnd) return 1;
  MeasureDC measure(m_hWnd);
  CFont* old = measure.dc().SelectObject(&m_fontText);
  int lines = WrapText(measure.dc(), text, TextWidth(), nullptr);
  measure.dc().SelectObject(old);
  return lines;
}

void CFancyListCtrl::Remeasure() {
  if (!m_hWnd) return;
  RECT rc;
  GetWindowRect(&rc);
  WINDOWPOS pos{};
  pos.hwnd = m_hWnd;
  pos.cx = rc.right - rc.left;
  pos.cy = rc.bottom - rc.top;
  pos.flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  SendMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void CFancyListCtrl::GrowRowHeight(int height) {
  if (height <= m_nRowHeight) return;
  m_nRowHeight = height;
  if (m_iIconColumn >= 0 && m_pStatusImages && m_pStatusImages->GetImageCount() > 0)
    m_nRowHeight = std::max(m_nRowHeight, ImageHeight() + 4);
  Remeasure();
}

void CFancyListCtrl::RecomputeRowHeight() {
  int longest = 0;
  for (const auto& d : m_arrDescription) longest = std::max(longest, d.empty() ? 0 : DescriptionLines(d));
  m_nRowHeight = std::max(22, m_nTitleLineHeight + longest * m_nTextLineHeight + 5);
  if (m_iIconColumn >= 0 && m_pStatusImages && m_pStatusImages->GetImageCount() > 0)
    m_nRowHeight = std::max(m_nRowHeight, ImageHeight() + 4);
}

void CFancyListCtrl::InsertIconColumn(CImageList* images) {
  if (m_iIconColumn >= 0 || !images) return;
  int index = InsertColumn(0, L"", LVCFMT_LEFT, 210);
  if (index >= 0) OnColumnInserted(0, index);
  m_iIconColumn = 0;
  m_pStatusImages = images;
  if (images->GetImageCount() > 0) {
    IMAGEINFO info;
    if (images->GetImageInfo(0, &info)) m_rcImage = info.rcImage;
    m_nRowHeight = std::max(m_nRowHeight, ImageHeight() + 4);
  }
  Remeasure();
}

int CFancyListCtrl::OnColumnInserted(int position, int result) {
  if (m_iIconColumn >= position) ++m_iIconColumn;
  if (m_iTextColumn >= position) ++m_iTextColumn;
  if (m_iTextColumn >= 0) {
    int top = GetTopIndex();
    RecomputeRowHeight();
    Remeasure();
    EnsureVisible(top, FALSE);
  }
  return result;
}

BOOL CFancyListCtrl::SetRowTexts(int row, const std::wstring& title, const std::wstring& description,
                                 const std::wstring& detail, DWORD value) {
  if (row < 0 || row >= static_cast<int>(m_arrTitle.size()) || row >= GetItemCount() || m_iTextColumn < 0)
    return FALSE;
  m_arrTitle[row] = title;
  m_arrDescription[row] = description;
  m_arrDetail[row] = detail;
  m_arrMeter[row] = value;
  int height = description.empty() ? m_nTitleLineHeight + 3 + 2
                                   : m_nTitleLineHeight + DescriptionLines(description) * m_nTextLineHeight + 23 + 2;
  GrowRowHeight(height);
  return TRUE;
}

void CFancyListCtrl::DeleteAllRows() {
  m_bDeletingAll = 1;
  m_arrIconIndex.clear();
  m_arrMeter.clear();
  m_arrTitle.clear();
  m_arrDescription.clear();
  m_arrDetail.clear();
  DeleteAllItems();
  m_bDeletingAll = 0;
}

BOOL CFancyListCtrl::ReflectParentMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (!m_hWnd || !lParam) return FALSE;
  UINT id = static_cast<UINT>(GetDlgCtrlID());
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (mis->CtlType != ODT_LISTVIEW || mis->CtlID != id) return FALSE;
    mis->itemHeight = static_cast<UINT>(m_nRowHeight);
    if (result) *result = TRUE;
    return TRUE;
  }
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (dis->hwndItem != m_hWnd) return FALSE;
    DrawItem(dis);
    if (result) *result = TRUE;
    return TRUE;
  }
  if (msg != WM_NOTIFY) return FALSE;
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (hdr->hwndFrom != m_hWnd) return FALSE;
  auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
  size_t n = static_cast<size_t>(std::max(nm->iItem, 0));
  if (hdr->code == LVN_INSERTITEM) {
    LVITEMW item;
    item.mask = LVIF_IMAGE;
    item.iItem = nm->iItem;
    GetItem(&item);
    n = std::min(n, m_arrTitle.size());
    m_arrIconIndex.insert(m_arrIconIndex.begin() + static_cast<long>(n), static_cast<DWORD>(item.iImage));
    m_arrMeter.insert(m_arrMeter.begin() + static_cast<long>(n), 0);
    m_arrTitle.insert(m_arrTitle.begin() + static_cast<long>(n), std::wstring());
    m_arrDescription.insert(m_arrDescription.begin() + static_cast<long>(n), std::wstring());
    m_arrDetail.insert(m_arrDetail.begin() + static_cast<long>(n), std::wstring());
    if (m_iTextColumn >= 0) {
      std::wstring own = GetItemText(nm->iItem, m_iTextColumn);
      if (!own.empty()) GrowRowHeight(m_nTitleLineHeight + DescriptionLines(own) * m_nTextLineHeight + 5);
    }
  } else if (hdr->code == LVN_DELETEITEM && !m_bDeletingAll && n < m_arrTitle.size()) {
    RecomputeRowHeight();
    m_arrIconIndex.erase(m_arrIconIndex.begin() + static_cast<long>(n));
    m_arrMeter.erase(m_arrMeter.begin() + static_cast<long>(n));
    m_arrTitle.erase(m_arrTitle.begin() + static_cast<long>(n));
    m_arrDescription.erase(m_arrDescription.begin() + static_cast<long>(n));
    m_arrDetail.erase(m_arrDetail.begin() + static_cast<long>(n));
  } else {
    return FALSE;
  }
  if (result) *result = 0;
  return TRUE;
}

LRESULT CFancyListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY && lParam) {
    auto* nm = reinterpret_cast<NMHEADERW*>(lParam);
    UINT code = nm->hdr.code;
    if ((code == HDN_ITEMCHANGINGW || code == HDN_ITEMCHANGINGA) && nm->pitem && (nm->pitem->mask & HDI_WIDTH)) {
      int width = nm->pitem->cxy;
      if ((nm->iItem == m_iIconColumn && width < std::min(ImageWidth(), 40)) ||
          (nm->iItem == m_iTextColumn && width < 50)) {
        UpdateWindow();
        return 1;
      }
      Invalidate(FALSE);
    } else if (code == HDN_ENDTRACKW || code == HDN_ENDTRACKA) {
      int top = GetTopIndex();
      EnsureVisible(0, FALSE);
      RecomputeRowHeight();
      Remeasure();
      EnsureVisible(top, FALSE);
      Invalidate(FALSE);
    }
  }
  return CListCtrl::WindowProc(msg, wParam, lParam);
}

void CFancyListCtrl::DrawItem(const DRAWITEMSTRUCT* item) {
  if (!item || item->CtlType != ODT_LISTVIEW || item->itemAction != ODA_DRAWENTIRE) return;
  CDC dc;
  dc.Attach(item->hDC);
  int saved = dc.SaveDC();
  COLORREF oldColor = dc.SetTextColor(RGB(9, 18, 27));
  int oldMode = dc.SetBkMode(TRANSPARENT);
  RECT r = item->rcItem;
  const size_t row = item->itemID;
  const bool selected = item->itemState & ODS_SELECTED;
  dc.FillSolidRect(&r, RGB(255, 255, 255));
  if (item->itemState & ODS_FOCUS) {
    RECT focus = r;
    focus.bottom -= 1;
    dc.DrawFocusRect(&focus);
    CBrush outline(RGB(165, 207, 182));
    dc.FrameRect(&focus, &outline);
    RECT inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 2};
    dc.FillSolidRect(&inside, RGB(247, 230, 170));
  }
  HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
  int columns = static_cast<int>(win::SendMessage(header, HDM_GETITEMCOUNT, 0, 0));
  int x = 0;  // the list never scrolls sideways: its columns fit its width
  const int T = m_nTitleLineHeight;
  for (int c = 0; c < columns && row < m_arrTitle.size(); ++c) {
    int width = GetColumnWidth(c);
    if (c == m_iIconColumn) {
      DWORD icon = m_arrIconIndex[row];
      if (m_pStatusImages && static_cast<int>(icon) < m_pStatusImages->GetImageCount()) {
        POINT at{x + width / 2 - ImageWidth() / 2 - 2, (r.top + r.bottom) / 2 - ImageHeight() / 2};
        m_pStatusImages->Draw(&dc, static_cast<int>(icon), at, ILD_TRANSPARENT);
        HICON meter = win::LoadIcon(nullptr, kMeterIcon);
        int count = MeterIconCount(m_arrMeter[row]);
        for (int i = 0; i < count && meter; ++i)
          win::DrawIconEx(dc, at.x + (i % 20) * 10, at.y + (i / 20) * 11, meter, 10, 10, 0, nullptr, DI_NORMAL);
        if (meter) win::DestroyIcon(meter);
      }
    } else if (c == m_iTextColumn) {
      dc.SelectObject(&m_fontTitle);
      dc.SetTextColor(RGB(18, 54, 90));
      RECT title{x + 2, r.top + 5, x + width - 2, r.top + T + 5};
      dc.DrawText(m_arrTitle[row], &title, DT_NOPREFIX | DT_SINGLELINE);
      dc.SelectObject(&m_fontText);
      RECT detail{x + 2, r.top + T + 6, r.right, r.top + T + 24};
      dc.DrawText(m_arrDetail[row], &detail, DT_WORDBREAK | DT_VCENTER);
      dc.SetTextColor(selected ? RGB(27, 63, 81) : RGB(18, 54, 90));
      RECT box{x + 2, r.top + T + 19, r.right, r.bottom - 2};
      std::vector<std::wstring> lines;
      WrapText(dc, m_arrDescription[row], box.right - box.left, &lines);
      for (size_t i = 0; i < lines.size(); ++i) {
        RECT line{box.left, box.top + static_cast<int>(i) * m_nTextLineHeight, box.right,
                  box.top + static_cast<int>(i + 1) * m_nTextLineHeight};
        if (line.bottom > box.bottom) break;
        dc.DrawText(lines[i], &line, DT_NOPREFIX | DT_SINGLELINE);
      }
    } else {
      dc.SetTextColor(selected ? win::GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(8, 0, 0));
      RECT cell{x + 2, r.top + 2, x + width - 2, r.bottom - 2};
      dc.DrawText(GetItemText(static_cast<int>(row), c), &cell, DT_NOPREFIX | DT_SINGLELINE);
    }
    x += width;
  }
  dc.SetBkMode(oldMode);
  dc.SetTextColor(oldColor);
  dc.RestoreDC(saved);
  dc.Detach();
}
