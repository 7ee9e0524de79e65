// Building the element index of a CXmlDocument from its text in one pass.
#include <string>
#include <unordered_map>
#include <vector>

#include "app/XmlDocument.h"
#include "app/XmlScanner.h"

class CXmlDocument::Parser {
 public:
  explicit Parser(CXmlDocument& doc) : doc_(doc), text_(doc.text_), index_(doc.index_) {}

  void Run() {
    index_.Reset(static_cast<std::uint32_t>(text_.size() / 64 + 8));
    XmlScanner scanner(text_);
    XmlNode node;
    size_t stoppedAt = text_.size();
    while (scanner.Next(node)) {
      if (!Handle(node)) {
        stoppedAt = node.begin;
        break;
      }
    }
    Unend(0, stoppedAt);
    Finish();
  }

 private:
  struct OpenElement {
    std::uint32_t position;
    std::wstring_view name;
  };

  // False when the index cannot hold what follows: indexing stops there.
  bool Handle(const XmlNode& node) {
    switch (node.type) {
      case XmlNodeType::StartTag: return StartTag(node);
      case XmlNodeType::EndTag: return EndTag(node);
      case XmlNodeType::Error:
        MarkError();
        doc_.LogRemark(node.remark, {{L"offset", std::to_wstring(node.begin)}});
        return true;
      case XmlNodeType::Unterminated:
        MarkError();
        doc_.LogRemark(L"unterminated_tag_syntax",
                       {{L"type", node.remark}, {L"offset", std::to_wstring(node.begin)}});
        return true;
      default:
        return true;
    }
  }

  bool StartTag(const XmlNode& node) {
    size_t tagLength = node.end - node.begin;
    if (open_.size() > XmlElementRecord::kMaxLevel) return LimitReached(L"nesting", node.begin);
    if (tagLength > XmlElementRecord::kMaxStartTagLength) return LimitReached(L"start_tag", node.begin);
    std::uint32_t parent = open_.empty() ? 0 : open_.back().position;
    std::uint32_t position = index_.Add();
    XmlElementRecord& r = index_[position];
    r.start = static_cast<std::uint32_t>(node.begin);
    r.length = static_cast<std::uint32_t>(tagLength);
    r.SetTagLengths(r.length, 0);
    r.SetLevel(static_cast<std::uint32_t>(open_.size()));
    r.parent = parent;
    AppendChild(parent, position);
    if (!node.emptyElement) {
      std::wstring_view name = Slice(node.nameBegin, node.nameEnd);
      byName_[name].push_back(open_.size());
      open_.push_back({position, name});
    }
    return true;
  }

  bool EndTag(const XmlNode& node) {
    std::wstring_view name = Slice(node.nameBegin, node.nameEnd);
    auto it = byName_.find(name);
    if (it == byName_.end() || it->second.empty()) {
      MarkError();
      doc_.LogRemark(L"lone_end_tag", {{L"tagname", std::wstring(name)}, {L"offset", std::to_wstring(node.begin)}});
      return true;
    }
    size_t tagLength = node.end - node.begin;
    if (tagLength > XmlElementRecord::kMaxEndTagLength) return LimitReached(L"end_tag", node.begin);
    size_t depth = it->second.back();
    Unend(depth + 1, node.begin + 1);
    XmlElementRecord& r = index_[open_[depth].position];
    r.length = static_cast<std::uint32_t>(node.end - r.start);
    r.SetTagLengths(r.StartTagLength(), static_cast<std::uint32_t>(tagLength));
    Pop();
    return true;
  }

  // Open elements from `depth` up get no end tag: each keeps only its start tag, and the elements that
  // had been read as its children follow it as siblings instead.
  void Unend(size_t depth, size_t offset2) {
    if (depth >= open_.size()) return;
    index_[0].Set(XmlElementRecord::kNotWellFormed);
    for (size_t i = open_.size(); i-- > depth;) {
      doc_.LogRemark(L"unended_start_tag", {{L"tagname", std::wstring(open_[i].name)},
                                            {L"offset", std::to_wstring(index_[open_[i].position].start)},
                                            {L"offset2", std::to_wstring(offset2)}});
    }
    // Outermost first, so every element moves at most once: what moves lands under an element that
    // is closed or is the document.
    for (size_t i = depth; i < open_.size(); ++i) HoistChildren(open_[i].position);
    while (open_.size() > depth) Pop();
    levelsChanged_ = true;
  }

  void HoistChildren(std::uint32_t element) {
    XmlElementRecord& u = index_[element];
    u.Set(XmlElementRecord::kUnended);
    u.length = u.StartTagLength();
    u.SetTagLengths(u.StartTagLength(), 0);
    std::uint32_t first = u.firstChild;
    if (first == 0) return;
    std::uint32_t parent = u.parent;
    std::uint32_t last = index_[first].previousSibling;
    for (std::uint32_t c = first; c != 0; c = index_[c].nextSibling) {
      index_[c].parent = parent;
      index_[c].Clear(XmlElementRecord::kFirstChild);
    }
    std::uint32_t after = u.nextSibling;
    u.firstChild = 0;
    u.nextSibling = first;
    index_[first].previousSibling = element;
    index_[last].nextSibling = after;
    if (after != 0) {
      index_[after].previousSibling = last;
    } else {
      index_[index_[parent].firstChild].previousSibling = last;
    }
  }

  void AppendChild(std::uint32_t parent, std::uint32_t child) {
    std::uint32_t first = index_[parent].firstChild;
    doc_.LinkAfter(child, parent, first == 0 ? 0 : index_[first].previousSibling);
  }

  void Pop() {
    byName_[open_.back().name].pop_back();
    open_.pop_back();
  }

  void MarkError() {
    index_[0].Set(XmlElementRecord::kNotWellFormed);
    if (!open_.empty()) index_[open_.back().position].Set(XmlElementRecord::kErrorInside);
  }

  bool LimitReached(const wchar_t* what, size_t offset) {
    MarkError();
    doc_.LogRemark(L"index_limit_exceeded", {{L"type", what}, {L"offset", std::to_wstring(offset)}});
    return false;
  }

  void Finish() {
    XmlElementRecord& document = index_[0];
    document.length = static_cast<std::uint32_t>(text_.size());
    if (document.firstChild == 0) {
      doc_.LogRemark(L"no_root_element", {});
    } else if (index_[document.firstChild].nextSibling != 0) {
      doc_.LogRemark(L"root_has_sibling", {});
    }
    if (!levelsChanged_) return;
    // A parent always has a lower position than its children, so one pass in order suffices.
    for (std::uint32_t p = 1; p < index_.FreePosition(); ++p) {
      std::uint32_t parent = index_[p].parent;
      index_[p].SetLevel(parent == 0 ? 0 : index_[parent].Level() + 1);
    }
  }

  std::wstring_view Slice(size_t begin, size_t end) const { return std::wstring_view(text_).substr(begin, end - begin); }

  CXmlDocument& doc_;
  const std::wstring& text_;
  XmlElementIndex& index_;
  std::vector<OpenElement> open_;
  std::unordered_map<std::wstring_view, std::vector<size_t>> byName_;
  bool levelsChanged_ = false;
};

void CXmlDocument::Parse() {
  if (text_.size() > kMaxDocumentLength) {
    index_.Reset(8);
    index_[0].Set(XmlElementRecord::kNotWellFormed);
    LogRemark(L"index_limit_exceeded", {{L"type", L"document"}, {L"offset", L"0"}});
    return;
  }
  Parser(*this).Run();
}

void CXmlDocument::LogRemark(const wchar_t* remark,
                             std::initializer_list<std::pair<const wchar_t*, std::wstring>> attributes) {
  if (log_.size() >= kResultLogLimit) return;
  CXmlDocument entry;
  entry.AddElement(remark, nullptr, kNoLineBreaks);
  for (const auto& [name, value] : attributes) entry.SetAttribute(1, name, value);
  log_ += entry.GetDocText();
}
