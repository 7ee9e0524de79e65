#include "platform/gdi/PangoText.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/base/Text.h"
#include "platform/gdi/ResourceDir.h"

namespace gdi {
namespace {

struct FontKey {
  std::string face;
  LONG height;
  LONG weight;
  BYTE italic;
  bool operator<(const FontKey& o) const {
    return std::tie(face, height, weight, italic) < std::tie(o.face, o.height, o.weight, o.italic);
  }
};

std::string FaceOf(const LOGFONTW& font) {
  std::wstring face;
  for (int i = 0; i < LF_FACESIZE && font.lfFaceName[i]; ++i) face.push_back(font.lfFaceName[i]);
  return face.empty() ? std::string("Tahoma") : mx::WideToUtf8(face);
}

cairo_font_options_t* StableOptions() {
  // No hinting of metrics: advances then do not depend on the machine's rendering settings.
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  return opts;
}

class PangoState {
 public:
  PangoState() {
    FcConfig* config = FcConfigCreate();
    auto conf = ResourceDir() / "fonts" / "fonts.conf";
    bool ok = FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(conf.c_str()), FcTrue) &&
              FcConfigBuildFonts(config);
    if (!ok) {
      FcConfigDestroy(config);
      config = FcInitLoadConfigAndFonts();  // without our file text still shows, measured by the machine's fonts
    }
    fontmap_ = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (!fontmap_) fontmap_ = pango_cairo_font_map_new();
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontmap_), config);
    FcConfigDestroy(config);
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontmap_), 96.0);
    options_ = StableOptions();
    context_ = NewContext(nullptr);
  }

  PangoContext* NewContext(cairo_t* cr) {
    PangoContext* ctx = pango_font_map_create_context(fontmap_);
    if (cr) pango_cairo_update_context(cr, ctx);
    pango_cairo_context_set_font_options(ctx, options_);
    pango_context_set_language(ctx, pango_language_from_string("en"));
    return ctx;
  }

  std::mutex mutex;
  PangoContext* context() { return context_; }

  // Windows heights: negative is the em size in pixels, positive the cell height (ascent + descent).
  double EmPixels(const LOGFONTW& font) {
    if (font.lfHeight < 0) return -static_cast<double>(font.lfHeight);
    if (font.lfHeight == 0) return 12.0;
    PangoFontDescription* d = Describe(font, 100.0);
    PangoFontMetrics* m = pango_context_get_metrics(context_, d, nullptr);
    double cell = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / double(PANGO_SCALE);
    pango_font_metrics_unref(m);
    pango_font_description_free(d);
    return cell > 0 ? font.lfHeight * 100.0 / cell : font.lfHeight;
  }

  PangoFontDescription* Describe(const LOGFONTW& font, double em) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, FaceOf(font).c_str());
    LONG weight = font.lfWeight <= 0 ? 400 : std::min<LONG>(std::max<LONG>(font.lfWeight, 100), 1000);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(d, font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(d, em * PANGO_SCALE);
    return d;
  }

  PangoFontDescription* Describe(const LOGFONTW& font) { return Describe(font, EmPixels(font)); }

  PangoLayout* Layout(PangoContext* ctx, const LOGFONTW& font, std::wstring_view line) {
    PangoLayout* layout = pango_layout_new(ctx);
    PangoFontDescription* d = Describe(font);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    std::string utf8 = mx::WideToUtf8(line);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    if (font.lfUnderline || font.lfStrikeOut) {
      PangoAttrList* attrs = pango_attr_list_new();
      if (font.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
      if (font.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
      pango_layout_set_attributes(layout, attrs);
      pango_attr_list_unref(attrs);
    }
    return layout;
  }

  std::map<FontKey, TEXTMETRICW> metrics;

 private:
  PangoFontMap* fontmap_ = nullptr;
  PangoContext* context_ = nullptr;
  cairo_font_options_t* options_ = nullptr;
};

PangoState& State() {
  static PangoState* state = new PangoState;  // kept to exit: fonts may be measured from static destructors
  return *state;
}

}  // namespace

int PangoMetrics::TextWidth(const LOGFONTW& font, std::wstring_view line) {
  if (line.empty()) return 0;
  PangoState& s = State();
  std::lock_guard lock(s.mutex);
  PangoLayout* layout = s.Layout(s.context(), font, line);
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return static_cast<int>(std::lround(logical.width / double(PANGO_SCALE)));
}

TEXTMETRICW PangoMetrics::Metrics(const LOGFONTW& font) {
  PangoState& s = State();
  std::lock_guard lock(s.mutex);
  FontKey key{FaceOf(font), font.lfHeight, font.lfWeight, font.lfItalic};
  if (auto it = s.metrics.find(key); it != s.metrics.end()) return it->second;
  double em = s.EmPixels(font);
  PangoFontDescription* d = s.Describe(font, em);
  PangoFontMetrics* m = pango_context_get_metrics(s.context(), d, nullptr);
  TEXTMETRICW tm;
  tm.tmAscent = static_cast<LONG>(std::ceil(pango_font_metrics_get_ascent(m) / double(PANGO_SCALE) - 0.01));
  tm.tmDescent = static_cast<LONG>(std::lround(pango_font_metrics_get_descent(m) / double(PANGO_SCALE)));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(em)));
  tm.tmExternalLeading = 0;
  tm.tmAveCharWidth =
      static_cast<LONG>(std::lround(pango_font_metrics_get_approximate_char_width(m) / double(PANGO_SCALE)));
  tm.tmMaxCharWidth = tm.tmAveCharWidth * 2;
  tm.tmWeight = font.lfWeight <= 0 ? 400 : font.lfWeight;
  tm.tmItalic = font.lfItalic;
  tm.tmUnderlined = font.lfUnderline;
  tm.tmCharSet = font.lfCharSet;
  pango_font_metrics_unref(m);
  pango_font_description_free(d);
  s.metrics.emplace(key, tm);
  return tm;
}

std::string ResolvedFamily(const LOGFONTW& font) {
  PangoState& s = State();
  std::lock_guard lock(s.mutex);
  PangoFontDescription* d = s.Describe(font, 12.0);
  PangoFont* f = pango_context_load_font(s.context(), d);
  pango_font_description_free(d);
  if (!f) return {};
  PangoFontDescription* real = pango_font_describe(f);
  std::string family = pango_font_description_get_family(real) ? pango_font_description_get_family(real) : "";
  pango_font_description_free(real);
  g_object_unref(f);
  return family;
}

void DrawTextLine(cairo_t* cr, const LOGFONTW& font, std::wstring_view line, double x, double y) {
  if (line.empty()) return;
  PangoState& s = State();
  std::lock_guard lock(s.mutex);
  PangoContext* ctx = s.NewContext(cr);
  PangoLayout* layout = s.Layout(ctx, font, line);
  // pango places the first baseline at the font's ascent, as Windows does with the top-left reference point
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  g_object_unref(ctx);
}

}  // namespace gdi

#if defined(__SANITIZE_ADDRESS__)
// The font library keeps its pattern caches for the life of the process and never frees them; that is not
// a leak of ours, so the leak checker of sanitizer builds is told to ignore it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libpangoft2\nleak:libpango-1.0.so\nleak:libharfbuzz.so\n";
}
#endif

#if defined(__SANITIZE_THREAD__)
// The font libraries prepare their font lists on a thread of their own and hand them over with locks the
// thread checker cannot see (the libraries are not built for it); their races are theirs to report.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libfontconfig.so\ncalled_from_lib:libcairo.so\ncalled_from_lib:libpango-1.0.so\n"
         "called_from_lib:libpangoft2-1.0.so\ncalled_from_lib:libglib-2.0.so\nrace:libfontconfig.so\n"
         "race:libcairo.so\nrace:libglib-2.0.so\nrace:libpango\nrace:FcValueSave\n"
         "called_from_lib:libpangocairo-1.0.so\nmutex:libpangocairo-1.0.so\nmutex:libcairo.so\n";
}
#endif
