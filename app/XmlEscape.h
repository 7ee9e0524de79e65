#pragma once
// Character references of XML text: escaping what the document writes and decoding what it reads.
#include <string>
#include <string_view>

// "<", "&" and ">" become references; in attribute mode also both quote marks. Nothing else changes.
std::wstring EscapeXmlText(std::wstring_view text, bool attributeMode);

// Replaces every reference that names a character ("&lt;", "&#65;", "&#x42;", "&eacute;") by that
// character. Anything that is not such a reference, including "&" on its own, an unknown name and a
// number that is 0, above U+10FFFF or a surrogate, is kept as written.
std::wstring UnescapeXmlText(std::wstring_view text);

// The character of a named reference (case-sensitive), or 0 when the name is not known.
wchar_t LookupXmlEntity(std::wstring_view name);

