// The nine animated text effects: a line of text drawn onto the visible slide
// (a photo's headline, a title line) by fading, wiping, sliding, pulsing,
// stretching, growing, zooming, hopping or assembling it, always ending on the
// text as drawn statically. They draw only with the show's frame machinery
// and our raster operations; the text itself is the platform's renderer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/decoded_image.h"
#include "imaging/text_box.h"
#include "platform/platform.h"
#include "show/frame_run.h"
#include "show/surfaces.h"

namespace lantern::texteffects {

// The text an effect draws, its style and its box in pixels.
struct EffectText {
  std::string text;
  imaging::TextStyle style;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  const imaging::DecodedImage* texture = nullptr;  // the album's text texture (pattern 2)
};

inline constexpr int32_t kEffectCount = 9;  // numbers 0-8

// The effect's name ("FadeInText"), or an empty view for a number without one.
std::string_view EffectName(int32_t number);

// What the keyed effects hold while they run: the text cut out on black and
// the frame they compose it on.
struct EffectObjects {
  std::unique_ptr<platform::SurfaceBuffer> cutout;
  std::unique_ptr<platform::SurfaceBuffer> work;
  void Release() {
    cutout.reset();
    work.reset();
  }
  int64_t pixels() const {
    int64_t n = 0;
    for (const auto* held : {&cutout, &work}) {
      if (*held) n += int64_t{(*held)->surface().width} * (*held)->surface().height;
    }
    return n;
  }
};

class TextEffects {
 public:
  TextEffects(show::FrameContext context, platform::TextRenderer& text)
      : context_(std::move(context)), text_(text) {}

  // Effect `number` (0-8) draws the text onto PicDst, which holds the picture
  // without it; any other number draws nothing. `direction` (0-3) is the edge
  // SlideInText comes from. However an interruption flag ends the animation,
  // PicDst is left showing the text as drawn statically.
  void Run(int32_t number, const show::Surfaces& surfaces, const EffectText& text,
           int32_t direction);
  // Frees what an effect holds. Called while an effect runs (from a handler
  // inside one of its waits), it leaves them to the effect, which frees them
  // when it ends.
  void ReleaseEffectObjects();
  bool holds_objects() const { return objects_.cutout != nullptr || objects_.work != nullptr; }
  // The pixels of the pictures an effect holds while it runs.
  int64_t held_pixels() const { return objects_.pixels(); }

  show::FrameContext& context() { return context_; }
  platform::TextRenderer& text() { return text_; }

 private:
  show::FrameContext context_;
  platform::TextRenderer& text_;
  EffectObjects objects_;
  bool running_ = false;
};

}  // namespace lantern::texteffects
