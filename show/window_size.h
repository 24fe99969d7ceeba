// The windowed player's sizes: choice 1..5 is a window of 50..90 % of the
// screen and 6 the whole screen. A window narrower than 480 pixels is never
// chosen, whether by key or from the size menu.
#pragma once

#include <cstdint>

namespace lantern::show {

inline constexpr int32_t kMinimumWindowWidth = 480;

// Whether size `index` (1..6) leaves the window at least 480 pixels wide.
inline bool WindowSizeFits(int32_t index, int32_t screen_width) {
  return static_cast<float>(index + 4) / 10 * static_cast<float>(screen_width) >=
         static_cast<float>(kMinimumWindowWidth);
}

}  // namespace lantern::show
