#include "platform/gdi/TextMetrics.h"

#include <cstdlib>
#include <mutex>

#include "platform/gdi/PangoText.h"

namespace gdi {
namespace {
std::mutex g_mutex;
std::shared_ptr<TextMetricsProvider>& Current() {
  static std::shared_ptr<TextMetricsProvider> current = std::make_shared<PangoMetrics>();
  return current;
}
}  // namespace

int FixedAdvanceMetrics::TextWidth(const LOGFONTW&, std::wstring_view line) {
  return advance_ * static_cast<int>(line.size());
}

TEXTMETRICW FixedAdvanceMetrics::Metrics(const LOGFONTW& font) {
  TEXTMETRICW tm;
  tm.tmHeight = height_ > 0 ? height_ : (font.lfHeight == 0 ? 13 : std::abs(font.lfHeight));
  tm.tmAscent = tm.tmHeight * 4 / 5;
  tm.tmDescent = tm.tmHeight - tm.tmAscent;
  tm.tmAveCharWidth = advance_;
  tm.tmMaxCharWidth = advance_;
  tm.tmWeight = font.lfWeight;
  tm.tmCharSet = font.lfCharSet;
  return tm;
}

std::shared_ptr<TextMetricsProvider> GetTextMetricsProvider() {
  std::lock_guard lock(g_mutex);
  return Current();
}

std::shared_ptr<TextMetricsProvider> SetTextMetricsProvider(std::shared_ptr<TextMetricsProvider> provider) {
  std::lock_guard lock(g_mutex);
  auto previous = Current();
  Current() = provider ? std::move(provider) : std::make_shared<PangoMetrics>();
  return previous;
}

}  // namespace gdi
