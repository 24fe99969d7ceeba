// Non-client metrics and the user-interface fonts as font descriptions.
#include "windows/nc_metrics.h"

#include <cmath>

namespace lantern::windows {

namespace {

// What a device reports when it cannot say: the system's standard resolution.
constexpr int32_t kStandardPixelsPerInch = 96;

}  // namespace

StdFont FontOf(const platform::LogicalFont& font, int32_t pixels_per_inch) {
  const int32_t ppi = pixels_per_inch > 0 ? pixels_per_inch : kStandardPixelsPerInch;
  StdFont out;
  out.name = font.face_name.substr(0, font.face_name.find('\0'));
  out.size = font.height > 0 ? static_cast<double>(font.height)
                             : std::fabs(72.0 / ppi * static_cast<double>(font.height));
  out.char_set = font.char_set;
  out.italic = font.italic;
  out.underline = font.underline;
  out.strikethrough = font.strike_out;
  out.bold = font.weight > 400;
  return out;
}

bool cNCMetrics::GetMetrics() {
  const std::optional<platform::NonClientMetrics> metrics = fonts_.ReadNonClientMetrics();
  if (!metrics) return false;
  m_ = *metrics;
  read_ = true;
  return true;
}

std::optional<StdFont> cNCMetrics::Font(int32_t pixels_per_inch, int32_t kind) const {
  if (!read_) return std::nullopt;
  const platform::LogicalFont* font = nullptr;
  switch (static_cast<FontKind>(kind)) {
    case FontKind::kIconTitle:
      font = &m_.icon_title_font;
      break;
    case FontKind::kCaption:
      font = &m_.caption_font;
      break;
    case FontKind::kSmallCaption:
      font = &m_.sm_caption_font;
      break;
    case FontKind::kMenu:
      font = &m_.menu_font;
      break;
    case FontKind::kStatus:
      font = &m_.status_font;
      break;
    case FontKind::kMessage:
      font = &m_.message_font;
      break;
  }
  if (font == nullptr) return std::nullopt;
  return FontOf(*font, pixels_per_inch);
}

}  // namespace lantern::windows
