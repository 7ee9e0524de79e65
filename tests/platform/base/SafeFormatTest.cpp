#include "platform/base/SafeFormat.h"

#include <gtest/gtest.h>

using mx::SafeFormat;

TEST(SafeFormat, FormatsTheUsualPlaceholders) {
  EXPECT_EQ(SafeFormat(L"%d problems in %s", {12, L"Fonts"}), L"12 problems in Fonts");
  EXPECT_EQ(SafeFormat(L"%u%% of %ls", {50u, L"scan"}), L"50% of scan");
  EXPECT_EQ(SafeFormat(L"log_%02i-%02i-%02i.log", {3, 7, 26}), L"log_03-07-26.log");
  EXPECT_EQ(SafeFormat(L"%.8d.rmx", {11}), L"00000011.rmx");
  EXPECT_EQ(SafeFormat(L"[%5s|%-4d|%x]", {L"ab", -3, 255}), L"[   ab|-3  |ff]");
}

TEST(SafeFormat, BadTranslationsNeverCrash) {
  // Too few arguments, unknown conversions and mismatched kinds come out as text.
  EXPECT_EQ(SafeFormat(L"%s and %s", {L"one"}), L"one and %s");
  EXPECT_EQ(SafeFormat(L"%n %p %", {1}), L"%n %p %");
  EXPECT_EQ(SafeFormat(L"%d items", {L"many"}), L"many items");
  EXPECT_EQ(SafeFormat(L"%s", {42}), L"42");
  EXPECT_EQ(SafeFormat(L"%999999999s", {L"x"}).size(), 4096u);
}
