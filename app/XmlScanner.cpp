#include "app/XmlScanner.h"

namespace {

constexpr size_t npos = std::wstring_view::npos;

bool IsQuote(wchar_t c) { return c == L'"' || c == L'\''; }

bool StartsTagName(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L':' || c == L'_' || c >= L'{';
}

bool EndsTagName(wchar_t c) { return IsXmlSpace(c) || c == L'/' || c == L'>'; }

}  // namespace

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

bool XmlScanner::Next(XmlNode& node) {
  if (pos_ >= text_.size()) return false;
  node = XmlNode{};
  node.begin = pos_;
  if (inDocumentType_) {
    ScanInsideDocumentType(node);
    return true;
  }
  if (text_[pos_] != L'<') {
    ScanText(node);
    return true;
  }
  if (pos_ + 1 >= text_.size()) {
    Unterminated(node, L"tag");
    return true;
  }
  wchar_t c = text_[pos_ + 1];
  if (c == L'/') {
    ScanEndTag(node);
  } else if (c == L'?') {
    ScanUntil(node, L"?>", pos_ + 2, XmlNodeType::ProcessingInstruction, L"processing_instruction");
  } else if (c == L'!') {
    if (pos_ + 2 >= text_.size()) {
      Unterminated(node, L"tag");
    } else if (text_[pos_ + 2] == L'-') {
      if (pos_ + 3 >= text_.size()) {
        Unterminated(node, L"comment");
      } else if (text_[pos_ + 3] == L'-') {
        ScanUntil(node, L"-->", pos_ + 4, XmlNodeType::Comment, L"comment");
      } else {
        ScanError(node, L"comment_tag_syntax");
      }
    } else if (text_[pos_ + 2] == L'[') {
      if (pos_ + 3 >= text_.size()) {
        Unterminated(node, L"cdata_section");
      } else if (text_[pos_ + 3] == L'C') {
        ScanUntil(node, L"]]>", pos_ + 4, XmlNodeType::CDataSection, L"cdata_section");
      } else {
        ScanError(node, L"cdata_section_syntax");
      }
    } else if (text_[pos_ + 2] == L'D') {
      ScanDocumentType(node);
    } else {
      ScanError(node, L"exclamation_tag_syntax");
    }
  } else if (StartsTagName(c)) {
    ScanStartTag(node);
  } else {
    ScanError(node, L"first_tag_syntax");
  }
  return true;
}

void XmlScanner::ScanText(XmlNode& node) {
  size_t lt = text_.find(L'<', pos_);
  size_t end = lt == npos ? text_.size() : lt;
  bool blank = true;
  for (size_t i = pos_; i < end && blank; ++i) blank = IsXmlSpace(text_[i]);
  node.type = blank ? XmlNodeType::WhiteSpace : XmlNodeType::Text;
  node.end = pos_ = end;
}

void XmlScanner::ScanStartTag(XmlNode& node) {
  size_t i = pos_ + 1;
  while (i < text_.size() && !EndsTagName(text_[i])) ++i;
  node.nameBegin = pos_ + 1;
  node.nameEnd = i;
  XmlAttributeTokenizer tokens(text_, i);
  XmlAttributeTokenizer::Token previous;
  previous.kind = XmlAttributeTokenizer::Kind::End;
  for (;;) {
    XmlAttributeTokenizer::Token t = tokens.Next();
    if (t.kind == XmlAttributeTokenizer::Kind::End || !t.terminated) {
      Unterminated(node, L"start_tag");
      return;
    }
    if (t.kind == XmlAttributeTokenizer::Kind::Punctuation && text_[t.begin] == L'>') {
      // "/>" only counts when the slash stands on its own, not at the end of an unquoted value
      node.emptyElement = previous.kind == XmlAttributeTokenizer::Kind::Punctuation &&
                          text_[previous.begin] == L'/' && previous.end == t.begin;
      node.type = XmlNodeType::StartTag;
      node.end = pos_ = t.end;
      return;
    }
    previous = t;
  }
}

void XmlScanner::ScanEndTag(XmlNode& node) {
  size_t i = pos_ + 2;
  while (i < text_.size() && !EndsTagName(text_[i])) ++i;
  node.nameBegin = pos_ + 2;
  node.nameEnd = i;
  size_t gt = text_.find(L'>', i);
  if (gt == npos) {
    Unterminated(node, L"end_tag");
    return;
  }
  node.type = XmlNodeType::EndTag;
  node.end = pos_ = gt + 1;
}

void XmlScanner::ScanUntil(XmlNode& node, std::wstring_view terminator, size_t from, XmlNodeType type,
                           const wchar_t* unterminated) {
  size_t found = text_.find(terminator, from);
  if (found == npos) {
    Unterminated(node, unterminated);
    return;
  }
  node.type = type;
  node.end = pos_ = found + terminator.size();
}

void XmlScanner::ScanError(XmlNode& node, const wchar_t* remark) {
  size_t gt = text_.find(L'>', pos_ + 1);
  node.type = XmlNodeType::Error;
  node.remark = remark;
  node.end = pos_ = gt == npos ? text_.size() : gt + 1;
}

void XmlScanner::Unterminated(XmlNode& node, const wchar_t* kind) {
  node.type = XmlNodeType::Unterminated;
  node.remark = kind;
  node.end = pos_ = text_.size();
  inDocumentType_ = inSubset_ = false;
}

size_t XmlScanner::SkipQuoted(size_t quote) const {
  size_t close = text_.find(text_[quote], quote + 1);
  return close == npos ? npos : close + 1;
}

void XmlScanner::ScanDocumentType(XmlNode& node) {
  documentTypeBegin_ = pos_;
  inDocumentType_ = true;
  inSubset_ = false;
  pos_ += 3;
  ScanInsideDocumentType(node);
}

// Runs through the document type declaration until its closing ">"; a broken declaration inside the
// internal subset comes back as an error node, and the next call carries on inside the declaration.
void XmlScanner::ScanInsideDocumentType(XmlNode& node) {
  node.begin = documentTypeBegin_;
  while (pos_ < text_.size()) {
    wchar_t c = text_[pos_];
    if (IsQuote(c)) {
      size_t after = SkipQuoted(pos_);
      if (after == npos) break;
      pos_ = after;
    } else if (!inSubset_ && c == L'[') {
      inSubset_ = true;
      ++pos_;
    } else if (!inSubset_ && c == L'>') {
      node.type = XmlNodeType::DocumentType;
      node.end = ++pos_;
      inDocumentType_ = false;
      return;
    } else if (inSubset_ && c == L']') {
      inSubset_ = false;
      ++pos_;
    } else if (inSubset_ && c == L'<' && pos_ + 1 < text_.size() && text_[pos_ + 1] == L'?') {
      size_t found = text_.find(L"?>", pos_ + 2);
      if (found == npos) break;
      pos_ = found + 2;
    } else if (inSubset_ && c == L'<' && pos_ + 1 < text_.size() && text_[pos_ + 1] == L'!') {
      if (pos_ + 2 >= text_.size()) break;
      wchar_t kind = text_[pos_ + 2];
      if (kind == L'-' && pos_ + 3 < text_.size() && text_[pos_ + 3] == L'-') {
        size_t found = text_.find(L"-->", pos_ + 4);
        if (found == npos) break;
        pos_ = found + 3;
      } else if (kind == L'A' || kind == L'E' || kind == L'N') {
        size_t i = pos_ + 3;
        while (i < text_.size() && text_[i] != L'>') {
          if (IsQuote(text_[i])) {
            i = SkipQuoted(i);
            if (i == npos) break;
          } else {
            ++i;
          }
        }
        if (i == npos || i >= text_.size()) break;
        pos_ = i + 1;
      } else {
        node.begin = pos_;
        size_t gt = text_.find(L'>', pos_ + 1);
        node.type = XmlNodeType::Error;
        node.remark = L"doctype_tag_syntax";
        if (gt == npos) {
          node.end = pos_ = text_.size();
          inDocumentType_ = inSubset_ = false;
        } else {
          node.end = pos_ = gt + 1;
        }
        return;
      }
    } else {
      ++pos_;
    }
  }
  node.begin = documentTypeBegin_;
  Unterminated(node, L"document_type");
}

XmlAttributeTokenizer::Token XmlAttributeTokenizer::Quoted(size_t quote, Kind kind) {
  Token t;
  t.kind = kind;
  t.begin = quote;
  t.quoted = true;
  size_t close = text_.find(text_[quote], quote + 1);
  if (close == npos) {
    t.terminated = false;
    t.end = pos_ = text_.size();
  } else {
    t.end = pos_ = close + 1;
  }
  return t;
}

XmlAttributeTokenizer::Token XmlAttributeTokenizer::Next() {
  while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
  Token t;
  t.begin = t.end = pos_;
  if (pos_ >= text_.size()) return t;
  wchar_t c = text_[pos_];
  if (valueExpected_) {
    valueExpected_ = false;
    if (IsQuote(c)) return Quoted(pos_, Kind::Value);
    t.kind = Kind::Value;
    while (pos_ < text_.size() && !IsXmlSpace(text_[pos_]) && text_[pos_] != L'>') ++pos_;
    t.end = pos_;
    return t;
  }
  if (IsQuote(c)) return Quoted(pos_, Kind::Name);
  if (c == L'=') {
    valueExpected_ = true;
    t.kind = Kind::Equals;
    t.end = ++pos_;
    return t;
  }
  if (c == L'/' || c == L'>' || c == L'?') {
    t.kind = Kind::Punctuation;
    t.end = ++pos_;
    return t;
  }
  t.kind = Kind::Name;
  while (pos_ < text_.size()) {
    wchar_t d = text_[pos_];
    if (IsXmlSpace(d) || d == L'/' || d == L'=' || d == L'>' || d == L'?') break;
    ++pos_;
  }
  t.end = pos_;
  return t;
}
