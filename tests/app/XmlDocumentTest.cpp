#include <gtest/gtest.h>

#include <string>

#include "app/XmlDocument.h"

namespace {

// The element text of the first element named `name` found below the top, depth first.
std::wstring TextOf(CXmlDocument& doc, const wchar_t* path) {
  doc.Rewind();
  return doc.FindElement(path) ? doc.GetElementText() : L"<not found>";
}

}  // namespace

TEST(XmlDocument, ReadsNestedElements) {
  CXmlDocument doc(L"<a><b>x</b></a>");
  EXPECT_TRUE(doc.IsDocumentWellFormed());
  EXPECT_EQ(doc.GetResultLog(), L"");
  ASSERT_TRUE(doc.FindElement(L"a"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(L"b"));
  EXPECT_EQ(doc.GetNodeName(), L"b");
  EXPECT_EQ(doc.GetElementText(), L"x");
  EXPECT_FALSE(doc.FindElement(L"b")) << "no second b";
  EXPECT_EQ(doc.GetNodeName(), L"b") << "a failed search moves nothing";
}

TEST(XmlDocument, ToleratesMalformedTextAndLogsIt) {
  struct Case {
    const wchar_t* text;
    BOOL wellFormed;
    const wchar_t* log;
  };
  const Case kCases[] = {
      {L"<a><b>x</a>", FALSE, L"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"8\"/>"},
      {L"<a></b></a>", FALSE, L"<lone_end_tag tagname=\"b\" offset=\"3\"/>"},
      {L"<a/><b/>", FALSE, L"<root_has_sibling/>"},
      {L"just text", FALSE, L"<no_root_element/>"},
      {L"", FALSE, L""},
      {L"<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"a>b\"><!--c-->]><r><![CDATA[<]]></r>", TRUE, L""},
      {L"<r>< x</r>", FALSE, L"<first_tag_syntax offset=\"3\"/><unended_start_tag tagname=\"r\" offset=\"0\" offset2=\"10\"/>"},
      {L"<r><!x></r>", FALSE, L"<exclamation_tag_syntax offset=\"3\"/>"},
      {L"<r><!-x></r>", FALSE, L"<comment_tag_syntax offset=\"3\"/>"},
      {L"<r><![x]></r>", FALSE, L"<cdata_section_syntax offset=\"3\"/>"},
      {L"<!DOCTYPE r [<!X>]><r/>", FALSE, L"<doctype_tag_syntax offset=\"13\"/>"},
      {L"<r/><!-- open", FALSE, L"<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>"},
      {L"<r/><![CDATA[", FALSE, L"<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>"},
      {L"<r/><?pi", FALSE, L"<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>"},
      {L"<r/><!DOCTYPE r [", FALSE, L"<unterminated_tag_syntax type=\"document_type\" offset=\"4\"/>"},
      {L"<r/><x a='>", FALSE, L"<unterminated_tag_syntax type=\"start_tag\" offset=\"4\"/>"},
      {L"<r></r", FALSE,
       L"<unterminated_tag_syntax type=\"end_tag\" offset=\"3\"/><unended_start_tag tagname=\"r\" offset=\"0\" offset2=\"6\"/>"},
      {L"<r/><", FALSE, L"<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>"},
      {L"<r a=\"x>y\" b='/>'><c/></r>", TRUE, L""},
  };
  for (const Case& c : kCases) {
    CXmlDocument doc;
    EXPECT_EQ(doc.SetDocText(c.text), c.wellFormed) << c.text;
    EXPECT_EQ(doc.GetResultLog(), c.log) << c.text;
  }
}

TEST(XmlDocument, UnendedElementKeepsItsPlaceAndHandsOnItsChildren) {
  CXmlDocument doc(L"<a><b>x</a>");
  ASSERT_TRUE(doc.FindElement(L"a"));
  ASSERT_TRUE(doc.FindChildElement(L"b"));
  doc.EnterElement();
  EXPECT_EQ(doc.GetNodeName(), L"b");
  EXPECT_EQ(doc.GetElementText(), L"") << "b has no end tag";

  // <u> is never closed: <c> and <d> become siblings that follow it.
  doc.SetDocText(L"<r><u><c>1</c><d>2</d></r>");
  doc.FindElement(L"r");
  doc.EnterElement();
  std::wstring names;
  while (doc.FindElement(nullptr)) names += doc.GetNodeName() + L" ";
  EXPECT_EQ(names, L"u c d ");
  EXPECT_EQ(TextOf(doc, L"r"), L"") << "r has child elements";
  doc.Rewind();
  doc.FindElement(L"r");
  doc.FindChildElement(L"d");
  doc.EnterElement();
  EXPECT_EQ(doc.GetElementText(), L"2");
}

TEST(XmlDocument, LoneEndTagLeavesTheElementWhole) {
  CXmlDocument doc(L"<a></b></a>");
  ASSERT_TRUE(doc.FindElement(L"a"));
  // The new child lands before </a>: the element runs to the final ">".
  ASSERT_TRUE(doc.AddElement(L"c", nullptr, CXmlDocument::kAddAsChild | CXmlDocument::kNoLineBreaks));
  EXPECT_EQ(doc.GetDocText(), L"<a></b><c/></a>");
}

TEST(XmlDocument, TopLevelSiblingsAreAllFound) {
  CXmlDocument doc(L"<a/><b/>");
  EXPECT_TRUE(doc.FindElement(L"a"));
  EXPECT_TRUE(doc.FindElement(L"b"));
  EXPECT_FALSE(doc.FindElement(nullptr));
}

TEST(XmlDocument, ElementTextDecodesReferencesAndSkipsMarkup) {
  CXmlDocument doc;
  doc.SetDocText(L"<a>&lt;1&gt; &amp; &#65;&#x42; &eacute; &Eacute; &bogus; &</a>");
  EXPECT_EQ(TextOf(doc, L"a"), L"<1> & AB \u00e9 \u00c9 &bogus; &");
  doc.SetDocText(L"<a><![CDATA[<x>]]> y <!--c--><?pi?></a>");
  EXPECT_EQ(TextOf(doc, L"a"), L"<x> y ");
  doc.SetDocText(L"<a><![CDATA[&amp;]]>&amp;</a>");
  EXPECT_EQ(TextOf(doc, L"a"), L"&amp;&") << "CDATA is taken as written";
  doc.SetDocText(L"<a/>");
  EXPECT_EQ(TextOf(doc, L"a"), L"");
  EXPECT_EQ(doc.GetElementTextAt(0), L"");
  EXPECT_EQ(doc.GetElementTextAt(99), L"");
  EXPECT_EQ(doc.GetElementTextAt(-1), L"");
}

TEST(XmlDocument, ReadsAttributes) {
  CXmlDocument doc(L"<a id='1' name=\"n\" flag x = \"&lt;&quot;\" bare=v/w last=\"\"/>");
  ASSERT_TRUE(doc.FindElement(L"a"));
  EXPECT_EQ(doc.GetAttribute(L"name"), L"n");
  EXPECT_EQ(doc.GetAttribute(L"id"), L"1");
  EXPECT_EQ(doc.GetAttribute(L"flag"), L"") << "no value, not found";
  EXPECT_EQ(doc.GetAttribute(L"x"), L"<\"");
  EXPECT_EQ(doc.GetAttribute(L"bare"), L"v/w");
  EXPECT_EQ(doc.GetAttribute(L"ID"), L"") << "names are case-sensitive";
  EXPECT_EQ(doc.GetAttribute(L"missing"), L"");
  EXPECT_EQ(doc.GetAttribute(nullptr), L"");
  doc.SetDocText(L"<a x=1/>");
  doc.FindElement(L"a");
  EXPECT_EQ(doc.GetAttribute(L"x"), L"1/") << "the slash ends an unquoted value, not the tag";
  EXPECT_FALSE(doc.IsDocumentWellFormed()) << "so <a x=1/> is an unended start tag";
}

TEST(XmlDocument, SearchesByThePathsFirstName) {
  CXmlDocument doc(L"<r><a/><b id='2'><c/></b><b/></r>");
  struct Case {
    const wchar_t* path;
    bool found;
    const wchar_t* attribute;  // the id of the element found
  };
  const Case kCases[] = {
      {L"b/c", true, L"2"},        {L"b[@id='2']", true, L"2"}, {L"b[1]", true, L"2"},
      {L"b[@id=2]/c/@x", true, L"2"}, {L"b[c]", true, L"2"},   {L"", true, L""},
      {L"/b", false, L""},          {L"//b", false, L""},       {L"b[@id='2'", false, L""},
      {L"b/", false, L""},          {L"B", false, L""},         {L"c", false, L""},
  };
  for (const Case& c : kCases) {
    doc.Rewind();
    doc.FindElement(L"r");
    doc.EnterElement();
    ASSERT_EQ(doc.FindElement(c.path), c.found ? TRUE : FALSE) << c.path;
    if (c.found) {
      EXPECT_EQ(doc.GetAttribute(L"id"), c.attribute) << c.path;
    }
  }
}

TEST(XmlDocument, NavigatesParentCurrentAndChild) {
  CXmlDocument doc(L"<r><g n='1'><i>a</i><i>b</i></g><g n='2'/></r>");
  EXPECT_FALSE(doc.EnterElement()) << "no current element";
  EXPECT_FALSE(doc.LeaveElement()) << "no parent";
  ASSERT_TRUE(doc.FindChildElement(L"g")) << "at the top it first finds the root";
  EXPECT_EQ(doc.GetNodeName(), L"r");
  ASSERT_TRUE(doc.EnterElement());  // into r: current is the first g
  EXPECT_EQ(doc.GetAttribute(L"n"), L"1");
  ASSERT_TRUE(doc.FindChildElement(L"i"));
  ASSERT_TRUE(doc.FindChildElement(L"i"));
  EXPECT_FALSE(doc.FindChildElement(L"i"));
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetElementText(), L"b");
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute(L"n"), L"1") << "back on the group";
  ASSERT_TRUE(doc.FindElement(L"g"));
  EXPECT_EQ(doc.GetAttribute(L"n"), L"2");
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetNodeName(), L"r");
  EXPECT_FALSE(doc.LeaveElement());
}

TEST(XmlDocument, NamesFollowTheirOwnRules) {
  CXmlDocument doc(L"<ns:a.b-c x='1'><d;e>t</d;e></ns:a.b-c>");
  ASSERT_TRUE(doc.FindElement(L"ns:a.b-c"));
  EXPECT_EQ(doc.GetNodeName(), L"ns:a.b-c");
  ASSERT_TRUE(doc.FindChildElement(L"d;e")) << "the parser's name runs to white space, / or >";
  doc.EnterElement();
  EXPECT_EQ(doc.GetNodeName(), L"d") << "the node name also stops at ;";
  EXPECT_EQ(doc.GetElementText(), L"t");
}

TEST(XmlDocument, ResultLogStopsAtItsLimit) {
  std::wstring text = L"<r>";
  for (int i = 0; i < 100; ++i) text += L"</x>";
  text += L"</r>";
  CXmlDocument doc(text);
  const std::wstring& log = doc.GetResultLog();
  EXPECT_GE(log.size(), CXmlDocument::kResultLogLimit);
  EXPECT_LT(log.size(), CXmlDocument::kResultLogLimit + 50) << "no remark after the limit";
  EXPECT_EQ(log.rfind(L"<lone_end_tag", 0), 0u);
}

TEST(XmlDocument, RecordLimitsStopIndexingWithARemark) {
  struct Case {
    std::wstring text;
    const wchar_t* remark;
  };
  std::wstring deep;
  for (int i = 0; i < 65537; ++i) deep += L"<a>";
  const Case kCases[] = {
      {L"<r><x a='" + std::wstring(4200000, L'v') + L"'/><y/></r>",
       L"<index_limit_exceeded type=\"start_tag\" offset=\"3\"/>"},
      {L"<r><x></x" + std::wstring(1100, L' ') + L"><y/></r>", L"<index_limit_exceeded type=\"end_tag\" offset=\"6\"/>"},
      {deep, L"<index_limit_exceeded type=\"nesting\" offset=\"196608\"/>"},
  };
  for (const Case& c : kCases) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocText(c.text));
    EXPECT_EQ(doc.GetResultLog().rfind(c.remark, 0), 0u) << doc.GetResultLog().substr(0, 200);
    EXPECT_FALSE(doc.FindElement(L"y")) << "nothing after the limit is indexed";
  }
}

TEST(XmlDocument, SetDocTextReplacesEverything) {
  CXmlDocument doc(L"<a><b/></a>");
  doc.FindElement(L"a");
  doc.FindChildElement(L"b");
  EXPECT_FALSE(doc.SetDocText(nullptr));
  EXPECT_EQ(doc.GetDocText(), L"");
  EXPECT_EQ(doc.GetCurrentPosition(), 0);
  EXPECT_EQ(doc.GetChildPosition(), 0);
  EXPECT_FALSE(doc.FindElement(nullptr));
  EXPECT_TRUE(doc.SetDocText(L"<z/>"));
  EXPECT_TRUE(doc.FindElement(L"z"));
}
