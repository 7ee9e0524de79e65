#pragma once
// Re-fonts a dialog from its own template at a fixed DPI and then sizes the dialog and moves every control
// from the template's dialog units, so layouts do not depend on the system's font size and DPI. A member of
// each dialog that uses it: idle, or applied to one dialog until Restore (or its destructor) puts the former
// font back.
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

class CDlgTemplateLayout {
 public:
  CDlgTemplateLayout() = default;
  ~CDlgTemplateLayout() { Restore(); }
  CDlgTemplateLayout(const CDlgTemplateLayout&) = delete;
  CDlgTemplateLayout& operator=(const CDlgTemplateLayout&) = delete;

  // FALSE when the template is missing or malformed (nothing is changed then).
  BOOL Apply(HINSTANCE module, HWND dialog, UINT templateId, double dpi);
  void Restore();

  HFONT GetFont() const { return m_hFont; }
  bool IsApplied() const { return m_hDialog != nullptr; }

 private:
  DWORD m_nTemplateId = 0;
  HINSTANCE m_hInstance = nullptr;
  HWND m_hDialog = nullptr;
  HFONT m_hFont = nullptr;
  HFONT m_hOldFont = nullptr;
};

// Places a control with the fixed dialog-unit factors (1.5016077 across, 1.62378 down), rounding up.
void MoveDlgItemScaled(HWND dialog, int id, double x, double y, double width, double height);
// As MoveDlgItemScaled, with the width the control's own caption needs in the user-interface font.
void MoveDlgItemScaledToText(HWND dialog, int id, double x, double y, double height);
