#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "app/XmlDocument.h"

namespace {

constexpr int kChild = CXmlDocument::kAddAsChild;

std::wstring Lines(std::initializer_list<const wchar_t*> lines) {
  std::wstring text;
  for (const wchar_t* line : lines) (text += line) += L"\r\n";
  return text;
}

// Every element below the parent position, depth first, as name{text}(children); leaves the document
// at its top.
void DumpLevel(CXmlDocument& doc, std::wstring& out) {
  while (doc.FindElement(nullptr)) {
    out += doc.GetNodeName() + L"{" + doc.GetElementText() + L"}(";
    doc.EnterElement();
    DumpLevel(doc, out);
    doc.LeaveElement();
    out += L")";
  }
}

std::wstring Dump(CXmlDocument& doc) {
  doc.Rewind();
  std::wstring out;
  DumpLevel(doc, out);
  return out;
}

// The index an edited document holds must be the one a fresh parse of its text builds.
void ExpectIndexMatchesText(CXmlDocument& edited) {
  CXmlDocument parsed(edited.GetDocText());
  EXPECT_EQ(Dump(edited), Dump(parsed)) << edited.GetDocText();
}

}  // namespace

TEST(XmlEditor, BuildsADocumentWithLineBreaks) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement(L"r", L"", 0));
  EXPECT_EQ(doc.GetDocText(), L"<r/>\r\n");
  EXPECT_EQ(doc.GetNodeName(), L"r");

  ASSERT_TRUE(doc.AddElement(L"c", L"v", kChild));
  EXPECT_EQ(doc.GetDocText(), Lines({L"<r>", L"<c>v</c>", L"</r>"}));
  EXPECT_EQ(doc.GetNodeName(), L"r") << "r stays current";
  EXPECT_NE(doc.GetChildPosition(), 0);
  EXPECT_EQ(doc.GetElementTextAt(doc.GetChildPosition()), L"v");

  ASSERT_TRUE(doc.AddElement(L"d", nullptr, kChild));
  EXPECT_EQ(doc.GetDocText(), Lines({L"<r>", L"<c>v</c>", L"<d/>", L"</r>"}));

  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetNodeName(), L"d");
  ASSERT_TRUE(doc.AddElement(L"e", nullptr, kChild));
  EXPECT_EQ(doc.GetDocText(), Lines({L"<r>", L"<c>v</c>", L"<d>", L"<e/>", L"</d>", L"</r>"}));
  ExpectIndexMatchesText(doc);
  EXPECT_TRUE(doc.IsDocumentWellFormed());
}

TEST(XmlEditor, WithoutLineBreaksElementsFollowEachOther) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement(L"x", nullptr, CXmlDocument::kNoLineBreaks));
  ASSERT_TRUE(doc.AddElement(L"y", nullptr, CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), L"<x/><y/>");
  EXPECT_EQ(doc.GetNodeName(), L"y");
  ASSERT_TRUE(doc.AddElement(L"z", nullptr, kChild | CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), L"<x/><y><z/></y>");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditor, EscapesTheValueButNotQuotes) {
  CXmlDocument doc;
  ASSERT_TRUE(doc.AddElement(L"v", L"a<b & c>d \"q\" 'p'", CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), L"<v>a&lt;b &amp; c&gt;d \"q\" 'p'</v>");
  EXPECT_EQ(doc.GetElementText(), L"a<b & c>d \"q\" 'p'");
}

TEST(XmlEditor, RefusesEditsItCannotMakeAndChangesNothing) {
  CXmlDocument doc(L"<r/>");
  EXPECT_FALSE(doc.AddElement(L"c", nullptr, kChild)) << "no current element";
  doc.FindElement(L"r");
  const std::wstring longName(1021, L'n');  // its end tag would not fit the index
  EXPECT_FALSE(doc.AddElement(longName, L"v", kChild));
  EXPECT_FALSE(doc.SetAttribute(doc.GetCurrentPosition(), L"a", std::wstring(4200000, L'v')));
  EXPECT_EQ(doc.GetDocText(), L"<r/>");
  EXPECT_TRUE(doc.AddElement(longName, L"", kChild)) << "an empty element has no end tag";
}

TEST(XmlEditor, InsertsIntoParsedTextAtTheRightPlace) {
  struct Case {
    const wchar_t* text;
    const wchar_t* path;  // element made current, then a child is added
    int flags;
    const wchar_t* expected;
  };
  const Case kCases[] = {
      {L"<r></r>", L"r", kChild, L"<r>\r\n<n/>\r\n</r>"},
      {L"<r>\r\n  <a/>\r\n</r>", L"r", kChild, L"<r>\r\n  <a/>\r\n<n/>\r\n</r>"},
      {L"<r><a/> tail</r>", L"r", kChild, L"<r><a/> tail<n/>\r\n</r>"},
      {L"<r a='1' />", L"r", kChild | CXmlDocument::kNoLineBreaks, L"<r a='1' ><n/></r>"},
      {L"<?xml version='1.0'?>\r\n<r><x>1</x></r>\r\n<!--end-->", L"r", kChild, L"<?xml version='1.0'?>\r\n<r><x>1</x><n/>\r\n</r>\r\n<!--end-->"},
  };
  for (const Case& c : kCases) {
    CXmlDocument doc(c.text);
    ASSERT_TRUE(doc.FindElement(c.path)) << c.text;
    ASSERT_TRUE(doc.AddElement(L"n", nullptr, c.flags)) << c.text;
    EXPECT_EQ(doc.GetDocText(), c.expected) << c.text;
    ExpectIndexMatchesText(doc);
  }

  // After the current element, before the white space that leads to the next tag.
  CXmlDocument doc(L"<r>\r\n<a>1</a>\r\n<b>2</b>\r\n</r>");
  doc.FindElement(L"r");
  doc.EnterElement();
  doc.FindElement(L"a");
  ASSERT_TRUE(doc.AddElement(L"n", L"3", 0));
  EXPECT_EQ(doc.GetDocText(), L"<r>\r\n<a>1</a>\r\n<n>3</n>\r\n<b>2</b>\r\n</r>");
  ASSERT_TRUE(doc.FindElement(nullptr));
  EXPECT_EQ(doc.GetNodeName(), L"b") << "the new element sits between a and b";
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditor, SetsAttributes) {
  CXmlDocument doc;
  doc.AddElement(L"x", nullptr, CXmlDocument::kNoLineBreaks);
  ASSERT_TRUE(doc.SetAttribute(doc.GetCurrentPosition(), L"n", 7));
  EXPECT_EQ(doc.GetDocText(), L"<x n=\"7\"/>");
  ASSERT_TRUE(doc.SetAttribute(doc.GetCurrentPosition(), L"n", L"a&b"));
  EXPECT_EQ(doc.GetDocText(), L"<x n=\"a&amp;b\"/>");
  EXPECT_EQ(doc.GetAttribute(L"n"), L"a&b");
  EXPECT_FALSE(doc.SetAttribute(0, L"n", 1));
  EXPECT_FALSE(doc.SetAttribute(5, L"n", 1));

  // Replacing a value of another length moves everything after it.
  doc.SetDocText(L"<r><a k='long value' m=v>1</a><b>2</b></r>");
  doc.FindElement(L"r");
  doc.FindChildElement(L"a");
  doc.EnterElement();
  ASSERT_TRUE(doc.SetAttribute(doc.GetCurrentPosition(), L"k", L"'"));
  ASSERT_TRUE(doc.SetAttribute(doc.GetCurrentPosition(), L"m", L"w"));
  ASSERT_TRUE(doc.SetAttribute(doc.GetCurrentPosition(), L"z", L""));
  EXPECT_EQ(doc.GetDocText(), L"<r><a k=\"&apos;\" m=\"w\" z=\"\">1</a><b>2</b></r>");
  EXPECT_EQ(doc.GetElementText(), L"1");
  ExpectIndexMatchesText(doc);
}

TEST(XmlEditor, BuildsTheFeedbackReport) {
  CXmlDocument doc;
  auto group = [&](const wchar_t* name) {
    ASSERT_TRUE(doc.AddElement(name, nullptr, kChild));
    ASSERT_TRUE(doc.EnterElement());
  };
  auto value = [&](const wchar_t* name, const wchar_t* text) { ASSERT_TRUE(doc.AddElement(name, text, kChild)); };

  ASSERT_TRUE(doc.AddElement(L"sf_feedback", nullptr, 0));
  group(L"feedback");
  value(L"email", L"user@example.org");
  value(L"feedback_type", L"Probl\u00e8me <install>");
  value(L"content", L"It failed & I retried");
  doc.LeaveElement();
  group(L"DLLInfo");
  value(L"DLLFILENAME", L"qzx32.dll");
  value(L"MD5", L"");
  doc.LeaveElement();
  group(L"sys_info");
  value(L"os_major_version", L"10");
  value(L"os_minor_version", L"0");
  value(L"os_product_type", L"1");
  value(L"os_architecture_type", L"9");
  value(L"ServicePackMajor", L"0");
  value(L"ServicePackMinor", L"0");
  group(L"memory_info");
  value(L"total_phy", L"8589934592");
  value(L"avail_phy", L"4294967296");
  value(L"total_page_file", L"12884901888");
  value(L"avail_page_file", L"6442450944");
  doc.LeaveElement();
  value(L"system_driver", L"C:");
  for (const wchar_t* drive : {L"C:\\", L"D:\\"}) {
    group(L"drive_info");
    value(L"drive_name", drive);
    value(L"total_size_in_bytes", L"100");
    value(L"free_space_in_bytes", L"40");
    value(L"used_space_in_bytes", L"60");
    doc.LeaveElement();
  }
  doc.LeaveElement();
  group(L"prog_info");
  value(L"prog_ver", L"1,0,0,1");
  doc.LeaveElement();

  const std::wstring expected = Lines({
      L"<sf_feedback>",
      L"<feedback>",
      L"<email>user@example.org</email>",
      L"<feedback_type>Probl\u00e8me &lt;install&gt;</feedback_type>",
      L"<content>It failed &amp; I retried</content>",
      L"</feedback>",
      L"<DLLInfo>",
      L"<DLLFILENAME>qzx32.dll</DLLFILENAME>",
      L"<MD5/>",
      L"</DLLInfo>",
      L"<sys_info>",
      L"<os_major_version>10</os_major_version>",
      L"<os_minor_version>0</os_minor_version>",
      L"<os_product_type>1</os_product_type>",
      L"<os_architecture_type>9</os_architecture_type>",
      L"<ServicePackMajor>0</ServicePackMajor>",
      L"<ServicePackMinor>0</ServicePackMinor>",
      L"<memory_info>",
      L"<total_phy>8589934592</total_phy>",
      L"<avail_phy>4294967296</avail_phy>",
      L"<total_page_file>12884901888</total_page_file>",
      L"<avail_page_file>6442450944</avail_page_file>",
      L"</memory_info>",
      L"<system_driver>C:</system_driver>",
      L"<drive_info>",
      L"<drive_name>C:\\</drive_name>",
      L"<total_size_in_bytes>100</total_size_in_bytes>",
      L"<free_space_in_bytes>40</free_space_in_bytes>",
      L"<used_space_in_bytes>60</used_space_in_bytes>",
      L"</drive_info>",
      L"<drive_info>",
      L"<drive_name>D:\\</drive_name>",
      L"<total_size_in_bytes>100</total_size_in_bytes>",
      L"<free_space_in_bytes>40</free_space_in_bytes>",
      L"<used_space_in_bytes>60</used_space_in_bytes>",
      L"</drive_info>",
      L"</sys_info>",
      L"<prog_info>",
      L"<prog_ver>1,0,0,1</prog_ver>",
      L"</prog_info>",
      L"</sf_feedback>",
  });
  EXPECT_EQ(doc.GetDocText(), expected);
  EXPECT_TRUE(doc.IsDocumentWellFormed());
  ExpectIndexMatchesText(doc);
}
