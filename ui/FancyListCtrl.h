#pragma once
// The owner-drawn report list of the optimisation results: per row a status image with a meter of small
// icons, and a title, a detail line and a word-wrapped description. All rows share one height, grown to fit
// the longest description. The page that owns the list hands it the list's notices (ReflectParentMessage),
// as the class library's message reflection would.
#include <string>
#include <vector>

#include "platform/gdi/AfxControls.h"
#include "platform/gdi/GdiObject.h"

class CFancyListCtrl : public CListCtrl {
 public:
  CFancyListCtrl();
  ~CFancyListCtrl() override;

  // Makes the fonts and measures their lines; call once the list window exists (after Create or subclassing).
  void PreSubclassWindow();

  void InsertIconColumn(CImageList* images);
  int OnColumnInserted(int position, int result);
  BOOL SetRowTexts(int row, const std::wstring& title, const std::wstring& description, const std::wstring& detail,
                   DWORD value);
  void DeleteAllRows();

  // WM_MEASUREITEM, WM_DRAWITEM and WM_NOTIFY that the list sent its parent, when they are this list's; TRUE
  // when handled (result set).
  BOOL ReflectParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void DrawItem(const DRAWITEMSTRUCT* item);

  // Wrapped lines of text for a width in the DC's current font, at most m_nMaxLines.
  int WrapText(CDC& dc, const std::wstring& text, int width, std::vector<std::wstring>* lines);
  // How many meter icons a value draws (0-60).
  static int MeterIconCount(DWORD value);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  BYTE m_bDeletingAll = 0;
  CFont m_fontTitle;
  CFont m_fontText;
  int m_nMaxLines = 100;
  int m_iIconColumn = -1;
  int m_iTextColumn = -1;
  CImageList* m_pStatusImages = nullptr;
  std::vector<DWORD> m_arrIconIndex;
  std::vector<DWORD> m_arrMeter;
  std::vector<std::wstring> m_arrTitle;
  std::vector<std::wstring> m_arrDescription;
  int m_nRowHeight = 22;
  RECT m_rcImage{0, 0, 32, 32};
  int m_nTitleLineHeight = 13;
  int m_nTextLineHeight = 13;
  std::wstring m_strBreakChars = L" \\\t";
  std::vector<std::wstring> m_arrLines, m_arrWrapped;
  std::vector<std::wstring> m_arrDetail;

 private:
  int TextWidth() const;
  int DescriptionLines(const std::wstring& text);
  void GrowRowHeight(int height);
  void RecomputeRowHeight();
  void Remeasure();
  int ImageHeight() const { return m_rcImage.bottom - m_rcImage.top; }
  int ImageWidth() const { return m_rcImage.right - m_rcImage.left; }
};
