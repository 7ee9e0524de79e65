#pragma once
// The program's resources, keyed by the ids the windows use: bitmaps and icons (drawn by res/tools/MakeSkins
// into <ResourceDir>/bitmaps and /icons), strings (<ResourceDir>/strings.txt), menus and dialog templates
// (readable text files in <ResourceDir>/menus and /dialogs) and other raw resources by type folder.
#include <optional>
#include <string>

#include "platform/gdi/GdiTypes.h"

namespace gdi {

// A new bitmap from the bitmap resource (nullptr when it is missing or damaged); the bitmap remembers its id.
HBITMAP LoadBitmapResource(UINT id);
// The bitmap of an icon resource (magenta is its transparent colour), nullptr when missing.
HBITMAP LoadIconBitmap(UINT id);
// The string resource; nullopt when there is none.
std::optional<std::wstring> LoadStringResource(UINT id);
// The bytes of a resource file <ResourceDir>/<folder>/<id>.<extension>; nullopt when missing.
std::optional<std::string> LoadResourceFile(const std::string& folder, UINT id, const std::string& extension);

inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

}  // namespace gdi
