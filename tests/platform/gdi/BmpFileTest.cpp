#include <gtest/gtest.h>

#include "platform/gdi/BmpFile.h"

TEST(BmpFile, RoundTripOfA24BitImage) {
  std::vector<uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF, 0x000000};
  std::string bytes = gdi::EncodeBmp(3, 2, px);
  EXPECT_EQ(bytes.size(), 54u + 2 * 12);  // rows padded to 4 bytes
  auto img = gdi::ParseBmp(bytes);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 3);
  EXPECT_EQ(img->height, 2);
  EXPECT_EQ(img->pixels, px);
}

TEST(BmpFile, PaletteImagesAndTopDownRows) {
  // a 2x2 8-bit top-down image with a two-colour palette
  std::string b = "BM";
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i))); };
  auto put16 = [&](uint16_t v) { b.push_back(char(v)); b.push_back(char(v >> 8)); };
  put32(0); put32(0); put32(14 + 40 + 8);
  put32(40); put32(2); put32(uint32_t(-2)); put16(1); put16(8); put32(0); put32(0); put32(0); put32(0); put32(2); put32(0);
  put32(0x00FF00FF);  // index 0: magenta (stored B, G, R, 0)
  put32(0x00000000);
  b += std::string("\x00\x01\x00\x00\x01\x00\x00\x00", 8);
  auto img = gdi::ParseBmp(b);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixels, (std::vector<uint32_t>{0xFF00FF, 0x000000, 0x000000, 0xFF00FF}));
}

TEST(BmpFile, DamagedFilesAreRefused) {
  std::string good = gdi::EncodeBmp(4, 4, std::vector<uint32_t>(16, 0x808080));
  struct Case {
    std::string bytes;
    const char* why;
  };
  auto patched = [&](size_t at, std::string with) {
    std::string s = good;
    s.replace(at, with.size(), with);
    return s;
  };
  const Case kCases[] = {
      {"", "empty"},
      {"BM", "header only"},
      {good.substr(0, good.size() - 1), "pixel data cut short"},
      {patched(0, "XX"), "no signature"},
      {patched(18, std::string("\xFF\xFF\xFF\x7F", 4)), "absurd width"},
      {patched(22, std::string("\0\0\0\0", 4)), "zero height"},
      {patched(28, std::string("\x07\x00", 2)), "7 bits per pixel"},
      {patched(30, std::string("\x01\0\0\0", 4)), "run-length compressed"},
      {patched(10, std::string("\xF0\xFF\xFF\xFF", 4)), "pixel offset past the end"},
  };
  for (const auto& c : kCases) {
    std::string why;
    EXPECT_FALSE(gdi::ParseBmp(c.bytes, &why)) << c.why;
    EXPECT_FALSE(why.empty()) << c.why;
  }
}
