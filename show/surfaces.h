// The surfaces of the player form that transitions and text effects draw
// with, all the size of the slide area.
#pragma once

#include "platform/surface.h"

namespace lantern::show {

struct Surfaces {
  const platform::Surface& PicDst;     // the visible slide
  const platform::Surface& PicSource;  // the next slide
  const platform::Surface& PicTmp;     // scratch (also the background the mask restores)
  const platform::Surface& P4;         // scratch
  const platform::Surface& P5;         // scratch
};

}  // namespace lantern::show
