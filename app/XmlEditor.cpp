// Adding elements and attributes to a CXmlDocument in place: the text changes at one spot and the
// element index is corrected, never rebuilt, so the document can be navigated at once.
#include <string>

#include "app/XmlDocument.h"
#include "app/XmlScanner.h"

namespace {

constexpr std::wstring_view kLineBreak = L"\r\n";

}  // namespace

bool CXmlDocument::IsEmptyElement(std::uint32_t position) const {
  const XmlElementRecord& r = index_[position];
  if (r.EndTagLength() != 0 || r.Has(XmlElementRecord::kUnended) || r.StartTagLength() < 2) return false;
  return text_[static_cast<size_t>(r.start) + r.StartTagLength() - 2] == L'/';
}

bool CXmlDocument::SpliceText(size_t offset, size_t removed, std::wstring_view inserted, std::uint32_t container) {
  if (text_.size() - removed + inserted.size() > kMaxDocumentLength) return false;
  // Unsigned wrap-around adds a negative change correctly.
  std::uint32_t delta = static_cast<std::uint32_t>(inserted.size()) - static_cast<std::uint32_t>(removed);
  text_.replace(offset, removed, inserted);
  for (std::uint32_t p = 1; p < index_.FreePosition(); ++p) {
    if (index_[p].start >= offset) index_[p].start += delta;
  }
  for (std::uint32_t c = container; c != 0; c = index_[c].parent) index_[c].length += delta;
  index_[0].length = static_cast<std::uint32_t>(text_.size());
  return true;
}

void CXmlDocument::LinkAfter(std::uint32_t element, std::uint32_t container, std::uint32_t reference) {
  XmlElementRecord& e = index_[element];
  if (reference == 0) {
    index_[container].firstChild = element;
    e.previousSibling = element;
    e.Set(XmlElementRecord::kFirstChild);
    return;
  }
  std::uint32_t next = index_[reference].nextSibling;
  e.previousSibling = reference;
  e.nextSibling = next;
  index_[reference].nextSibling = element;
  if (next != 0) {
    index_[next].previousSibling = element;
  } else {
    index_[index_[container].firstChild].previousSibling = element;
  }
}

BOOL CXmlDocument::AddElement(const wchar_t* name, const wchar_t* value, int flags) {
  return AddElement(name ? std::wstring_view(name) : std::wstring_view(),
                    value ? std::wstring_view(value) : std::wstring_view(), flags);
}

BOOL CXmlDocument::AddElement(std::wstring_view name, std::wstring_view value, int flags) {
  const bool asChild = (flags & kAddAsChild) != 0;
  const bool lineBreaks = (flags & kNoLineBreaks) == 0;
  if (asChild && currentPos_ == 0) return FALSE;
  const std::uint32_t container = asChild ? currentPos_ : parentPos_;
  const std::uint32_t reference = asChild ? childPos_ : currentPos_;

  std::wstring element = L"<";
  element += name;
  std::uint32_t startTagLength, endTagLength;
  if (value.empty()) {
    element += L"/>";
    startTagLength = static_cast<std::uint32_t>(element.size());
    endTagLength = 0;
  } else {
    element += L'>';
    startTagLength = static_cast<std::uint32_t>(element.size());
    element += EscapeXmlText(value, false);
    element += L"</";
    element += name;
    element += L'>';
    endTagLength = static_cast<std::uint32_t>(name.size() + 3);
  }
  const std::uint32_t level = container == 0 ? 0 : index_[container].Level() + 1;
  if (name.size() + 3 > XmlElementRecord::kMaxStartTagLength || endTagLength > XmlElementRecord::kMaxEndTagLength ||
      level > XmlElementRecord::kMaxLevel) {
    return FALSE;
  }

  size_t offset = 0;
  size_t removed = 0;
  size_t elementOffset = 0;  // where the element starts within the inserted text
  std::wstring inserted;
  std::uint32_t linkAfter = reference;
  if (container != 0 && IsEmptyElement(container)) {
    // <c/> becomes <c> element </c>: the slash gives way to the rest of the start tag, the new element
    // and the end tag, and the old ">" closes that end tag.
    const XmlElementRecord& c = index_[container];
    std::wstring_view containerName = TagName(container);
    if (containerName.size() + 3 > XmlElementRecord::kMaxEndTagLength) return FALSE;
    offset = static_cast<size_t>(c.start) + c.StartTagLength() - 2;
    removed = 1;
    inserted = L">";
    if (lineBreaks) inserted += kLineBreak;
    elementOffset = inserted.size();
    inserted += element;
    if (lineBreaks) inserted += kLineBreak;
    inserted += L"</";
    inserted += containerName;
    linkAfter = 0;
  } else {
    bool emptyContent = false;
    bool unended = false;
    if (container != 0) {
      const XmlElementRecord& c = index_[container];
      unended = c.Has(XmlElementRecord::kUnended);
      emptyContent = c.firstChild == 0 &&
                     (unended || (c.EndTagLength() != 0 && c.length == c.StartTagLength() + c.EndTagLength()));
    }
    if (emptyContent) {
      offset = static_cast<size_t>(index_[container].start) + index_[container].StartTagLength();
      linkAfter = 0;
    } else {
      if (reference != 0) {
        offset = static_cast<size_t>(index_[reference].start) + index_[reference].length;
      } else if (container != 0) {
        const XmlElementRecord& c = index_[container];
        offset = static_cast<size_t>(c.start) + c.length - c.EndTagLength();
        linkAfter = c.firstChild == 0 ? 0 : index_[c.firstChild].previousSibling;
      } else {
        offset = text_.size();
        linkAfter = index_[0].firstChild == 0 ? 0 : index_[index_[0].firstChild].previousSibling;
      }
      // The new element goes right before the next tag, keeping the line breaks in front of it.
      if (lineBreaks && !unended) {
        size_t next = offset;
        while (next < text_.size() && IsXmlSpace(text_[next])) ++next;
        if (next == text_.size() || text_[next] == L'<') offset = next;
      }
    }
    if (emptyContent && lineBreaks) inserted += kLineBreak;
    elementOffset = inserted.size();
    inserted += element;
    if (lineBreaks) inserted += kLineBreak;
  }

  if (!SpliceText(offset, removed, inserted, container)) return FALSE;
  if (removed != 0) {
    XmlElementRecord& c = index_[container];
    c.SetTagLengths(c.StartTagLength() - 1, static_cast<std::uint32_t>(TagName(container).size() + 3));
  }
  std::uint32_t position = index_.Add();
  XmlElementRecord& r = index_[position];
  r.start = static_cast<std::uint32_t>(offset + elementOffset);
  r.length = static_cast<std::uint32_t>(element.size());
  r.SetTagLengths(startTagLength, endTagLength);
  r.SetLevel(level);
  r.parent = container;
  LinkAfter(position, container, linkAfter);

  if (asChild) {
    childPos_ = position;
  } else {
    currentPos_ = position;
    childPos_ = 0;
  }
  return TRUE;
}

BOOL CXmlDocument::SetAttribute(int position, std::wstring_view name, int value) {
  return SetAttribute(position, name, std::to_wstring(value));
}

BOOL CXmlDocument::SetAttribute(int position, std::wstring_view name, std::wstring_view value) {
  if (position <= 0 || !index_.IsValid(static_cast<std::uint32_t>(position)) || name.empty()) return FALSE;
  const std::uint32_t p = static_cast<std::uint32_t>(position);
  std::wstring quoted = L"\"" + EscapeXmlText(value, true) + L"\"";
  AttributeSpot spot = FindAttribute(p, name);
  size_t offset, removed;
  std::wstring inserted;
  if (spot.found) {
    offset = spot.valueBegin;
    removed = spot.valueEnd - spot.valueBegin;
    inserted = std::move(quoted);
  } else {
    offset = spot.stop;
    removed = 0;
    inserted = L" ";
    inserted += name;
    inserted += L'=';
    inserted += quoted;
  }
  const XmlElementRecord& r = index_[p];
  size_t startTagLength = r.StartTagLength() - removed + inserted.size();
  if (startTagLength > XmlElementRecord::kMaxStartTagLength) return FALSE;
  std::uint32_t endTagLength = r.EndTagLength();
  if (!SpliceText(offset, removed, inserted, p)) return FALSE;
  index_[p].SetTagLengths(static_cast<std::uint32_t>(startTagLength), endTagLength);
  return TRUE;
}
