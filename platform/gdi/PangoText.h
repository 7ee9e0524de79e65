#pragma once
// Text through pango on the project's own font configuration: measuring and drawing use the same font map.
#include <memory>
#include <string>
#include <string_view>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TextMetrics.h"

typedef struct _cairo cairo_t;

namespace gdi {

class PangoMetrics : public TextMetricsProvider {
 public:
  int TextWidth(const LOGFONTW& font, std::wstring_view line) override;
  TEXTMETRICW Metrics(const LOGFONTW& font) override;
};

// The family fontconfig resolved for a LOGFONT face ("Arial" -> "Liberation Sans").
std::string ResolvedFamily(const LOGFONTW& font);

// Draws one line with its top-left at (x, y) of the cairo context's user space, in the current source colour.
void DrawTextLine(cairo_t* cr, const LOGFONTW& font, std::wstring_view line, double x, double y);

}  // namespace gdi
