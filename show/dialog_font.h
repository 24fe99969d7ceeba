// The font the dialogs give every control, chosen from the system's interface
// fonts, and the size of a font in points as pixels on the screen. The player
// sizes its slide-number box from the same font.
#pragma once

#include <cstdint>
#include <string>

namespace lantern::show {

struct DialogFont {
  std::string name;
  int32_t points = 9;
};

// A size in points as the pixels of an em on a screen of this resolution
// (96 pixels per inch when the system does not say).
inline float PointsToPixels(double points, int32_t pixels_per_inch) {
  const int32_t ppi = pixels_per_inch > 0 ? pixels_per_inch : 96;
  return static_cast<float>(points * ppi / 72.0);
}

}  // namespace lantern::show
