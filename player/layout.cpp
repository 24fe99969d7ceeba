// Display size and layout rescaling.
#include "player/layout.h"

#include <algorithm>

#include "base/rounding.h"

namespace lantern::player {

namespace {

// A value times a single-precision ratio, to the nearest whole number.
int32_t Scaled(int32_t value, float ratio) {
  return base::Round32(static_cast<float>(value) * ratio);
}

void ScaleBy(int32_t& value, float ratio) {
  value = Scaled(value, ratio);
}

void RescalePhoto(album::AlbumSettings& s, int n, float rx, float ry, float r) {
  if (s.ImgDrawScale == 1) {
    if (s.ImgPosX[n] != 0) ScaleBy(s.ImgPosX[n], rx);
    if (s.ImgPosY[n] != 0) ScaleBy(s.ImgPosY[n], ry);
  }
  if (!s.ImgCaption[n].empty()) {
    ScaleBy(s.CapPosX[n], rx);
    ScaleBy(s.CapPosY[n], ry);
    ScaleBy(s.CapPosW[n], rx);
    ScaleBy(s.CapPosH[n], ry);
  }
  if (!s.ImgHeadline[n].empty()) {
    ScaleBy(s.HeadSize[n], r);
    ScaleBy(s.HeadBorder[n], r);
    // The headline box grows by a pixel on every side so that scaled text
    // does not touch its edges.
    s.HeadPosX[n] = base::Round32(static_cast<float>(s.HeadPosX[n]) * rx - 1);
    s.HeadPosY[n] = base::Round32(static_cast<float>(s.HeadPosY[n]) * ry - 1);
    s.HeadPosW[n] = base::Round32(static_cast<float>(s.HeadPosW[n]) * rx + 2);
    s.HeadPosH[n] = base::Round32(static_cast<float>(s.HeadPosH[n]) * ry + 2);
  }
}

}  // namespace

DisplaySize WindowedDisplaySize(int32_t screen_width, int32_t screen_height, float scale) {
  DisplaySize d{base::Round32(static_cast<float>(screen_width) * scale),
                base::Round32(static_cast<float>(screen_height) * scale)};
  d.width -= ((d.width % 4) + 4) % 4;
  d.height -= ((d.height % 2) + 2) % 2;
  return d;
}

bool RescaleLayout(album::AlbumSettings& s, DisplaySize display) {
  if (s.OrigScreenWidth <= 0 || s.OrigScreenHeight <= 0) return false;
  const float rx = static_cast<float>(display.width) / static_cast<float>(s.OrigScreenWidth);
  const float ry = static_cast<float>(display.height) / static_cast<float>(s.OrigScreenHeight);
  const auto near_one = [](float v) { return v >= 0.97f && v <= 1.03f; };
  if (near_one(rx) && near_one(ry)) return false;
  const float r = std::min(rx, ry);
  for (int32_t* x : {&s.LyricPosX, &s.LyricPosW, &s.TitlePosX, &s.TitlePosW})
    ScaleBy(*x, rx);
  for (int32_t* y : {&s.LyricPosY, &s.LyricPosH, &s.TitlePosY, &s.TitlePosH})
    ScaleBy(*y, ry);
  for (int k = 1; k <= album::kStyleCount; ++k) {
    ScaleBy(s.fFontSize[k], r);
    ScaleBy(s.fBorderWidth[k], r);
  }
  const int photos = std::min(s.NowI, s.ImgCaption.size());
  for (int n = 1; n <= photos; ++n)
    RescalePhoto(s, n, rx, ry, r);
  return true;
}

}  // namespace lantern::player
