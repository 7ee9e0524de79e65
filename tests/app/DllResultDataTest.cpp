#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/DllResultData.h"
#include "app/XmlDocument.h"

namespace {

bool operator==(const DLL_RESULT_DATA_EX& a, const DLL_RESULT_DATA_EX& b) {
  return a.filename == b.filename && a.filedescription == b.filedescription && a.url == b.url &&
         a.langname == b.langname && a.bits == b.bits && a.osname == b.osname && a.fileversion == b.fileversion &&
         a.hash == b.hash && a.order == b.order;
}

// Reads the items of every section of the first group the way the detail search walks its reply: one
// record carried through all items.
std::vector<DLL_RESULT_DATA_EX> ReadItems(const std::wstring& reply) {
  std::vector<DLL_RESULT_DATA_EX> items;
  CXmlDocument doc(reply);
  DLL_RESULT_DATA_EX record;
  if (!doc.FindElement(nullptr) || !doc.EnterElement() || !doc.FindElement(L"group")) return items;
  for (const wchar_t* section : {L"other", L"b32", L"b64"}) {
    doc.LeaveElement();  // back to the root and into the group again: its children from the first
    doc.EnterElement();
    if (!doc.FindChildElement(section)) continue;
    doc.EnterElement();
    while (doc.FindChildElement(L"item")) {
      doc.EnterElement();
      EXPECT_TRUE(ReadDllResultItem(doc, record));
      items.push_back(record);
      doc.LeaveElement();
    }
    doc.LeaveElement();
  }
  return items;
}

}  // namespace

TEST(DllResultData, FieldsStartEmptyAndUnranked) {
  DLL_RESULT_DATA_EX ex;
  EXPECT_EQ(ex.order, DLL_RESULT_DATA_EX::kUnranked);
  EXPECT_EQ(ex.order, INT_MAX);
  EXPECT_TRUE(ex.filename.empty() && ex.hash.empty() && ex.url.empty());
  DLL_RESULT_DATA row;
  EXPECT_TRUE(row.FILENAME.empty() && row.FILEDESC.empty() && row.FILEURL.empty());
}

TEST(DllResultData, ItemFieldsInAnyOrderGiveTheSameRecord) {
  const std::wstring reply =
      L"<?xml version=\"1.0\"?>\r\n<reply><group grouporder=\"1\">"
      L"<groupdescription>Set</groupdescription>"
      L"<b32><item>"
      L"<filename>qzx.dll</filename><filedescription>Qzx &amp; co</filedescription><url>http://h/1</url>"
      L"<langname>English</langname><bits>32</bits><osname>XP</osname><fileversion>1.2</fileversion>"
      L"<hash>AB12</hash><order>3</order>"
      L"</item></b32>"
      L"<b64><item>"
      L"<order> 3</order><hash>AB12</hash><fileversion>1.2</fileversion><osname>XP</osname><bits>32</bits>"
      L"<langname>English</langname><url>http://h/1</url><filedescription>Qzx &amp; co</filedescription>"
      L"<filename>qzx.dll</filename>"
      L"</item></b64>"
      L"</group></reply>";
  std::vector<DLL_RESULT_DATA_EX> items = ReadItems(reply);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(items[0] == items[1]);
  EXPECT_EQ(items[0].filedescription, L"Qzx & co");
  EXPECT_EQ(items[0].order, 3);
  EXPECT_EQ(items[0].hash, L"AB12");
}

TEST(DllResultData, MissingFieldsKeepTheValueOfTheItemBefore) {
  const std::wstring reply =
      L"<r><group grouporder='1'><other>"
      L"<item><filename>a.dll</filename><url>http://h/a</url></item>"
      L"<item><filename>b.dll</filename><order>1</order></item>"
      L"<item><filename>c.dll</filename><order>x</order><filename>ignored.dll</filename></item>"
      L"</other></group></r>";
  std::vector<DLL_RESULT_DATA_EX> items = ReadItems(reply);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].order, DLL_RESULT_DATA_EX::kUnranked) << "a first item without order is never ranked first";
  EXPECT_EQ(items[1].url, L"http://h/a");
  EXPECT_EQ(items[1].order, 1);
  EXPECT_EQ(items[2].filename, L"c.dll") << "the first element of a name counts";
  EXPECT_EQ(items[2].order, 0) << "an order that is no number";
}

TEST(DllResultData, ReadingNeedsACurrentElement) {
  CXmlDocument doc(L"<item><filename>a</filename></item>");
  DLL_RESULT_DATA_EX record;
  EXPECT_FALSE(ReadDllResultItem(doc, record));
  ASSERT_TRUE(doc.FindElement(L"item"));
  EXPECT_TRUE(ReadDllResultItem(doc, record));
  EXPECT_EQ(record.filename, L"a");
  EXPECT_EQ(doc.GetNodeName(), L"item") << "positions are left as they were";
}

TEST(DllResultData, ParsesTheOrderLikeADecimalNumber) {
  struct Case {
    const wchar_t* text;
    int order;
  };
  const Case kCases[] = {
      {L"12", 12}, {L" 7x", 7}, {L"+5", 5},  {L"-3", -3}, {L"abc", 0}, {L"", 0},
      {L"99999999999999999999", INT_MAX}, {L"-99999999999", INT_MIN},
  };
  for (const Case& c : kCases) EXPECT_EQ(ParseDllOrder(c.text), c.order) << c.text;
}
