// Backgrounds, gradients and the mask.
#include "imaging/composition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

// Where along the gradient a surface's pixel lies: t = a + bx * x + by * y at
// the pixel's centre, 0..1, in 16.16 fixed point.
struct GradientLine {
  double a = 0, bx = 0, by = 0;
};

GradientLine LineOf(int32_t mode, double W, double H) {
  switch (mode) {
    case 0:
      return {0, 1 / W, 0};
    case 1:
      return {0, 0, 1 / H};
    case 2:
      return {0, 0.5 / W, 0.5 / H};
    default:
      return {0.5, -0.5 / W, 0.5 / H};
  }
}

struct GradientColours {
  int32_t from[3];
  int32_t span[3];
  GradientColours(uint32_t argb1, uint32_t argb2) {
    for (int c = 0; c < 3; ++c) {
      from[c] = static_cast<int32_t>((argb1 >> (8 * c)) & 0xFF);
      span[c] = static_cast<int32_t>((argb2 >> (8 * c)) & 0xFF) - from[c];
    }
  }
  // The colour at position u (0..65536).
  uint32_t At(int64_t u) const {
    uint32_t pixel = 0;
    for (int c = 0; c < 3; ++c)
      pixel |= static_cast<uint32_t>(from[c] + ((span[c] * u + 32768) >> 16)) << (8 * c);
    return pixel;
  }
};

int64_t RowStart(const GradientLine& line, int32_t y) {
  return std::llround((line.a + line.bx * 0.5 + line.by * (y + 0.5)) * 65536.0);
}

// How many pixels from the row's start stay within 0..65536 when t starts
// there and moves by `step` (t itself is inside).
int32_t InsideRun(int64_t t, int64_t step, int32_t n) {
  if (step == 0) return n;
  const int64_t room = step > 0 ? (65536 - t) / step : t / -step;
  return static_cast<int32_t>(std::min<int64_t>(n, room + 1));
}

// One row. Outside 0..65536 (rounding at the ends) t is clamped. Inside,
// span * t + 32768 grows by span * step per pixel, so each channel is an
// addition and a shift, in 32 bits (|span * t| < 2^24), and the loop
// vectorises.
void GradientRow(uint32_t* row, int32_t n, int64_t t, int64_t step, const GradientColours& g) {
  int32_t x = 0;
  for (; x < n && (t < 0 || t > 65536); ++x, t += step)
    row[x] = g.At(std::clamp<int64_t>(t, 0, 65536));
  const int32_t run = x < n ? InsideRun(t, step, n - x) : 0;
  int32_t acc[3], inc[3], from[3];
  for (int c = 0; c < 3; ++c) {
    acc[c] = static_cast<int32_t>(g.span[c] * t + 32768);
    inc[c] = static_cast<int32_t>(g.span[c] * step);
    from[c] = g.from[c];
  }
  uint32_t* out = row + x;
  for (int32_t i = 0; i < run; ++i) {
    out[i] = static_cast<uint32_t>(from[0] + ((acc[0] + i * inc[0]) >> 16)) |
             static_cast<uint32_t>(from[1] + ((acc[1] + i * inc[1]) >> 16)) << 8 |
             static_cast<uint32_t>(from[2] + ((acc[2] + i * inc[2]) >> 16)) << 16;
  }
  x += run;
  t += step * run;
  for (; x < n; ++x, t += step)
    row[x] = g.At(std::clamp<int64_t>(t, 0, 65536));
}

}  // namespace

namespace detail {

void FillGradientReference(const platform::Surface& surface, int32_t mode, uint32_t argb1,
                           uint32_t argb2) {
  if (mode < 0 || mode > 3 || !surface.valid()) return;
  const GradientLine line = LineOf(mode, surface.width, surface.height);
  const GradientColours g(argb1, argb2);
  const auto step = static_cast<int64_t>(std::llround(line.bx * 65536.0));
  for (int32_t y = 0; y < surface.height; ++y) {
    uint32_t* row = surface.Row(y);
    int64_t t = RowStart(line, y);
    for (int32_t x = 0; x < surface.width; ++x, t += step)
      row[x] = g.At(std::clamp<int64_t>(t, 0, 65536));
  }
}

}  // namespace detail

void FillGradient(const platform::Surface& surface, int32_t mode, uint32_t argb1, uint32_t argb2) {
  if (mode < 0 || mode > 3 || !surface.valid()) return;
  const GradientLine line = LineOf(mode, surface.width, surface.height);
  const GradientColours g(argb1, argb2);
  const auto step = static_cast<int64_t>(std::llround(line.bx * 65536.0));
  // A left-to-right gradient (a solid colour among them) has one row; a
  // top-to-bottom one a colour per row.
  const bool same_rows = line.by == 0;
  for (int32_t y = 0; y < surface.height; ++y) {
    uint32_t* row = surface.Row(y);
    if (same_rows && y > 0) {
      std::memcpy(row, surface.Row(0), static_cast<size_t>(surface.width) * 4);
    } else if (step == 0) {
      detail::FillRow(row, surface.width, g.At(std::clamp<int64_t>(RowStart(line, y), 0, 65536)));
    } else {
      GradientRow(row, surface.width, RowStart(line, y), step, g);
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

// The walk block by block, for a table too large for its slide, where the
// blocks of different entries overlap and the order in which they are put
// decides; the tests compare the row walk with it.
void detail::ApplyMaskBlocks(const MaskTable& mask, const platform::Surface& background,
                             const platform::Surface& slide, const AfterRow& after_row) {
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
    if (after_row && !after_row()) return;
  }
}

namespace {

// The opacities of the slide's rows for table row `values`: each entry
// covers two columns on the left and their mirror image on the right.
// 1-5 leave the photo, 250 and more show the background alone.
void MaskRowOpacity(const uint8_t* values, int32_t count, int32_t W, std::vector<uint8_t>& row) {
  std::fill(row.begin(), row.end(), 0);
  for (int32_t j = 1; j <= count; ++j) {
    const uint8_t v = values[j - 1];
    const uint8_t a = v <= 5 ? 0 : v >= 250 ? 255 : v;
    row[static_cast<size_t>(2 * j - 2)] = row[static_cast<size_t>(2 * j - 1)] = a;
    row[static_cast<size_t>(W - 2 * j)] = row[static_cast<size_t>(W - 2 * j + 1)] = a;
  }
}

}  // namespace

void ApplyMask(const MaskTable& mask, const platform::Surface& background,
               const platform::Surface& slide, const AfterRow& after_row) {
  if (background.width < slide.width || background.height < slide.height) return;
  const int32_t W = slide.width;
  const int32_t H = slide.height;
  if (int64_t{mask.width} * 4 > W || int64_t{mask.height} * 4 > H) {
    detail::ApplyMaskBlocks(mask, background, slide, after_row);
    return;
  }
  // A table of at most a quarter of the slide's size: the four blocks of
  // every entry lie apart from every other entry's, so each slide row takes
  // one pass with an opacity per pixel.
  std::vector<uint8_t> opacity(static_cast<size_t>(W));
  for (int32_t i = 1; i <= mask.height; ++i) {
    MaskRowOpacity(&mask.values[static_cast<size_t>(i - 1) * static_cast<size_t>(mask.width)],
                   mask.width, W, opacity);
    for (const int32_t y : {2 * i - 2, 2 * i - 1, H - 2 * i, H - 2 * i + 1})
      detail::BlendRowMasked(slide.Row(y), background.Row(y), opacity.data(), W);
    if (after_row && !after_row()) return;
  }
}

void DrawBackground(const platform::Surface& surface, const album::AlbumData& album,
                    AlbumPictures& pictures, const platform::DecodeCancelled& cancelled) {
  const album::AlbumSettings& s = album.settings;
  // A background picture need not cover the surface (another aspect, a
  // transparent picture, a missing one) and a gradient mode outside 0-3 draws
  // nothing, while the surface may still hold an old slide: start from black,
  // the colour of an empty picture box. A gradient or a colour covers it all.
  const bool covers =
      s.BackGroundSet != "3" &&
      (s.BackGroundSet != "2" || (s.BackgroundGradientMode >= 0 && s.BackgroundGradientMode <= 3));
  if (!covers) FillBlack(surface, 0, 0, surface.width, surface.height);
  if (s.BackGroundSet == "3") {
    pictures.DrawAlbumImage(surface, album, "BackGroundPicture", s.BackgroundDrawScale, cancelled);
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
  DrawBackground(background, album, tools.pictures, tools.cancelled);
  Copy(slide, 0, 0, slide.width, slide.height, background, 0, 0);
  const PhotoKey key{n, slide.width, slide.height, s.ImgDrawScale};
  if (tools.photo != nullptr && tools.photo->key == key) {
    tools.pictures.DrawReady(slide, *tools.photo);
  } else {
    tools.pictures.DrawAlbumPhoto(slide, album, n, s.ImgDrawScale, tools.cancelled);
  }
  if (s.CurrentMask >= 1) ApplyMask(tools.mask, background, slide, tools.after_row);
  if (s.EnableCaption && n >= 1 && n <= s.ImgCaption.size() && !s.ImgCaption[n].empty()) {
    DrawTextBox(tools.text, slide, s.ImgCaption[n], StyleOf(s, 1), static_cast<float>(s.CapPosX[n]),
                static_cast<float>(s.CapPosY[n]), static_cast<float>(s.CapPosW[n]),
                static_cast<float>(s.CapPosH[n]), tools.texture);
  }
}

}  // namespace lantern::imaging
