#pragma once
// Builds a scan-able copy of a Wine prefix from a recorded one: its three registry files and the manifest of its
// drive_c (every folder, file and link, with sizes), plus the few files whose real content was kept. Wine cannot
// run the copy; the program and the tests can scan it. Done in one process: the copy is made on a first start.
#include <filesystem>
#include <string>

namespace mx {

struct PrefixCopyOptions {
  bool withZDrive = true;         // dosdevices/z: -> / as Wine makes it
  bool keepSymlinks = false;      // links under drive_c as recorded ($HOME expanded); else empty folders
  bool placeholderSizes = false;  // sparse files of the recorded size; else empty files
};

// source holds system.reg, user.reg, userdef.reg, drive_c-manifest.txt and drive_c-files/. dest must not exist.
// On failure returns false with a message naming the file or manifest line, and removes what it made.
bool MakePrefixFromManifest(const std::filesystem::path& dest, const std::filesystem::path& source,
                            const PrefixCopyOptions& options, std::string* error);

}  // namespace mx
