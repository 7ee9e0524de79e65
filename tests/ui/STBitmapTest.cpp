#include <gtest/gtest.h>

#include "ui/STBitmap.h"

TEST(STBitmap, KnowsItsSizeAndAMissingOneIsEmpty) {
  CSTBitmap splash(205);
  EXPECT_NE(splash.GetSafeHandle(), nullptr);
  EXPECT_EQ(splash.Width(), 443);
  EXPECT_EQ(splash.Height(), 253);
  CSTBitmap missing(4242);
  EXPECT_EQ(missing.GetSafeHandle(), nullptr);
  EXPECT_EQ(missing.Width(), 0);
  EXPECT_EQ(missing.Height(), 0);
}
