// Plays an album's show in screen-saver mode on the test backend's virtual
// clock, with real pictures and text, and hands on the screen as it is at
// every frame time k / fps: the player form and every part of the show run
// unchanged, only faster than real time and always the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/platform.h"

namespace lantern::albumpack {

struct CaptureOptions {
  int32_t width = 1920;
  int32_t height = 1080;
  int32_t fps = 30;
  // The time of day the show starts at (seconds after midnight, taken modulo
  // a day) and the generator's first state: every random choice of the show
  // follows from it.
  uint32_t seed = 0;
  // Only slides first_slide to last_slide (from 1, in the order shown; 0:
  // from the show's start, to its end): the video begins as the first one
  // begins and ends as the one after the last begins (or the ending).
  int64_t first_slide = 0;
  int64_t last_slide = 0;
  // A show that has not ended by then (an album without photos, opening or
  // ending) is cut there.
  int64_t longest_ms = 6 * 3600 * 1000;
  // The length of a song from its file's bytes; nullopt when it does not
  // play. Unset: no song plays.
  std::function<std::optional<double>(std::span<const uint8_t> song)> song_seconds;
};

// Frame `index` (from 0) as the screen shows it: BGRX pixels of the screen's
// size. False stops the show.
using FrameSink = std::function<bool(int64_t index, const platform::Surface& frame)>;

struct CaptureResult {
  int64_t frames = 0;
  int64_t length_ms = 0;  // the show's length: the end of its ending
  bool stopped = false;   // the sink asked to stop
};

// The album's settings and items come from `album`; the fonts it packs are
// expected to be known to `text` already.
CaptureResult CaptureShow(platform::Resources& album, platform::PictureDecoder& pictures,
                          platform::TextRenderer& text, const CaptureOptions& options,
                          const FrameSink& sink);

}  // namespace lantern::albumpack
