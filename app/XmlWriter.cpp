#include "app/XmlWriter.h"

#include "app/XmlEscape.h"
#include "platform/base/Text.h"

namespace {

// The characters of XML 1.0: tab, line feed, carriage return, and everything from the blank on except the
// surrogates (when they do not pair) and U+FFFE, U+FFFF.
bool IsXmlText(std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF) {
        if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
        ++i;
      } else if (c >= 0xDC00 && c <= 0xDFFF) {
        return false;
      }
    } else if ((c >= 0xD800 && c <= 0xDFFF) || static_cast<unsigned long>(c) > 0x10FFFF) {
      return false;
    }
  }
  return true;
}

bool IsName(std::wstring_view name) {
  if (name.empty()) return false;
  for (wchar_t c : name)
    if (c <= 0x20 || c == L'<' || c == L'>' || c == L'&' || c == L'"' || c == L'\'' || c == L'/' || c == L'=')
      return false;
  return true;
}

bool EndsWithNewLine(const std::string& doc) { return !doc.empty() && doc.back() == '\n'; }

}  // namespace

void XmlWriter::CloseStartTag() {
  if (!m_startTagOpen) return;
  m_doc += '>';
  m_startTagOpen = false;
}

void XmlWriter::NewLineAndIndent(size_t depth) {
  if (!EndsWithNewLine(m_doc)) m_doc += "\r\n";
  m_doc.append(depth * 2, ' ');
}

HRESULT XmlWriter::WriteStartDocument() {
  if (m_started) return WR_E_INVALIDACTION;
  m_started = true;
  m_doc += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  return S_OK;
}

HRESULT XmlWriter::WriteStartElement(std::wstring_view name) {
  if (m_ended || !IsName(name) || (m_open.empty() && m_rootWritten)) return WR_E_INVALIDACTION;
  m_started = true;
  m_rootWritten = true;
  CloseStartTag();
  if (!m_open.empty()) m_open.back().hasChildren = true;
  if (!m_doc.empty()) NewLineAndIndent(m_open.size());
  m_doc += '<';
  m_doc += mx::WideToUtf8(name);
  m_open.push_back({std::wstring(name), false});
  m_startTagOpen = true;
  return S_OK;
}

HRESULT XmlWriter::WriteAttributeString(std::wstring_view name, std::wstring_view value) {
  if (!m_startTagOpen || !IsName(name)) return WR_E_INVALIDACTION;
  if (!IsXmlText(value)) return WC_E_XMLCHARACTER;
  m_doc += ' ';
  m_doc += mx::WideToUtf8(name);
  m_doc += "=\"";
  m_doc += mx::WideToUtf8(EscapeXmlText(value, true));
  m_doc += '"';
  return S_OK;
}

HRESULT XmlWriter::WriteString(std::wstring_view text) {
  if (m_open.empty()) return WR_E_INVALIDACTION;
  if (!IsXmlText(text)) return WC_E_XMLCHARACTER;
  CloseStartTag();
  m_doc += mx::WideToUtf8(EscapeXmlText(text, false));
  return S_OK;
}

HRESULT XmlWriter::WriteWhitespace(std::wstring_view whitespace) {
  if (!m_started || m_ended) return WR_E_INVALIDACTION;
  for (wchar_t c : whitespace)
    if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n') return WR_E_INVALIDACTION;
  CloseStartTag();
  m_doc += mx::WideToUtf8(whitespace);
  return S_OK;
}

HRESULT XmlWriter::WriteFullEndElement() {
  if (m_open.empty()) return WR_E_INVALIDACTION;
  CloseStartTag();
  const Open element = m_open.back();
  m_open.pop_back();
  if (element.hasChildren) NewLineAndIndent(m_open.size());
  m_doc += "</";
  m_doc += mx::WideToUtf8(element.name);
  m_doc += '>';
  return S_OK;
}

HRESULT XmlWriter::WriteEndDocument() {
  if (!m_started || m_ended) return WR_E_INVALIDACTION;
  while (!m_open.empty()) WriteFullEndElement();
  m_ended = true;
  return S_OK;
}

HRESULT XmlWriter::Flush() {
  if (!m_output) return E_FAIL;
  return m_output(m_doc);
}
