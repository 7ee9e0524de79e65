#pragma once
// A forward-only XML writer with the calls of the system's XML writer: the declaration, elements with full
// end tags, attributes, escaped text and whitespace, and an indentation of two blanks per level on lines
// ended by CR LF. The document is built in memory as UTF-8; Flush hands it to the output in one piece, so a
// file written with it is written whole or not at all. Every call answers an HRESULT: a call out of order,
// or a text holding a character XML cannot carry, fails and changes nothing.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

inline constexpr HRESULT WC_E_XMLCHARACTER = static_cast<HRESULT>(0xC00CEE2BL);
inline constexpr HRESULT WR_E_INVALIDACTION = static_cast<HRESULT>(0xC00CEF04L);

class XmlWriter {
 public:
  // Where Flush puts the document; its answer is Flush's.
  using Output = std::function<HRESULT(std::string_view bytes)>;
  explicit XmlWriter(Output output) : m_output(std::move(output)) {}

  // '<?xml version="1.0" encoding="UTF-8"?>', standalone left out; only as the first call.
  HRESULT WriteStartDocument();
  HRESULT WriteStartElement(std::wstring_view name);
  // Only straight after the element's start.
  HRESULT WriteAttributeString(std::wstring_view name, std::wstring_view value);
  HRESULT WriteString(std::wstring_view text);
  HRESULT WriteWhitespace(std::wstring_view whitespace);
  HRESULT WriteFullEndElement();
  // Closes what is still open.
  HRESULT WriteEndDocument();
  HRESULT Flush();

  const std::string& Document() const { return m_doc; }

 private:
  void CloseStartTag();
  void NewLineAndIndent(size_t depth);

  struct Open {
    std::wstring name;
    bool hasChildren = false;
  };
  Output m_output;
  std::string m_doc;
  std::vector<Open> m_open;
  bool m_started = false;
  bool m_rootWritten = false;
  bool m_startTagOpen = false;
  bool m_ended = false;
};
