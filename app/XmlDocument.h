#pragma once
// The program's own in-memory XML document: the whole text as UTF-16, an index of its elements built
// by a tolerant parser, navigation by three positions, reading, and adding elements and attributes in
// place. It never touches files: callers hand it the text and take the text back.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "app/XmlElementIndex.h"
#include "app/XmlEscape.h"
#include "platform/base/WinTypes.h"

class CXmlDocument {
 public:
  // AddElement flags.
  static constexpr int kNoLineBreaks = 2;
  static constexpr int kAddAsChild = 0x4000;

  // Longest text the index can address; a longer one is kept but not indexed.
  static constexpr size_t kMaxDocumentLength = 0x7FFFFFFF;
  // Remarks stop being logged once the result log has reached this length.
  static constexpr size_t kResultLogLimit = 1000;

  CXmlDocument();
  explicit CXmlDocument(const wchar_t* text);
  explicit CXmlDocument(std::wstring_view text);

  // Replaces the whole document (NULL or "" leaves it empty) and parses it; TRUE when well formed.
  BOOL SetDocText(const wchar_t* text);
  BOOL SetDocText(std::wstring_view text);
  const std::wstring& GetDocText() const { return text_; }
  const std::wstring& GetResultLog() const { return log_; }
  BOOL IsDocumentWellFormed() const;

  void Rewind();
  BOOL FindElement(const wchar_t* name = nullptr);
  BOOL FindElement(std::wstring_view name);
  BOOL FindChildElement(const wchar_t* name = nullptr);
  BOOL FindChildElement(std::wstring_view name);
  BOOL EnterElement();
  BOOL LeaveElement();

  std::wstring GetNodeName() const;
  std::wstring GetElementText() const;
  std::wstring GetElementTextAt(int position) const;
  std::wstring GetAttribute(const wchar_t* name) const;
  std::wstring GetAttribute(std::wstring_view name) const;

  // Adds an element after the current one, or with kAddAsChild as a child of the current element after
  // the child position; the value is escaped. FALSE when the index could not hold the new element.
  BOOL AddElement(const wchar_t* name, const wchar_t* value, int flags);
  BOOL AddElement(std::wstring_view name, std::wstring_view value, int flags);
  // Sets an attribute in the start tag of the element at the position, replacing an existing value.
  BOOL SetAttribute(int position, std::wstring_view name, std::wstring_view value);
  BOOL SetAttribute(int position, std::wstring_view name, int value);

  // Positions (0 = none) of the element whose children are walked, the element that reading and editing
  // act on, and the child of it that FindChildElement found last.
  int GetParentPosition() const { return static_cast<int>(parentPos_); }
  int GetCurrentPosition() const { return static_cast<int>(currentPos_); }
  int GetChildPosition() const { return static_cast<int>(childPos_); }

 private:
  class Parser;
  // Reads one reply item by looking each field up from the item's first child, leaving the positions.
  friend BOOL ReadDllResultItem(CXmlDocument& doc, struct DLL_RESULT_DATA_EX& record);

  struct AttributeSpot {
    bool found = false;
    size_t valueBegin = 0;  // the value as written, with its quotes
    size_t valueEnd = 0;
    bool quoted = false;
    size_t stop = 0;  // where the search ended: the "/", ">" or "?" that closes the attributes
  };

  void Parse();
  void LogRemark(const wchar_t* remark, std::initializer_list<std::pair<const wchar_t*, std::wstring>> attributes);
  std::wstring_view TagName(std::uint32_t position) const;
  bool NameMatches(std::uint32_t position, std::wstring_view wanted) const;
  std::uint32_t NextMatch(std::uint32_t from, std::wstring_view wanted) const;
  AttributeSpot FindAttribute(std::uint32_t position, std::wstring_view name) const;
  bool IsEmptyElement(std::uint32_t position) const;
  bool SpliceText(size_t offset, size_t removed, std::wstring_view inserted, std::uint32_t container);
  void LinkAfter(std::uint32_t element, std::uint32_t container, std::uint32_t reference);
  std::wstring TextOfContent(size_t begin, size_t end) const;

  std::wstring text_;
  std::wstring log_;
  std::uint32_t parentPos_ = 0;
  std::uint32_t currentPos_ = 0;
  std::uint32_t childPos_ = 0;
  XmlElementIndex index_;
};
