#include "tools/ToolsFonts.h"

#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObject.h"

HFONT GetToolsFont(ToolsFont role) {
  CZUNApp* app = AfxGetZunApp();
  int lang = app ? app->m_nLangID : 0;
  int index = role == ToolsFont::Heading ? 1 : role == ToolsFont::Results ? 3 : (lang == 0 ? 4 : 11);
  if (app)
    if (HFONT font = app->m_fonts.Get(index)) return font;
  static HFONT fallback[3] = {};
  HFONT& font = fallback[static_cast<int>(role)];
  if (!font) {
    LOGFONTW lf;
    GetUILogFont(lf);
    lf.lfHeight = role == ToolsFont::Heading ? -17 : role == ToolsFont::Results ? -23 : -14;
    lf.lfWeight = role == ToolsFont::Text ? 400 : 700;
    font = win::CreateFontIndirect(&lf);
  }
  return font;
}

void PaintPageBackground(CDC& dc, int width, int height) {
  RECT page{0, 0, width, height};
  dc.FillSolidRect(&page, RGB(255, 255, 255));
  CBrush grey(RGB(185, 185, 185));
  RECT band{0, height - 70, width, height};
  dc.FillRect(&band, &grey);
  dc.FrameRect(&band, &grey);
}
