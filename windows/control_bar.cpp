// The control bar's layer.
#include "windows/control_bar.h"

#include <algorithm>

#include "windows/bar_paint.h"

namespace lantern::windows {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr char kCounterFont[] = "Arial";

void DrawCounter(const platform::Surface& layer, const platform::Surface& scratch,
                 platform::TextRenderer& text, const BarState& state) {
  const std::optional<std::string> counter = CounterText(state);
  if (!counter) return;
  for (int32_t y = 0; y < kBarHeight; ++y)
    std::fill(scratch.Row(y), scratch.Row(y) + kBarWidth, 0xFF000000u);
  platform::TextBox box;
  box.text = *counter;
  box.font_name = kCounterFont;
  box.font_size = CounterFontSize(state.photos);
  box.align = 4;  // centred both ways in (0, 1, 96, 32)
  box.top = 1;
  box.width = kCounterWidth;
  box.height = kBarHeight - 1;
  box.fill.kind = platform::TextFill::Kind::kSolid;
  box.fill.argb1 = 0xFFFFFFFF;
  text.DrawTextBox(scratch, box);
  DrawCoverageOver(layer, scratch, kWhite);
}

}  // namespace

HighlightColours SystemHighlight(platform::Desktop& desktop) {
  return {desktop.SystemColourOf(platform::SystemColour::kHighlight),
          desktop.SystemColourOf(platform::SystemColour::kActiveCaption)};
}

void DrawControlBar(const platform::Surface& layer, const platform::Surface& scratch,
                    platform::TextRenderer& text, const BarState& state, const BarImages& images,
                    const HighlightColours& colours) {
  ClearLayer(layer);
  if (HighlightShown(state)) {
    const platform::Rect area = BarLabelRect(state.hover);
    FillGradient(layer, area, colours.from, colours.to, /*vertical=*/true);
    FrameRect(layer, area, kWhite);
  }
  for (int button = 1; button <= kButtonCount; ++button)
    DrawImageOver(layer, images.button(ButtonImage(button, state)), BarLabelRect(button));
  DrawCounter(layer, scratch, text, state);
}

}  // namespace lantern::windows
