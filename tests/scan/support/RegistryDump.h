#pragma once
// Every key and value of HKEY_LOCAL_MACHINE and HKEY_USERS in both views as "view:path | name" -> "type:data"
// lines (the program's own product key left out), so tests can compare whole registries before and after a change.
#include <map>
#include <string>

namespace mxtest {

std::map<std::wstring, std::wstring> DumpRegistry();

}  // namespace mxtest
