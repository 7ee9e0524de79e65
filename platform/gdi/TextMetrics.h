#pragma once
// The one place text is measured. Layout arithmetic (fit widths, template base units, wrapping, row heights)
// depends on these numbers, so they must not vary between machines: the pango provider uses only the fonts of
// the project's fontconfig file, and unit tests of the arithmetic swap in the fixed-advance provider.
#include <memory>
#include <string_view>

#include "platform/gdi/GdiTypes.h"

namespace gdi {

class TextMetricsProvider {
 public:
  virtual ~TextMetricsProvider() = default;
  // Advance width in pixels of one line of text (no line breaks) in the font.
  virtual int TextWidth(const LOGFONTW& font, std::wstring_view line) = 0;
  virtual TEXTMETRICW Metrics(const LOGFONTW& font) = 0;
};

// Every character advances by the same amount; the cell height is the font's pixel height.
class FixedAdvanceMetrics : public TextMetricsProvider {
 public:
  // height 0: the absolute value of the font's lfHeight (13 when that is 0).
  explicit FixedAdvanceMetrics(int advance = 6, int height = 0) : advance_(advance), height_(height) {}
  int TextWidth(const LOGFONTW& font, std::wstring_view line) override;
  TEXTMETRICW Metrics(const LOGFONTW& font) override;

 private:
  int advance_;
  int height_;
};

// The provider in use (the pango one unless a test replaced it).
std::shared_ptr<TextMetricsProvider> GetTextMetricsProvider();
// Installs a provider (null: back to pango) and returns the one it replaces.
std::shared_ptr<TextMetricsProvider> SetTextMetricsProvider(std::shared_ptr<TextMetricsProvider> provider);

// Installs a provider for one scope.
class ScopedTextMetrics {
 public:
  explicit ScopedTextMetrics(std::shared_ptr<TextMetricsProvider> provider)
      : previous_(SetTextMetricsProvider(std::move(provider))) {}
  ~ScopedTextMetrics() { SetTextMetricsProvider(previous_); }
  ScopedTextMetrics(const ScopedTextMetrics&) = delete;
  ScopedTextMetrics& operator=(const ScopedTextMetrics&) = delete;

 private:
  std::shared_ptr<TextMetricsProvider> previous_;
};

}  // namespace gdi
