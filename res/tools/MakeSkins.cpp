// Draws the program's skin bitmaps and icons from res/bitmaps/skins.txt into <out>/bitmaps and <out>/icons.
// One palette and a few shapes give every window the same look; the sizes come from the table.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "platform/gdi/BmpFile.h"

namespace {

struct Rgb {
  double r, g, b;
};
constexpr Rgb kNavy{0.10, 0.20, 0.36};
constexpr Rgb kBlue{0.16, 0.40, 0.66};
constexpr Rgb kSky{0.80, 0.88, 0.96};
constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kGreen{0.20, 0.60, 0.27};
constexpr Rgb kGreenLight{0.36, 0.74, 0.40};
constexpr Rgb kGrey{0.72, 0.74, 0.77};
constexpr Rgb kMagenta{1, 0, 1};

void Set(cairo_t* cr, Rgb c, double k = 1.0) {
  cairo_set_source_rgb(cr, std::min(1.0, c.r * k), std::min(1.0, c.g * k), std::min(1.0, c.b * k));
}

void Fill(cairo_t* cr, double x, double y, double w, double h, Rgb c, double k = 1.0) {
  Set(cr, c, k);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

void Vertical(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, p);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void Text(cairo_t* cr, const char* text, double x, double y, double size, Rgb c, bool bold = true) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  Set(cr, c);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text);
}

// Frames of a strip side by side: 0 normal, 1 pressed, 2 hover, 3 disabled.
double FrameShade(int frame) { return frame == 1 ? 0.8 : frame == 2 ? 1.25 : 1.0; }

void CaptionGlyph(cairo_t* cr, const std::string& kind, double x, double w, double h, int frame) {
  Fill(cr, x, 0, w, h, kBlue, FrameShade(frame));
  Set(cr, kWhite);
  cairo_set_line_width(cr, 1.5);
  double cx = x + w / 2, cy = h / 2;
  if (kind == "caption-close") {
    cairo_move_to(cr, cx - 4, cy - 4); cairo_line_to(cr, cx + 4, cy + 4);
    cairo_move_to(cr, cx + 4, cy - 4); cairo_line_to(cr, cx - 4, cy + 4);
  } else if (kind == "caption-min") {
    cairo_move_to(cr, cx - 5, cy + 3); cairo_line_to(cr, cx + 5, cy + 3);
  } else if (kind == "caption-max") {
    cairo_rectangle(cr, cx - 5, cy - 4, 10, 8);
  } else if (kind == "caption-restore") {
    cairo_rectangle(cr, cx - 5, cy - 2, 7, 6);
    cairo_rectangle(cr, cx - 2, cy - 5, 7, 6);
  } else {  // language button: a globe
    cairo_arc(cr, cx, cy, 5, 0, 2 * M_PI);
    cairo_move_to(cr, cx - 5, cy); cairo_line_to(cr, cx + 5, cy);
  }
  cairo_stroke(cr);
}

void Rounded(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
  cairo_close_path(cr);
}

void ButtonFrames(cairo_t* cr, int w, int h, int frames, Rgb base, Rgb light) {
  double fw = double(w) / frames;
  for (int f = 0; f < frames; ++f) {
    double x = f * fw;
    Fill(cr, x, 0, fw, h, kWhite);
    Rgb top = f == 3 ? kGrey : light, bottom = f == 3 ? kGrey : base;
    double k = FrameShade(f);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(p, 0, std::min(1.0, top.r * k), std::min(1.0, top.g * k), std::min(1.0, top.b * k));
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r * k, bottom.g * k, bottom.b * k);
    Rounded(cr, x + 0.5, 0.5, fw - 1, h - 1, std::min(6.0, h / 3.0));
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
}

// Three-piece caps: the left and right caps are rounded ends, the middle a plain band; all share the frames.
void Caps(cairo_t* cr, const std::string& kind, int w, int h, int frames) {
  double fw = double(w) / frames;
  for (int f = 0; f < frames; ++f) {
    double x = f * fw, k = FrameShade(f);
    Rgb c = f == 3 ? kGrey : kBlue;
    Fill(cr, x, 0, fw, h, kWhite);
    Set(cr, c, k);
    if (kind == "cap-mid") {
      cairo_rectangle(cr, x, 1, fw, h - 2);
    } else {
      double ox = kind == "cap-left" ? x + 1 : x - fw;
      Rounded(cr, ox, 1, fw * 2 - 1, h - 2, 6);
      cairo_save(cr);
      cairo_rectangle(cr, x, 0, fw, h);
      cairo_clip(cr);
      cairo_fill(cr);
      cairo_restore(cr);
      continue;
    }
    cairo_fill(cr);
  }
}

void NavIcon(cairo_t* cr, const std::string& kind, int w, int h) {
  static const std::map<std::string, Rgb> colours = {
      {"icon-home", {0.2, 0.5, 0.8}}, {"icon-scan", {0.15, 0.6, 0.3}}, {"icon-repair", {0.85, 0.5, 0.1}},
      {"icon-dll", {0.5, 0.3, 0.7}}, {"icon-backup", {0.2, 0.55, 0.6}}, {"icon-settings", {0.45, 0.45, 0.5}},
      {"icon-help", {0.2, 0.4, 0.75}}, {"icon-update", {0.1, 0.6, 0.55}}};
  Rgb c = colours.count(kind) ? colours.at(kind) : kBlue;
  double fw = w / 3.0;
  // The button copies each icon frame over its own background frame at (38, 3): the icon carries that part of
  // the background (the navigation button background, 150: three 123 x 68 frames) rather than a colour key.
  cairo_surface_t* ground = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 369, 68);
  cairo_t* gc = cairo_create(ground);
  ButtonFrames(gc, 369, 68, 3, kSky, kWhite);
  cairo_destroy(gc);
  for (int f = 0; f < 3; ++f) {
    cairo_save(cr);
    cairo_rectangle(cr, f * fw, 0, fw, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, ground, f * fw - (f * 123 + 38), -3);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  cairo_surface_destroy(ground);
  for (int f = 0; f < 3; ++f) {
    double cx = f * fw + fw / 2, cy = h / 2.0;
    Set(cr, c, FrameShade(f));
    cairo_arc(cr, cx, cy, std::min(fw, double(h)) / 2 - 3, 0, 2 * M_PI);
    cairo_fill(cr);
    Set(cr, kWhite);
    cairo_arc(cr, cx, cy, std::min(fw, double(h)) / 5, 0, 2 * M_PI);
    cairo_fill(cr);
  }
}

// Flag shapes on a 14x11 cell. White is the strip's transparent colour, so the flags' white is a near-white.
constexpr Rgb kFlagWhite{0.96, 0.96, 0.96};
constexpr Rgb kFlagRed{0.80, 0.08, 0.14};
constexpr Rgb kFlagBlue{0.0, 0.20, 0.55};
constexpr Rgb kFlagYellow{1.0, 0.80, 0.0};
constexpr Rgb kFlagGreen{0.0, 0.55, 0.27};

void Disc(cairo_t* cr, double cx, double cy, double r, Rgb c) {
  Set(cr, c);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_fill(cr);
}

void Bands(cairo_t* cr, bool across, std::initializer_list<Rgb> colours) {
  const double n = double(colours.size());
  int i = 0;
  for (Rgb c : colours) {
    if (across) {
      Fill(cr, 0, std::round(i * 11 / n), 14, std::round((i + 1) * 11 / n) - std::round(i * 11 / n), c);
    } else {
      Fill(cr, std::round(i * 14 / n), 0, std::round((i + 1) * 14 / n) - std::round(i * 14 / n), 11, c);
    }
    ++i;
  }
}

// The cross set towards the hoist, as the northern flags have it; an inner cross when `inner` differs.
void NordicCross(cairo_t* cr, Rgb field, Rgb cross, Rgb inner) {
  Fill(cr, 0, 0, 14, 11, field);
  Fill(cr, 4, 0, 3, 11, cross);
  Fill(cr, 0, 4, 14, 3, cross);
  Fill(cr, 5, 0, 1, 11, inner);
  Fill(cr, 0, 5, 14, 1, inner);
}

void Star(cairo_t* cr, double cx, double cy, double r, Rgb c) {
  Set(cr, c);
  for (int i = 0; i < 10; ++i) {
    const double a = -M_PI / 2 + i * M_PI / 5, k = i % 2 ? r * 0.4 : r;
    cairo_line_to(cr, cx + k * std::cos(a), cy + k * std::sin(a));
  }
  cairo_close_path(cr);
  cairo_fill(cr);
}

void Flag(cairo_t* cr, int language) {
  switch (language) {
    case 0:  // English
      Fill(cr, 0, 0, 14, 11, kFlagBlue);
      for (auto [width, colour] : {std::pair{2.2, kFlagWhite}, {0.8, kFlagRed}}) {
        cairo_set_line_width(cr, width);
        Set(cr, colour);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, 14, 11);
        cairo_move_to(cr, 14, 0);
        cairo_line_to(cr, 0, 11);
        cairo_stroke(cr);
      }
      Fill(cr, 5, 0, 4, 11, kFlagWhite);
      Fill(cr, 0, 3.5, 14, 4, kFlagWhite);
      Fill(cr, 6, 0, 2, 11, kFlagRed);
      Fill(cr, 0, 4.5, 14, 2, kFlagRed);
      break;
    case 1:  // Chinese Traditional
      Fill(cr, 0, 0, 14, 11, kFlagRed);
      Fill(cr, 0, 0, 7, 6, kFlagBlue);
      Disc(cr, 3.5, 3, 1.8, kFlagWhite);
      break;
    case 2: NordicCross(cr, kFlagRed, kFlagWhite, kFlagWhite); break;                     // Danish
    case 3: Bands(cr, true, {{0.68, 0.11, 0.16}, kFlagWhite, {0.13, 0.27, 0.55}}); break;  // Dutch
    case 4: Bands(cr, false, {{0.0, 0.14, 0.58}, kFlagWhite, {0.93, 0.16, 0.22}}); break;  // French
    case 5: Bands(cr, true, {{0.05, 0.05, 0.05}, {0.87, 0.0, 0.0}, kFlagYellow}); break;   // German
    case 6: Bands(cr, false, {kFlagGreen, kFlagWhite, {0.81, 0.17, 0.22}}); break;         // Italian
    case 7:  // Japanese
      Fill(cr, 0, 0, 14, 11, kFlagWhite);
      Disc(cr, 7, 5.5, 3.2, {0.74, 0.0, 0.18});
      break;
    case 8: NordicCross(cr, {0.73, 0.05, 0.18}, kFlagWhite, {0.0, 0.13, 0.36}); break;  // Norwegian
    case 9:  // Brazilian Portuguese
      Fill(cr, 0, 0, 14, 11, {0.0, 0.61, 0.23});
      Set(cr, {1.0, 0.87, 0.0});
      cairo_move_to(cr, 7, 1);
      cairo_line_to(cr, 13, 5.5);
      cairo_line_to(cr, 7, 10);
      cairo_line_to(cr, 1, 5.5);
      cairo_fill(cr);
      Disc(cr, 7, 5.5, 2.4, {0.0, 0.15, 0.46});
      break;
    case 10:  // Spanish: the middle band twice as wide
      Bands(cr, true, {{0.67, 0.08, 0.11}, {0.95, 0.75, 0.0}, {0.95, 0.75, 0.0}, {0.67, 0.08, 0.11}});
      break;
    case 11: NordicCross(cr, {0.0, 0.42, 0.66}, {1.0, 0.8, 0.0}, {1.0, 0.8, 0.0}); break;  // Swedish
    case 12: NordicCross(cr, kFlagWhite, {0.0, 0.21, 0.50}, {0.0, 0.21, 0.50}); break;     // Finnish
    case 13:  // Portuguese (Portugal)
      Fill(cr, 0, 0, 14, 11, {0.85, 0.0, 0.0});
      Fill(cr, 0, 0, 6, 11, {0.0, 0.40, 0.0});
      Disc(cr, 6, 5.5, 2.2, {1.0, 0.85, 0.0});
      break;
    case 14: Bands(cr, true, {kFlagWhite, {0.0, 0.22, 0.65}, {0.84, 0.17, 0.12}}); break;  // Russian
    case 15: {  // Greek: stripes and a cross in the corner
      const Rgb blue{0.05, 0.37, 0.69};
      Bands(cr, true, {blue, kFlagWhite, blue, kFlagWhite, blue});
      Fill(cr, 0, 0, 6, 6.6, blue);
      Fill(cr, 2.4, 0, 1.2, 6.6, kFlagWhite);
      Fill(cr, 0, 2.7, 6, 1.2, kFlagWhite);
      break;
    }
    case 16:  // Turkish: crescent and star
      Fill(cr, 0, 0, 14, 11, {0.89, 0.04, 0.09});
      Disc(cr, 5.5, 5.5, 3.2, kFlagWhite);
      Disc(cr, 6.3, 5.5, 2.6, {0.89, 0.04, 0.09});
      Star(cr, 9.6, 5.5, 1.6, kFlagWhite);
      break;
    case 17: Bands(cr, true, {kFlagWhite, {0.86, 0.08, 0.24}}); break;  // Polish
    case 18:  // Korean
      Fill(cr, 0, 0, 14, 11, kFlagWhite);
      Set(cr, {0.80, 0.0, 0.18});
      cairo_arc(cr, 7, 5.5, 2.8, M_PI, 2 * M_PI);
      cairo_fill(cr);
      Set(cr, {0.0, 0.20, 0.53});
      cairo_arc(cr, 7, 5.5, 2.8, 0, M_PI);
      cairo_fill(cr);
      for (double x : {1.5, 12.5})
        for (double y : {2.0, 9.0}) Fill(cr, x - 1, y - 1, 2, 2, {0.1, 0.1, 0.1});
      break;
    default:  // Chinese Simplified
      Fill(cr, 0, 0, 14, 11, {0.87, 0.16, 0.06});
      Star(cr, 3, 3, 2.2, {1.0, 0.87, 0.0});
      for (auto [x, y] : {std::pair{6.0, 1.2}, {7.2, 2.6}, {7.2, 4.2}, {6.0, 5.4}}) Star(cr, x, y, 0.8, {1.0, 0.87, 0.0});
      break;
  }
}

// The twenty languages' flags in the language table's order.
void Flags(cairo_t* cr, int w, int h) {
  for (int i = 0; i < 20 && i * 14 < w; ++i) {
    cairo_save(cr);
    cairo_translate(cr, i * 14, 0);
    cairo_scale(cr, 1, h / 11.0);
    cairo_rectangle(cr, 0, 0, 14, 11);
    cairo_clip(cr);
    Flag(cr, i);
    cairo_restore(cr);
  }
}

void Draw(cairo_t* cr, const std::string& look, int w, int h) {
  Fill(cr, 0, 0, w, h, kWhite);
  if (look == "header-left" || look == "header-mid" || look == "header-right" || look == "header-art") {
    Vertical(cr, 0, 0, w, h, kBlue, kNavy);
    Fill(cr, 0, 0, w, 1, kSky);
    if (look == "header-left") Fill(cr, 0, 0, 1, h, kSky);
    if (look == "header-right") Fill(cr, w - 1, 0, 1, h, kNavy, 0.7);
    if (look == "header-art")
      for (int i = 0; i < 5; ++i) {
        Set(cr, kSky, 0.9);
        cairo_arc(cr, w - 20 - i * 36, h / 2.0, 4 + i, 0, 2 * M_PI);
        cairo_fill(cr);
      }
  } else if (look == "border-left" || look == "border-right" || look == "border-row") {
    Fill(cr, 0, 0, w, h, kNavy);
    Fill(cr, look == "border-right" ? w - 1 : 0, 0, 1, h, kBlue);
  } else if (look.rfind("band", 0) == 0) {
    Vertical(cr, 0, 0, w, h, kSky, kBlue);
    if (look == "band-grip")
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j) Fill(cr, w - 6 - j * 4, h - 6 - (i - j) * 4, 2, 2, kNavy);
  } else if (look.rfind("thin", 0) == 0) {
    Fill(cr, 0, 0, w, h, kNavy);
    Fill(cr, 0, 0, w, 1, kBlue);
  } else if (look == "logo") {
    Vertical(cr, 0, 0, w, h, kBlue, kNavy);
    Set(cr, kGreenLight);
    cairo_arc(cr, 26, h / 2.0, 16, 0, 2 * M_PI);
    cairo_fill(cr);
    Text(cr, "M", 18, h / 2.0 + 7, 20, kWhite);
    Text(cr, "Mendrix", 50, h / 2.0 + 9, 24, kWhite);
  } else if (look.rfind("caption-", 0) == 0) {
    int frames = 3;
    double fw = double(w) / frames;
    for (int f = 0; f < frames; ++f) CaptionGlyph(cr, look, f * fw, fw, h, f);
  } else if (look.rfind("nav-", 0) == 0) {
    Vertical(cr, 0, 0, w, h, kSky, kWhite);
    Fill(cr, 0, h - 1, w, 1, kBlue);
  } else if (look == "navbg") {
    ButtonFrames(cr, w, h, 3, kSky, kWhite);
  } else if (look.rfind("icon-", 0) == 0) {
    NavIcon(cr, look, w, h);
  } else if (look == "linkbg") {
    double fw = w / 3.0;
    for (int f = 0; f < 3; ++f) Fill(cr, f * fw, 0, fw, h, kNavy, FrameShade(f));
  } else if (look == "greenbg") {
    ButtonFrames(cr, w, h, 3, kGreen, kGreenLight);
  } else if (look == "flags") {
    Flags(cr, w, h);
  } else if (look.rfind("cap-", 0) == 0) {
    // the table's middle widths are 30 (three frames) or 40 (four frames): frames are 10 wide either way
    int frames = look == "cap-mid" ? w / 10 : w / 6;
    Caps(cr, look, w, h, frames);
  } else if (look == "dim") {
    Vertical(cr, 0, 0, w, h, {0.25, 0.27, 0.30}, {0.12, 0.13, 0.15});
  } else if (look == "splash") {
    Vertical(cr, 0, 0, w, h, kBlue, kNavy);
    Set(cr, kGreenLight);
    cairo_arc(cr, 70, h / 2.0, 40, 0, 2 * M_PI);
    cairo_fill(cr);
    Text(cr, "M", 52, h / 2.0 + 16, 46, kWhite);
    Text(cr, "Tarvolen Mendrix", 130, h / 2.0 + 10, 30, kWhite);
    Text(cr, "Loading...", 130, h - 24, 12, kSky, false);
  } else if (look == "popup") {
    Vertical(cr, 0, 0, w, h, kWhite, kSky);
    Fill(cr, 0, 0, w, 24, kBlue);
    cairo_set_line_width(cr, 1);
    Set(cr, kNavy);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_stroke(cr);
  } else if (look == "rule") {
    Fill(cr, 0, 0, w, h, kGrey);
  } else if (look == "corner") {
    Vertical(cr, 0, 0, w, h, kWhite, kSky);
  } else if (look == "stage-icon" || look == "section-icon" || look == "group-icon") {
    Fill(cr, 0, 0, w, h, kWhite);
    Set(cr, look == "group-icon" ? kGreen : kBlue);
    Rounded(cr, 2, 2, w - 4, h - 4, w / 6.0);
    cairo_fill(cr);
    Set(cr, kWhite);
    cairo_arc(cr, w / 2.0, h / 2.0, w / 6.0, 0, 2 * M_PI);
    cairo_fill(cr);
  } else if (look == "status-mark") {
    Set(cr, kGreen);
    cairo_set_line_width(cr, 4);
    cairo_move_to(cr, 6, h / 2.0);
    cairo_line_to(cr, w / 2.5, h - 8);
    cairo_line_to(cr, w - 5, 6);
    cairo_stroke(cr);
  } else if (look == "cells") {
    for (int x = 0; x + h <= w; x += h) {
      Set(cr, kBlue, 0.8 + 0.05 * ((x / h) % 6));
      Rounded(cr, x + 3, 3, h - 6, h - 6, 4);
      cairo_fill(cr);
    }
  } else if (look == "problem-icons") {
    // A registry entry (rows of a key) with an orange mark: what every problem row of the list is. The
    // light parts stay just off white, as white is the list's transparent colour.
    const Rgb paper{0.97, 0.98, 1.0}, orange{0.93, 0.49, 0.09};
    for (int x = 0; x + h <= w; x += h) {
      Set(cr, kBlue, 0.8 + 0.05 * ((x / h) % 6));
      Rounded(cr, x + 3, 3, h - 6, h - 6, 4);
      cairo_fill(cr);
      for (int row = 0; row < 3; ++row) Fill(cr, x + 8, 9 + row * 5, row == 1 ? 11 : 15, 2, paper);
      Set(cr, orange);
      cairo_arc(cr, x + h - 10, h - 10, 6, 0, 2 * M_PI);
      cairo_fill(cr);
      Fill(cr, x + h - 11, h - 14, 2, 5, paper);
      Fill(cr, x + h - 11, h - 8, 2, 2, paper);
    }
  } else if (look == "bitness-marks") {
    // Image 0 marks an entry of the 64-bit view, image 1 one of the 32-bit view.
    for (int i = 0; i < w / h; ++i) {
      const double x = i * h;
      Set(cr, kSky);
      Rounded(cr, x + 2, 8, h - 4, h - 16, 3);
      cairo_fill(cr);
      Set(cr, kNavy);
      cairo_set_line_width(cr, 1);
      Rounded(cr, x + 2.5, 8.5, h - 5, h - 17, 3);
      cairo_stroke(cr);
      Text(cr, i == 0 ? "64" : "32", x + 7, h / 2.0 + 4, 11, kNavy);
    }
  } else if (look == "checks") {
    Fill(cr, 0, 0, w, h, kMagenta);
    for (int i = 0; i < w / h; ++i) {
      double x = i * h;
      Fill(cr, x + 1, 1, h - 2, h - 2, kNavy);
      Fill(cr, x + 2, 2, h - 4, h - 4, kWhite);
      if (i == 1) {
        Set(cr, kGreen);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, x + 4, h / 2.0);
        cairo_line_to(cr, x + h / 2.2, h - 4);
        cairo_line_to(cr, x + h - 4, 4);
        cairo_stroke(cr);
      }
    }
  } else if (look == "anim-strip") {
    // a spinning arc: one square frame per step
    int frames = w / h;
    for (int f = 0; f < frames; ++f) {
      double cx = f * h + h / 2.0, cy = h / 2.0, start = f * 2 * M_PI / frames;
      Set(cr, kSky);
      cairo_set_line_width(cr, h / 8.0);
      cairo_arc(cr, cx, cy, h / 3.0, 0, 2 * M_PI);
      cairo_stroke(cr);
      Set(cr, kGreen);
      cairo_arc(cr, cx, cy, h / 3.0, start, start + M_PI / 2);
      cairo_stroke(cr);
    }
  } else if (look == "app-icon") {
    Fill(cr, 0, 0, w, h, kMagenta);
    Set(cr, kGreenLight);
    cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 1, 0, 2 * M_PI);
    cairo_fill(cr);
    Set(cr, kNavy);
    cairo_arc(cr, w / 2.0, h / 2.0, w / 4.0, 0, 2 * M_PI);
    cairo_fill(cr);
  } else {
    Fill(cr, 0, 0, w, h, kSky);
  }
}

bool Write(const std::string& path, int w, int h, const std::string& look) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
  Draw(cr, look, w, h);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  const unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
  cairo_surface_destroy(s);
  return gdi::WriteBmpFile(path, w, h, pixels);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: MakeSkins skins.txt OUTDIR\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "MakeSkins: cannot read %s\n", argv[1]);
    return 1;
  }
  std::string out = argv[2], line;
  int lineNo = 0, count = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int id = 0, w = 0, h = 0;
    std::string look;
    if (!(fields >> id >> w >> h >> look) || w <= 0 || h <= 0 || w > 4096 || h > 4096) {
      std::fprintf(stderr, "MakeSkins: %s:%d: expected: id width height look description\n", argv[1], lineNo);
      return 1;
    }
    if (!Write(out + "/bitmaps/" + std::to_string(id) + ".bmp", w, h, look)) {
      std::fprintf(stderr, "MakeSkins: cannot write bitmap %d\n", id);
      return 1;
    }
    ++count;
  }
  // icons: the program icon at both sizes, the list icons; magenta is transparent
  const struct { int id, size; } icons[] = {{100, 32}, {414, 24}, {416, 10}};
  for (auto icon : icons)
    if (!Write(out + "/icons/" + std::to_string(icon.id) + ".bmp", icon.size, icon.size, "app-icon")) return 1;
  std::printf("MakeSkins: %d bitmaps\n", count);
  return 0;
}
