// The dialogs' font choice and button colours.
#include "dialogs/skin.h"

#include <algorithm>
#include <optional>

#include "base/rounding.h"

namespace lantern::dialogs {

namespace {

constexpr int32_t kMinPoints = 8;
constexpr int32_t kMaxPoints = 11;
// The shading step between a button's face and its normal and pressed fills.
constexpr int32_t kFaceStep = 12;

// The value two of the three agree on, preferring the message font's; the
// message font's when all differ.
template <typename T>
T Majority(const T& menu, const T& message, const T& small_caption) {
  if (message == menu || message == small_caption) return message;
  if (menu == small_caption) return menu;
  return message;
}

uint32_t Channel(uint32_t colour, int shift) {
  return (colour >> shift) & 0xFF;
}

// Applies `f` to each channel of a 0x00BBGGRR colour; the result is 0xFFRRGGBB.
template <typename F>
uint32_t MapChannels(uint32_t bgr, F f) {
  const uint32_t r = f(Channel(bgr, 0));
  const uint32_t g = f(Channel(bgr, 8));
  const uint32_t b = f(Channel(bgr, 16));
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

}  // namespace

DialogFont ChooseDialogFont(const windows::StdFont& menu, const windows::StdFont& message,
                            const windows::StdFont& small_caption) {
  DialogFont font;
  font.name = Majority(menu.name, message.name, small_caption.name);
  const int32_t points = Majority(base::Round32(menu.size), base::Round32(message.size),
                                  base::Round32(small_caption.size));
  font.points = std::clamp(points, kMinPoints, kMaxPoints);
  return font;
}

DialogFont ReadDialogFont(platform::Fonts& fonts, int32_t pixels_per_inch) {
  windows::cNCMetrics metrics(fonts);
  if (!metrics.GetMetrics()) return {"Tahoma", 9};
  using Kind = windows::FontKind;
  const auto font = [&](Kind kind) {
    return metrics.Font(pixels_per_inch, static_cast<int32_t>(kind)).value_or(windows::StdFont{});
  };
  DialogFont chosen =
      ChooseDialogFont(font(Kind::kMenu), font(Kind::kMessage), font(Kind::kSmallCaption));
  if (chosen.name.empty()) chosen.name = "Tahoma";
  return chosen;
}

int32_t ButtonPadding(int32_t points) {
  return points <= 10 ? 4 : 6;
}

int32_t ButtonCorner(int32_t points) {
  return points <= 10 ? 4 : 5;
}

uint32_t OpaqueArgb(uint32_t bgr) {
  return MapChannels(bgr, [](uint32_t c) { return c; });
}

ButtonColours MakeButtonColours(uint32_t face, uint32_t shadow, uint32_t highlight,
                                uint32_t highlight_text) {
  ButtonColours c;
  c.normal_fill =
      MapChannels(face, [](uint32_t v) { return std::min<uint32_t>(v + kFaceStep, 255); });
  c.normal_border = OpaqueArgb(shadow);
  c.hover_fill = MapChannels(
      highlight, [](uint32_t v) { return static_cast<uint32_t>(base::Round32((v + 255) / 2.0)); });
  c.hot_border = OpaqueArgb(highlight);
  c.pressed_fill = MapChannels(face, [](uint32_t v) { return v > kFaceStep ? v - kFaceStep : 0; });
  c.pressed_text = 0xFF000000u | (0xFFFFFFu - (c.pressed_fill & 0xFFFFFFu));
  c.hover_text = OpaqueArgb(highlight_text);
  return c;
}

ButtonColours ReadButtonColours(platform::Desktop& desktop) {
  using C = platform::SystemColour;
  return MakeButtonColours(
      desktop.SystemColourOf(C::kButtonFace), desktop.SystemColourOf(C::kButtonShadow),
      desktop.SystemColourOf(C::kHighlight), desktop.SystemColourOf(C::kHighlightText));
}

}  // namespace lantern::dialogs
