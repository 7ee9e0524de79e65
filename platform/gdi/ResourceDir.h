#pragma once
// Where the program's resources (bitmaps, templates, menus, the font configuration) live at run time.
#include <filesystem>

namespace gdi {

// MX_RES_DIR when set; else the "res" folder beside the running program (the build puts it there).
std::filesystem::path ResourceDir();
// Overrides the folder for tests; an empty path goes back to the default.
void SetResourceDir(const std::filesystem::path& dir);

}  // namespace gdi
