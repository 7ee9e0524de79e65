#pragma once
// The MD5 digest, which the DLL service publishes for every file it offers: a download is checked against it
// before it is placed in the prefix.
#include <string>
#include <string_view>

namespace mx {

// 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace mx
