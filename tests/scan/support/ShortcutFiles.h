#pragma once
// #include "scan/support/ShortcutFiles.h"
// Shortcut files for the categories that read them:
//
//   mxtest::WriteShortcut(prefix, L"C:\\users\\root\\Desktop\\Qzx Notes.lnk", "C:\\Qzx\\qzxnotes.exe");
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/shell/LinkBuilder.h"
#include "support/TestPrefix.h"

namespace mxtest {

// A .lnk whose stored target (LinkInfo's local base path) is target; returns its host path.
inline std::filesystem::path WriteShortcut(TestPrefix& prefix, std::wstring_view linkPath, const std::string& target) {
  return prefix.createFile(linkPath, LinkBuilder().localPath(target, "").build());
}

}  // namespace mxtest
