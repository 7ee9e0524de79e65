#include "app/XmlDocument.h"

#include "app/XmlPath.h"
#include "app/XmlScanner.h"

namespace {

std::wstring_view OrEmpty(const wchar_t* text) { return text ? std::wstring_view(text) : std::wstring_view(); }

bool EndsNodeName(wchar_t c) {
  switch (c) {
    case L' ': case L'\t': case L'\r': case L'\n': case L'!': case L'"': case L'\'': case L'/':
    case L';': case L'<': case L'>': case L'=': case L'?': case L'\\':
      return true;
    default:
      return false;
  }
}

}  // namespace

CXmlDocument::CXmlDocument() { index_.Reset(8); }

CXmlDocument::CXmlDocument(const wchar_t* text) : CXmlDocument(OrEmpty(text)) {}

CXmlDocument::CXmlDocument(std::wstring_view text) { SetDocText(text); }

BOOL CXmlDocument::SetDocText(const wchar_t* text) { return SetDocText(OrEmpty(text)); }

BOOL CXmlDocument::SetDocText(std::wstring_view text) {
  text_.assign(text);
  log_.clear();
  if (text_.empty()) {
    index_.Reset(8);
  } else {
    Parse();
  }
  Rewind();
  return IsDocumentWellFormed();
}

BOOL CXmlDocument::IsDocumentWellFormed() const {
  const XmlElementRecord& document = index_[0];
  if (document.Has(XmlElementRecord::kNotWellFormed) || document.firstChild == 0) return FALSE;
  return index_[document.firstChild].nextSibling == 0 ? TRUE : FALSE;
}

void CXmlDocument::Rewind() {
  parentPos_ = currentPos_ = childPos_ = 0;
}

std::wstring_view CXmlDocument::TagName(std::uint32_t position) const {
  if (position == 0) return {};
  const XmlElementRecord& r = index_[position];
  size_t begin = r.start + 1;
  size_t end = begin;
  size_t tagEnd = static_cast<size_t>(r.start) + r.StartTagLength();
  while (end < tagEnd && !IsXmlSpace(text_[end]) && text_[end] != L'/' && text_[end] != L'>') ++end;
  return std::wstring_view(text_).substr(begin, end - begin);
}

bool CXmlDocument::NameMatches(std::uint32_t position, std::wstring_view wanted) const {
  return wanted.empty() || TagName(position) == wanted;
}

std::uint32_t CXmlDocument::NextMatch(std::uint32_t from, std::wstring_view wanted) const {
  for (std::uint32_t p = from; p != 0; p = index_[p].nextSibling) {
    if (NameMatches(p, wanted)) return p;
  }
  return 0;
}

BOOL CXmlDocument::FindElement(const wchar_t* name) { return FindElement(OrEmpty(name)); }

BOOL CXmlDocument::FindElement(std::wstring_view name) {
  std::optional<std::wstring_view> wanted = XmlPathElementName(name);
  if (!wanted) return FALSE;
  std::uint32_t from = currentPos_ ? index_[currentPos_].nextSibling : index_[parentPos_].firstChild;
  std::uint32_t found = NextMatch(from, *wanted);
  if (found == 0) return FALSE;
  currentPos_ = found;
  parentPos_ = index_[found].parent;
  childPos_ = 0;
  return TRUE;
}

BOOL CXmlDocument::FindChildElement(const wchar_t* name) { return FindChildElement(OrEmpty(name)); }

BOOL CXmlDocument::FindChildElement(std::wstring_view name) {
  if (currentPos_ == 0 && !FindElement(nullptr)) return FALSE;
  std::optional<std::wstring_view> wanted = XmlPathElementName(name);
  if (!wanted) return FALSE;
  std::uint32_t from = childPos_ ? index_[childPos_].nextSibling : index_[currentPos_].firstChild;
  std::uint32_t found = NextMatch(from, *wanted);
  if (found == 0) return FALSE;
  childPos_ = found;
  return TRUE;
}

BOOL CXmlDocument::EnterElement() {
  if (currentPos_ == 0) return FALSE;
  parentPos_ = currentPos_;
  currentPos_ = childPos_;
  childPos_ = 0;
  return TRUE;
}

BOOL CXmlDocument::LeaveElement() {
  if (parentPos_ == 0) return FALSE;
  childPos_ = currentPos_;
  currentPos_ = parentPos_;
  parentPos_ = index_[parentPos_].parent;
  return TRUE;
}

std::wstring CXmlDocument::GetNodeName() const {
  if (currentPos_ == 0) return {};
  const XmlElementRecord& r = index_[currentPos_];
  size_t begin = r.start + 1;
  size_t end = begin;
  size_t tagEnd = static_cast<size_t>(r.start) + r.StartTagLength();
  while (end < tagEnd && !EndsNodeName(text_[end])) ++end;
  return text_.substr(begin, end - begin);
}

std::wstring CXmlDocument::GetElementText() const { return GetElementTextAt(static_cast<int>(currentPos_)); }

std::wstring CXmlDocument::GetElementTextAt(int position) const {
  if (position <= 0 || !index_.IsValid(static_cast<std::uint32_t>(position))) return {};
  const XmlElementRecord& r = index_[static_cast<std::uint32_t>(position)];
  if (r.EndTagLength() == 0 || r.firstChild != 0) return {};
  size_t begin = static_cast<size_t>(r.start) + r.StartTagLength();
  size_t end = static_cast<size_t>(r.start) + r.length - r.EndTagLength();
  return TextOfContent(begin, end);
}

std::wstring CXmlDocument::TextOfContent(size_t begin, size_t end) const {
  std::wstring_view content = std::wstring_view(text_).substr(begin, end - begin);
  if (content.find(L'<') == std::wstring_view::npos) return UnescapeXmlText(content);
  std::wstring out;
  XmlScanner scanner(content);
  XmlNode node;
  while (scanner.Next(node)) {
    std::wstring_view piece = content.substr(node.begin, node.end - node.begin);
    if (node.type == XmlNodeType::Text || node.type == XmlNodeType::WhiteSpace) {
      out += UnescapeXmlText(piece);
    } else if (node.type == XmlNodeType::CDataSection) {
      constexpr std::wstring_view kOpen = L"<![CDATA[";
      size_t skip = piece.substr(0, kOpen.size()) == kOpen ? kOpen.size() : 4;
      if (piece.size() >= skip + 3) out += piece.substr(skip, piece.size() - skip - 3);
    }
  }
  return out;
}

CXmlDocument::AttributeSpot CXmlDocument::FindAttribute(std::uint32_t position, std::wstring_view name) const {
  AttributeSpot spot;
  const XmlElementRecord& r = index_[position];
  std::wstring_view tag = std::wstring_view(text_).substr(0, static_cast<size_t>(r.start) + r.StartTagLength());
  XmlAttributeTokenizer tokens(tag, r.start + 1 + TagName(position).size());
  using Kind = XmlAttributeTokenizer::Kind;
  bool nameMatches = false;
  for (;;) {
    XmlAttributeTokenizer::Token t = tokens.Next();
    if (t.kind == Kind::End || t.kind == Kind::Punctuation) {
      spot.stop = t.begin;
      return spot;
    }
    if (t.kind == Kind::Name) {
      nameMatches = !t.quoted && tag.substr(t.begin, t.end - t.begin) == name;
    } else if (t.kind == Kind::Equals) {
      XmlAttributeTokenizer::Token value = tokens.Next();
      if (value.kind != Kind::Value) {
        spot.stop = value.begin;
        return spot;
      }
      if (nameMatches) {
        spot.found = true;
        spot.valueBegin = value.begin;
        spot.valueEnd = value.end;
        spot.quoted = value.quoted && value.terminated;
        return spot;
      }
      nameMatches = false;
    }
  }
}

std::wstring CXmlDocument::GetAttribute(const wchar_t* name) const { return GetAttribute(OrEmpty(name)); }

std::wstring CXmlDocument::GetAttribute(std::wstring_view name) const {
  if (currentPos_ == 0 || name.empty()) return {};
  AttributeSpot spot = FindAttribute(currentPos_, name);
  if (!spot.found) return {};
  size_t begin = spot.valueBegin;
  size_t end = spot.valueEnd;
  if (spot.quoted) {
    ++begin;
    --end;
  }
  return UnescapeXmlText(std::wstring_view(text_).substr(begin, end - begin));
}
