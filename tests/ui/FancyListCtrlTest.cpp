// The optimisation results list: its rows kept in step, the meter, wrapping, row heights and the drawing.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Surface.h"
#include "ui/FancyListCtrl.h"
#include "UiTestWindows.h"

namespace {

// A page that hands the list its notices, as the results page does.
class ListPage : public uitest::TestFrame {
 public:
  CFancyListCtrl* list = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (list && list->ReflectParentMessage(msg, wParam, lParam, &result)) return result;
    return uitest::TestFrame::WindowProc(msg, wParam, lParam);
  }
};

struct ListFixture {
  ListPage page;
  CFancyListCtrl list;
  CImageList images;
  CBitmap strip;
  ListFixture() {
    page.Create(uitest::kEmptyPopup);
    page.MoveWindow(0, 0, 600, 300);
    page.list = &list;
    list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED, uitest::Xywh(0, 0, 580, 280), &page, 319);
    list.PreSubclassWindow();
    images.Create(200, 32, ILC_COLOR32 | ILC_MASK, 4, 0);
    strip.LoadBitmap(128);
    images.Add(&strip, RGB(255, 255, 255));
    list.InsertIconColumn(&images);
    int text = list.InsertColumn(1, L"Registry Hive Optimization", LVCFMT_LEFT, 393);
    list.OnColumnInserted(1, text);
    list.m_iTextColumn = 1;
  }
  void AddRow(int row, const std::wstring& title, const std::wstring& description, DWORD meter) {
    list.InsertItem(row, L"", 0);
    list.SetRowTexts(row, title, description, L"Current size: 24.6 KB  After optimization: 24.1 KB", meter);
  }
};

}  // namespace

TEST(FancyListCtrl, MeterIconsRoundUpOnlyAboveHalf) {
  struct Case {
    DWORD value;
    int icons;
  };
  const Case kCases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {42, 25}, {43, 26}, {99, 59}, {100, 60}, {250, 60}};
  for (const auto& c : kCases) EXPECT_EQ(CFancyListCtrl::MeterIconCount(c.value), c.icons) << c.value;
}

TEST(FancyListCtrl, RowsStayInStepAndGrowToTheLongestDescription) {
  ListFixture f;
  EXPECT_EQ(f.list.m_iIconColumn, 0);
  EXPECT_GE(f.list.m_nRowHeight, 36) << "an image of 32 pixels and 4 more";
  EXPECT_FALSE(f.list.SetRowTexts(0, L"none", L"", L"", 0)) << "no such row";
  f.AddRow(0, L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000", L"2.1% fragmented", 2);
  int oneLine = f.list.m_nRowHeight;
  f.AddRow(1, L"\\REGISTRY\\MACHINE\\SAM", L"first\nsecond\nthird\nfourth\nfifth", 42);
  EXPECT_EQ(f.list.m_nRowHeight, f.list.m_nTitleLineHeight + 5 * f.list.m_nTextLineHeight + 25);
  EXPECT_GT(f.list.m_nRowHeight, oneLine);
  ASSERT_EQ(f.list.m_arrTitle.size(), 2u);
  EXPECT_EQ(f.list.m_arrMeter[1], 42u);

  f.list.DeleteItem(0);
  ASSERT_EQ(f.list.m_arrTitle.size(), 1u);
  EXPECT_EQ(f.list.m_arrTitle[0], L"\\REGISTRY\\MACHINE\\SAM");
  f.list.DeleteAllRows();
  EXPECT_TRUE(f.list.m_arrTitle.empty() && f.list.m_arrMeter.empty() && f.list.m_arrDescription.empty() &&
              f.list.m_arrDetail.empty() && f.list.m_arrIconIndex.empty());
  EXPECT_EQ(f.list.GetItemCount(), 0);
}

TEST(FancyListCtrl, WrapsAtBlanksBackslashesAndTabsAndKeepsLongWordsWhole) {
  ListFixture f;
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(400, 200, std::make_shared<gdi::DrawLog>()));
  dc.SelectObject(&f.list.m_fontText);
  int width = std::max(dc.GetTextExtent(L"alpha beta").cx, dc.GetTextExtent(L"gamma delta").cx);
  std::vector<std::wstring> lines;
  EXPECT_EQ(f.list.WrapText(dc, L"alpha beta gamma delta", width, &lines), 2);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"alpha beta", L"gamma delta"}));
  // The last break of a line too long for the column cuts it even when the rest is too long as well.
  EXPECT_EQ(f.list.WrapText(dc, L"alpha Supercalifragilistic", width, &lines), 2);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"alpha ", L"Supercalifragilistic"}));
  EXPECT_EQ(f.list.WrapText(dc, L"one\ntwo", 1000, &lines), 2);
  EXPECT_EQ(f.list.WrapText(dc, L"\\REGISTRY\\MACHINE\\SOFTWARE", dc.GetTextExtent(L"\\REGISTRY\\MACHINE").cx, &lines), 2);
  EXPECT_EQ(lines[0], L"\\REGISTRY\\MACHINE\\");
  EXPECT_EQ(f.list.WrapText(dc, L"Supercalifragilistic", 10, &lines), 1);
  EXPECT_EQ(lines[0], L"Supercalifragilistic");
  f.list.m_nMaxLines = 4;
  EXPECT_EQ(f.list.WrapText(dc, L"a\nb\nc\nd\ne\nf", 1000, &lines), 4);
  win::DeleteDC(dc.Detach());
}

TEST(FancyListCtrl, DrawsImageMeterTitleDetailAndWrappedDescription) {
  ListFixture f;
  f.AddRow(0, L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000", L"2.1% fragmented", 2);
  f.AddRow(1, L"\\REGISTRY\\MACHINE\\SAM", L"42.0% fragmented\nThis hive will shrink by almost half when it is rewritten", 42);
  f.AddRow(2, L"\\REGISTRY\\MACHINE\\SECURITY", L"100.0% fragmented", 100);

  auto log = std::make_shared<gdi::DrawLog>();
  int h = f.list.m_nRowHeight;
  HDC hdc = gdi::CreateRecordingDC(603, 3 * h, log);
  for (int row = 0; row < 3; ++row) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTVIEW;
    dis.CtlID = 319;
    dis.itemID = static_cast<UINT>(row);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = row == 1 ? ODS_SELECTED | ODS_FOCUS : 0;
    dis.hwndItem = f.list.m_hWnd;
    dis.hDC = hdc;
    dis.rcItem = RECT{0, row * h, 603, (row + 1) * h};
    f.list.DrawItem(&dis);
  }
  auto images = log->Calls("ImageList_Draw");
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].rect.left, 210 / 2 - 100 - 2);
  EXPECT_EQ(images[0].rect.top, h / 2 - 16);
  std::vector<std::wstring> texts;
  for (const auto& c : log->Calls("DrawText")) texts.push_back(c.text);
  ASSERT_GE(texts.size(), 10u);
  EXPECT_EQ(texts[0], L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000");
  EXPECT_EQ(texts[1], L"Current size: 24.6 KB  After optimization: 24.1 KB");
  EXPECT_EQ(texts[2], L"2.1% fragmented");
  EXPECT_EQ(texts[5], L"42.0% fragmented");
  auto title = log->Calls("DrawText")[0];
  EXPECT_EQ(title.rect.left, 212);
  EXPECT_EQ(title.color, RGB(18, 54, 90));

  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(gdi::GetDCSurface(hdc)->SavePng(out / "optimization-results-list.png"));
  win::DeleteDC(hdc);
}
