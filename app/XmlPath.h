#pragma once
// The relative element paths that element searches accept ("item", "group[@grouporder='1']/other",
// "a/b/@id"). Only the first step's name takes part in matching.
#include <optional>
#include <string_view>

// The tag name an element must have to match `path`: empty when any element matches (an empty path),
// nothing when the path is malformed or absolute, which matches no element.
std::optional<std::wstring_view> XmlPathElementName(std::wstring_view path);
