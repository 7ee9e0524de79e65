#pragma once
// Splits XML text into nodes, one after the other, tolerating anything: a node that is not well formed
// comes back as an error node and the scan goes on after it.
#include <cstddef>
#include <string_view>

enum class XmlNodeType {
  Text,
  WhiteSpace,
  StartTag,
  EndTag,
  ProcessingInstruction,
  Comment,
  CDataSection,
  DocumentType,
  Error,         // remark names the syntax error ("first_tag_syntax", ...)
  Unterminated,  // still open at the end of the text; remark names the kind ("start_tag", ...)
};

struct XmlNode {
  XmlNodeType type = XmlNodeType::Text;
  size_t begin = 0;  // first character ("<" for everything but text)
  size_t end = 0;    // one past the last character
  size_t nameBegin = 0;  // tag name of a start or end tag
  size_t nameEnd = 0;
  bool emptyElement = false;  // start tag written with "/>"
  const wchar_t* remark = nullptr;
};

class XmlScanner {
 public:
  explicit XmlScanner(std::wstring_view text, size_t from = 0) : text_(text), pos_(from) {}

  // The next node; false at the end of the text.
  bool Next(XmlNode& node);

 private:
  void ScanText(XmlNode& node);
  void ScanStartTag(XmlNode& node);
  void ScanEndTag(XmlNode& node);
  void ScanUntil(XmlNode& node, std::wstring_view terminator, size_t from, XmlNodeType type,
                 const wchar_t* unterminated);
  void ScanDocumentType(XmlNode& node);
  void ScanInsideDocumentType(XmlNode& node);
  void ScanError(XmlNode& node, const wchar_t* remark);
  void Unterminated(XmlNode& node, const wchar_t* kind);
  size_t SkipQuoted(size_t quote) const;

  std::wstring_view text_;
  size_t pos_;
  bool inDocumentType_ = false;  // inside the internal subset or after it, before the closing ">"
  bool inSubset_ = false;
  size_t documentTypeBegin_ = 0;
};

// Walks the attribute part of a start tag, from just after the tag name. Shared by the scanner (to find
// the tag's end) and by attribute lookup and editing, so all three agree on where values and the tag end.
class XmlAttributeTokenizer {
 public:
  enum class Kind { Name, Equals, Value, Punctuation, End };
  struct Token {
    Kind kind = Kind::End;
    size_t begin = 0;
    size_t end = 0;  // a quoted token includes its quotes
    bool quoted = false;
    bool terminated = true;  // false for a quoted token that reaches the end of the text
  };

  XmlAttributeTokenizer(std::wstring_view text, size_t from) : text_(text), pos_(from) {}
  Token Next();

 private:
  Token Quoted(size_t quote, Kind kind);
  std::wstring_view text_;
  size_t pos_;
  bool valueExpected_ = false;
};

bool IsXmlSpace(wchar_t c);
