// The dialogs' look: the one font every control takes (chosen from the
// system's interface fonts), the sizes derived from it, and the colours of
// the flat buttons, computed from the system's colour scheme.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "show/dialog_font.h"
#include "windows/nc_metrics.h"

namespace lantern::dialogs {

using show::DialogFont;
using show::PointsToPixels;

// The font of two of the system's menu, message and small-caption fonts when
// they agree (the message font's when it is one of the pair), else the
// message font's; the size by the same rule, kept to 8-11 points. Name and
// size are chosen apart, so they may come from different fonts.
DialogFont ChooseDialogFont(const windows::StdFont& menu, const windows::StdFont& message,
                            const windows::StdFont& small_caption);
// The same from the system's own metrics; a plain default when it cannot say.
DialogFont ReadDialogFont(platform::Fonts& fonts, int32_t pixels_per_inch);

// Inner spacing of a button face around its caption, and the size of its
// corner arcs: both grow a little with fonts above 10 points.
int32_t ButtonPadding(int32_t points);
int32_t ButtonCorner(int32_t points);

// The buttons' colours, 0xAARRGGBB (alpha 255).
struct ButtonColours {
  uint32_t normal_fill = 0;
  uint32_t normal_border = 0;
  uint32_t hover_fill = 0;
  uint32_t hot_border = 0;  // hover and pressed
  uint32_t pressed_fill = 0;
  uint32_t pressed_text = 0;  // the pressed fill's inverse
  uint32_t hover_text = 0;
};

// From the system colours given as 0x00BBGGRR: the button face, its shadow,
// the selection highlight and its text.
ButtonColours MakeButtonColours(uint32_t face, uint32_t shadow, uint32_t highlight,
                                uint32_t highlight_text);
ButtonColours ReadButtonColours(platform::Desktop& desktop);

// 0x00BBGGRR as 0xFFRRGGBB.
uint32_t OpaqueArgb(uint32_t bgr);

}  // namespace lantern::dialogs
