// The headline step's part: a photo's headline drawn onto the slide after
// its transition with the effect its "HeadDynamicStyle" names.
#pragma once

#include <cstdint>

#include "album/album_settings.h"
#include "show/show_parts.h"
#include "texteffects/text_effects.h"

namespace lantern::texteffects {

// Photo n's headline: its text and box, in the headline working style (style
// 2) with the photo's own size, pattern, border, font style and colours. A
// colour is converted only when it is not 0; a 0 stays 0, fully transparent.
EffectText HeadlineText(const album::AlbumSettings& settings, int32_t n,
                        const imaging::DecodedImage* texture);

// Draws photo n's headline onto `surface` as every effect leaves it: the
// text drawn statically. False, drawing nothing, where the player shows no
// headline: headlines switched off, none for the photo, or an effect number
// outside 0-8.
bool DrawHeadlineAsShown(platform::TextRenderer& text, const platform::Surface& surface,
                         const album::AlbumSettings& settings, int32_t n,
                         const imaging::DecodedImage* texture);

class Headlines final : public show::ShowHeadlines {
 public:
  Headlines(TextEffects& effects, const album::AlbumSettings& settings)
      : effects_(effects), settings_(settings) {}

  // Draws photo n's headline (nothing for an effect number of 9 or more, or
  // a photo without a headline); `pick4` is SlideInText's edge.
  void Headline(show::ShowStage& stage, int32_t photo, int32_t pick4) override;
  void ReleaseEffectObjects() override { effects_.ReleaseEffectObjects(); }

 private:
  TextEffects& effects_;
  const album::AlbumSettings& settings_;
};

}  // namespace lantern::texteffects
