#include "platform/base/Archive.h"

#include <gtest/gtest.h>

using namespace mx;

namespace {
std::string Hex(const std::string& b, size_t n) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < n && i < b.size(); ++i) {
    snprintf(buf, sizeof buf, "%02X ", static_cast<unsigned char>(b[i]));
    out += buf;
  }
  return out;
}
}  // namespace

TEST(Archive, StringLengthFormsMatchTheClassLibrary) {
  struct Case { size_t units; const char* head; size_t headerBytes; };
  const Case cases[] = {
      {0, "FF FE FF 00 ", 4},
      {26, "FF FE FF 1A ", 4},
      {300, "FF FE FF FF 2C 01 ", 6},
      {0xFFFE, "FF FE FF FF FF FF FE FF 00 00 ", 10},
  };
  for (const auto& c : cases) {
    ArchiveWriter w;
    std::wstring s(c.units, L'x');
    w.WriteString(s);
    EXPECT_EQ(Hex(w.bytes(), c.headerBytes), c.head) << c.units;
    EXPECT_EQ(w.bytes().size(), c.headerBytes + 2 * c.units);
    ArchiveReader r(w.bytes());
    std::wstring back;
    ASSERT_TRUE(r.ReadString(back));
    EXPECT_EQ(back, s);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(Archive, IntegersAndArraysAreLittleEndian) {
  ArchiveWriter w;
  w.WriteU32(1);
  w.WriteStringArray({L"A"});
  EXPECT_EQ(Hex(w.bytes(), 12), "01 00 00 00 01 00 FF FE FF 01 41 00 ");
  ArchiveReader r(w.bytes());
  std::uint32_t n = 0;
  std::vector<std::wstring> items;
  ASSERT_TRUE(r.ReadU32(n));
  ASSERT_TRUE(r.ReadStringArray(items));
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(items, std::vector<std::wstring>{L"A"});
}

TEST(Archive, DamagedDataFailsWithoutOverreading) {
  ArchiveWriter w;
  w.WriteString(L"hello");
  std::string truncated = w.bytes().substr(0, w.bytes().size() - 1);
  ArchiveReader r(truncated);
  std::wstring s = L"kept";
  EXPECT_FALSE(r.ReadString(s));
  EXPECT_EQ(s, L"kept");
  std::uint32_t v;
  EXPECT_FALSE(r.ReadU32(v));  // failures are sticky

  // A hostile count or length must not allocate what the data cannot hold.
  std::string hostile("\xFF\xFF\xFF\xFF\xFF\x7F", 6);
  std::vector<std::wstring> items;
  EXPECT_FALSE(ArchiveReader(hostile).ReadStringArray(items));
  std::string hostileString("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10);
  EXPECT_FALSE(ArchiveReader(hostileString).ReadString(s));
}
