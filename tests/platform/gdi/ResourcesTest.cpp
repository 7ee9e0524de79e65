#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/ResourceTable.h"

// Every skin bitmap the table lists loads at exactly its listed size.
TEST(Resources, EverySkinBitmapLoadsWithItsListedSize) {
  std::ifstream table(MX_SOURCE_DIR "/res/bitmaps/skins.txt");
  ASSERT_TRUE(table);
  std::string line;
  int count = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    UINT id;
    int w, h;
    f >> id >> w >> h;
    HBITMAP bmp = gdi::LoadBitmapResource(id);
    ASSERT_NE(bmp, nullptr) << "bitmap " << id;
    BITMAP bm;
    win::GetObject(bmp, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, w) << "bitmap " << id;
    EXPECT_EQ(bm.bmHeight, h) << "bitmap " << id;
    win::DeleteObject(bmp);
    ++count;
  }
  EXPECT_GE(count, 60);
  // sizes the windows' arithmetic depends on
  for (auto [id, w, h] : {std::tuple{199u, 9, 56}, {201u, 150, 56}, {174u, 6, 432}, {205u, 443, 253},
                          {221u, 280, 11}, {202u, 1, 582}, {123u, 84, 15}, {148u, 126, 44}}) {
    HBITMAP bmp = gdi::LoadBitmapResource(id);
    BITMAP bm{};
    win::GetObject(bmp, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, w) << id;
    EXPECT_EQ(bm.bmHeight, h) << id;
    win::DeleteObject(bmp);
  }
}

TEST(Resources, MissingResourcesGiveNothing) {
  EXPECT_EQ(gdi::LoadBitmapResource(9999), nullptr);
  EXPECT_FALSE(gdi::LoadStringResource(9999));
  EXPECT_FALSE(gdi::LoadResourceFile("menus", 9999, "menu"));
}

TEST(Resources, AppTitleString) {
  EXPECT_EQ(gdi::LoadStringResource(gdi::AFX_IDS_APP_TITLE).value_or(L""), L"Tarvolen Mendrix");
  HBITMAP icon = gdi::LoadIconBitmap(100);
  EXPECT_NE(icon, nullptr);
  win::DeleteObject(icon);
}
