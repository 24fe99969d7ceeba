// The headline of a photo with its effect.
#include "texteffects/headlines.h"

#include "imaging/composition.h"

namespace lantern::texteffects {

namespace {

uint32_t HeadColour(int32_t colour, uint32_t alpha) {
  return colour != 0 ? imaging::ToArgb(colour, alpha) : 0;
}

bool HasHeadline(const album::AlbumSettings& s, int32_t n) {
  return n >= 1 && n <= s.ImgHeadline.size() && !s.ImgHeadline[n].empty() &&
         n <= s.HeadDynamicStyle.size() && n <= s.HeadBorderColor.size();
}

// Photo n's effect number (0-8) when it has a headline the player draws, else -1.
int32_t HeadlineEffect(const album::AlbumSettings& s, int32_t n) {
  if (!HasHeadline(s, n)) return -1;
  const int32_t number = s.HeadDynamicStyle[n];
  return number >= 0 && number < kEffectCount ? number : -1;
}

}  // namespace

EffectText HeadlineText(const album::AlbumSettings& s, int32_t n,
                        const imaging::DecodedImage* texture) {
  EffectText t;
  t.text = s.ImgHeadline[n];
  t.style = imaging::StyleOf(s, 2);
  t.style.font_size = static_cast<float>(s.HeadSize[n]);
  t.style.pattern = s.HeadPattern[n];
  t.style.border_width = static_cast<float>(s.HeadBorder[n]);
  t.style.font_style = s.HeadStyle[n];
  t.style.argb1 = HeadColour(s.HeadStartColor[n], 255);
  t.style.argb2 = HeadColour(s.HeadEndColor[n], 255);
  t.style.border_argb = HeadColour(s.HeadBorderColor[n], 170);
  t.left = static_cast<float>(s.HeadPosX[n]);
  t.top = static_cast<float>(s.HeadPosY[n]);
  t.width = static_cast<float>(s.HeadPosW[n]);
  t.height = static_cast<float>(s.HeadPosH[n]);
  t.texture = texture;
  return t;
}

void Headlines::Headline(show::ShowStage& stage, int32_t photo, int32_t pick4) {
  const int32_t number = HeadlineEffect(settings_, photo);
  if (number < 0) return;
  effects_.Run(number, stage.surfaces(), HeadlineText(settings_, photo, stage.texture()), pick4);
}

bool DrawHeadlineAsShown(platform::TextRenderer& text, const platform::Surface& surface,
                         const album::AlbumSettings& s, int32_t n,
                         const imaging::DecodedImage* texture) {
  if (!s.EnableHeadlineEffect || HeadlineEffect(s, n) < 0) return false;
  const EffectText t = HeadlineText(s, n, texture);
  imaging::DrawTextBox(text, surface, t.text, t.style, t.left, t.top, t.width, t.height, t.texture);
  return true;
}

}  // namespace lantern::texteffects
