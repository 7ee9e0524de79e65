#pragma once
// Text from the registry, from files or from the network is data: before it goes into a page it is escaped
// so that a crafted key name can never become markup or script.
#include <string>

namespace web {

// &, <, >, " and ' as character references; everything else as it is.
std::wstring HtmlText(const std::wstring& data);
// HtmlText of each line, the lines joined with "<br>" (the one piece of markup the program adds itself).
std::wstring HtmlLines(const std::wstring& data);

}  // namespace web
