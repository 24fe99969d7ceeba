// Backgrounds, gradients and the mask.
#include "imaging/composition.h"

#include <algorithm>
#include <cmath>

#include "imaging/raster.h"
#include "imaging/raster_internal.h"
#include "imaging/resample.h"
#include "imaging/text_box.h"

namespace lantern::imaging {

uint32_t ToArgb(int32_t colour, uint32_t alpha) {
  const auto c = static_cast<uint32_t>(colour);
  const uint32_t red = c & 0xFF;
  const uint32_t green = (c >> 8) & 0xFF;
  const uint32_t blue = (c >> 16) & 0xFF;
  return alpha << 24 | red << 16 | green << 8 | blue;
}

void FillGradient(const platform::Surface& surface, int32_t mode, uint32_t argb1, uint32_t argb2) {
  if (mode < 0 || mode > 3 || !surface.valid()) return;
  // Over the whole surface the position t along the gradient is a + bx * x + by * y
  // (pixel centres), always within 0..1, so each row is one incremental pass
  // in 16.16 fixed point.
  const double W = surface.width;
  const double H = surface.height;
  double bx = 0, by = 0, a = 0;
  switch (mode) {
    case 0:
      bx = 1 / W;
      break;
    case 1:
      by = 1 / H;
      break;
    case 2:
      bx = 0.5 / W, by = 0.5 / H;
      break;
    case 3:
      a = 0.5, bx = -0.5 / W, by = 0.5 / H;
      break;
  }
  int32_t from[3];
  int32_t span[3];
  for (int c = 0; c < 3; ++c) {
    from[c] = static_cast<int32_t>((argb1 >> (8 * c)) & 0xFF);
    span[c] = static_cast<int32_t>((argb2 >> (8 * c)) & 0xFF) - from[c];
  }
  const auto step = static_cast<int64_t>(std::llround(bx * 65536.0));
  for (int32_t y = 0; y < surface.height; ++y) {
    uint32_t* row = surface.Row(y);
    int64_t t = std::llround((a + bx * 0.5 + by * (y + 0.5)) * 65536.0);
    for (int32_t x = 0; x < surface.width; ++x, t += step) {
      const int64_t u = std::clamp<int64_t>(t, 0, 65536);
      uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        pixel |= static_cast<uint32_t>(from[c] + ((span[c] * u + 32768) >> 16)) << (8 * c);
      }
      row[x] = pixel;
    }
  }
}

MaskTable BuildMaskTable(const DecodedImage* mask_picture, int32_t slide_w, int32_t slide_h) {
  MaskTable table;
  table.width = std::max(slide_w / 4, 0);
  table.height = std::max(slide_h / 4, 0);
  table.values.assign(static_cast<size_t>(table.width) * static_cast<size_t>(table.height), 0);
  if (mask_picture == nullptr || mask_picture->empty() || table.values.empty()) return table;
  DecodedImage drawn;
  drawn.Resize(table.width, table.height);
  ResampleScratch scratch;
  DrawPicture(drawn.view(), {0, 0, table.width + 2, table.height + 2}, *mask_picture, scratch);
  for (size_t k = 0; k < table.values.size(); ++k) {
    const uint32_t red = (drawn.pixels[k] >> 16) & 0xFF;
    if (red < 250) table.values[k] = static_cast<uint8_t>(255 - red);
  }
  return table;
}

namespace {

// One 2 x 2 block of the background put over the slide with opacity v (250
// and more: the background alone), clipped to the slide.
using detail::BlendRow;
using detail::CopyRow;

inline void MaskBlock(const platform::Surface& background, const platform::Surface& slide,
                      int32_t x, int32_t y, uint8_t v) {
  const platform::Rect r = platform::Intersect({x, y, x + 2, y + 2}, slide.bounds());
  for (int32_t row = r.top; row < r.bottom; ++row) {
    uint32_t* d = slide.Row(row) + r.left;
    const uint32_t* s = background.Row(row) + r.left;
    if (v >= 250) {
      CopyRow(d, s, r.width());
    } else {
      BlendRow(d, s, r.width(), v);
    }
  }
}

}  // namespace

void ApplyMask(const MaskTable& mask, const platform::Surface& background,
               const platform::Surface& slide, const std::function<void()>& after_row) {
  if (background.width < slide.width || background.height < slide.height) return;
  const int32_t W = slide.width;
  const int32_t H = slide.height;
  for (int32_t i = 1; i <= mask.height; ++i) {
    const uint8_t* values =
        &mask.values[static_cast<size_t>(i - 1) * static_cast<size_t>(mask.width)];
    for (int32_t j = 1; j <= mask.width; ++j) {
      const uint8_t v = values[j - 1];
      if (v <= 5) continue;
      const int32_t x1 = 2 * j - 2;
      const int32_t x2 = W - 2 * j;
      const int32_t y1 = 2 * i - 2;
      const int32_t y2 = H - 2 * i;
      MaskBlock(background, slide, x1, y2, v);
      MaskBlock(background, slide, x2, y1, v);
      MaskBlock(background, slide, x1, y1, v);
      MaskBlock(background, slide, x2, y2, v);
    }
    if (after_row) after_row();
  }
}

void DrawBackground(const platform::Surface& surface, const album::AlbumData& album,
                    AlbumPictures& pictures) {
  const album::AlbumSettings& s = album.settings;
  // A background picture need not cover the surface (another aspect, a
  // transparent picture, a missing one) and a gradient mode outside 0-3 draws
  // nothing, while the surface may still hold an old slide: start from black,
  // the colour of an empty picture box.
  FillBlack(surface, 0, 0, surface.width, surface.height);
  if (s.BackGroundSet == "3") {
    pictures.DrawAlbumImage(surface, album, "BackGroundPicture", s.BackgroundDrawScale);
  } else if (s.BackGroundSet == "2") {
    FillGradient(surface, s.BackgroundGradientMode, ToArgb(s.BeginColor, 255),
                 ToArgb(s.EndColor, 255));
  } else {
    const uint32_t c = ToArgb(s.SolidColor, 255);
    FillGradient(surface, 0, c, c);
  }
}

TextStyle StyleOf(const album::AlbumSettings& s, int k) {
  TextStyle style;
  style.font_name = s.fFontName[k];
  style.font_size = static_cast<float>(s.fFontSize[k]);
  style.font_style = s.fFontStyle[k];
  style.align = s.fFontAlign[k];
  style.border_width = static_cast<float>(s.fBorderWidth[k]);
  style.pattern = s.fFontPattern[k];
  style.argb1 = ToArgb(s.FontStartColor[k], 255);
  style.argb2 = ToArgb(s.FontEndColor[k], 255);
  style.border_argb = ToArgb(s.BorderColor[k], 170);
  return style;
}

void PrepareSlide(int n, const platform::Surface& slide, const platform::Surface& background,
                  const album::AlbumData& album, const SlideTools& tools) {
  const album::AlbumSettings& s = album.settings;
  DrawBackground(background, album, tools.pictures);
  Copy(slide, 0, 0, slide.width, slide.height, background, 0, 0);
  const PhotoKey key{n, slide.width, slide.height, s.ImgDrawScale};
  if (tools.photo != nullptr && tools.photo->key == key) {
    tools.pictures.DrawReady(slide, *tools.photo);
  } else {
    tools.pictures.DrawAlbumPhoto(slide, album, n, s.ImgDrawScale);
  }
  if (s.CurrentMask >= 1) ApplyMask(tools.mask, background, slide, tools.after_row);
  if (s.EnableCaption && n >= 1 && n <= s.ImgCaption.size() && !s.ImgCaption[n].empty()) {
    DrawTextBox(tools.text, slide, s.ImgCaption[n], StyleOf(s, 1), static_cast<float>(s.CapPosX[n]),
                static_cast<float>(s.CapPosY[n]), static_cast<float>(s.CapPosW[n]),
                static_cast<float>(s.CapPosH[n]), tools.texture);
  }
}

}  // namespace lantern::imaging
