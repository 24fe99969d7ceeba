// One text effect while it runs: the frame run it draws with, its text box in
// whole pixels, and the steps the effects share: drawing the text, timing
// that drawing, the cut-out of the text on black, composing a frame with the
// cut-out drawn scaled through its black colour key, and the final look.
#pragma once

#include <cstdint>

#include "show/frame_run.h"
#include "texteffects/text_effects.h"

namespace lantern::texteffects {

class EffectRun {
 public:
  EffectRun(show::FrameRun& run, platform::TextRenderer& renderer, const EffectText& text,
            EffectObjects& objects);

  show::FrameRun& run;
  // The text box rounded to whole pixels: x0, y0, tw, th.
  const int32_t x0, y0, tw, th;
  const EffectText& text;

  // The box is empty, or so large that its working pictures cannot be held.
  bool Unusable() const;
  // DrawTextBox onto a surface.
  void DrawText(const platform::Surface& surface) const;
  // TextDrawTime: the time since the clock's start (0 when above `limit`);
  // the clock then starts again.
  int32_t TextDrawTime(int32_t limit);

  // The common preparation of the keyed effects: the background (P4) and the
  // final look (PicSource) from PicDst, the text on black (PicTmp) and its
  // cut-out of cw x ch from (x0, y0).
  void PrepareCutout(int32_t cw, int32_t ch);
  const platform::Surface& cutout() const { return objects_.cutout->surface(); }
  // A black surface of w x h held with the effect's objects.
  const platform::Surface& Work(int32_t w, int32_t h);

  // One frame: the canvas (PicTmp) gets the background back where the last
  // frame drew, the picture's (sx, sy, sw, sh) keyed and scaled into (x, y, w,
  // h), and PicDst gets what changed.
  void ComposeKeyed(int32_t x, int32_t y, int32_t w, int32_t h, const platform::Surface& picture,
                    int32_t sx, int32_t sy, int32_t sw, int32_t sh);
  // The cut-out drawn with factors fx, fy: about the box's centre, or at
  // `top` when given.
  void DrawScaled(double fx, double fy);
  void DrawScaledAt(double fx, double fy, int32_t top);
  // The final look onto PicDst.
  void ShowFinalLook();

 private:
  platform::TextRenderer& renderer_;
  EffectObjects& objects_;
  platform::Rect last_{};  // where the last frame drew on the canvas
};

}  // namespace lantern::texteffects
