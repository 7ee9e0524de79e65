#pragma once
// Dialog templates. Our resources keep them as readable text (res/dialogs/<id>.dlg); loading compiles that
// text into the extended binary template (DLGTEMPLATEEX with DLGITEMTEMPLATEEX items, dialog units), which
// is what layout code reads byte by byte, as it would read a resource of a Windows module.
//
// Text form, one statement per line, '#' starts a comment:
//   DIALOG x y cx cy
//   STYLE WS_CHILD | DS_SETFONT          (names or numbers joined with '|')
//   EXSTYLE 0
//   CAPTION "text"
//   FONT points "face" [weight [italic [charset]]]
//   CONTROL id class "text" x y cx cy style [exstyle]
// class is Button, Edit, Static, ListBox, ScrollBar, ComboBox (stored as ordinals) or any class name.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

namespace win {
class CWnd;
}

namespace gdi {

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring className;  // "Button", "Edit", ... for the ordinal classes
  std::wstring text;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu;
  std::wstring className;
  std::wstring caption;
  WORD pointSize = 0;
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::wstring face;
  std::vector<DialogItem> items;
};

// Text to template; nullopt with the line and the reason in *error.
std::optional<DialogTemplate> ParseDialogText(const std::string& text, std::string* error = nullptr);
std::vector<BYTE> EncodeDialogTemplate(const DialogTemplate& dialog);
// Reads an extended template back; nullopt when it is not one or is cut short.
std::optional<DialogTemplate> DecodeDialogTemplate(const std::vector<BYTE>& bytes);
// The compiled template of a dialog resource; nullopt when missing or malformed.
std::optional<std::vector<BYTE>> LoadDialogTemplate(UINT id);

// Creates the template's controls as children of dialog, in template order (the first one topmost, so
// GetWindow(GW_CHILD) and GW_HWNDNEXT walk them in template order), placed with the given base units
// (x = units * baseX / 4, y = units * baseY / 8). Returns how many were created.
int CreateTemplateControls(HWND dialog, const DialogTemplate& dialogTemplate, int baseX, int baseY);

// The dialog base units of a font: x = (width of the 52 letters a-z A-Z / 26 + 1) / 2, y = its cell height.
SIZE DialogBaseUnits(HFONT font);
// The font a template asks for: its face, points at 96 DPI and weight; 8-point Tahoma without DS_SETFONT.
// Fonts are shared by every dialog of the same look and live as long as the process.
HFONT TemplateFont(const DialogTemplate& dialogTemplate);
// Makes a dialog from a template resource, as the dialog manager does: a window of the template's class
// ("#32770" when it names none) with its styles, sized and placed from dialog units with its font's base
// units, the controls in template order, WM_SETFONT to the dialog and each control, then WM_INITDIALOG
// (wParam: the first WS_TABSTOP control, lParam: param). handler, when given, handles the dialog's messages
// from its creation on. nullptr when the template is missing or the window cannot be made.
HWND CreateDialogFromTemplate(UINT id, HWND parent, win::CWnd* handler = nullptr, LPARAM param = 0);

}  // namespace gdi

// Resource access in the Windows shape, for dialog templates (RT_DIALOG); other types are not kept this way.
struct HRSRC__ {};
using HRSRC = HRSRC__*;
inline constexpr UINT RT_DIALOG = 5;
namespace win {
HRSRC FindResource(HINSTANCE module, UINT id, UINT type);
HANDLE LoadResource(HINSTANCE module, HRSRC resource);
const void* LockResource(HANDLE loaded);
DWORD SizeofResource(HINSTANCE module, HRSRC resource);
}  // namespace win
