// The system's picture decoder as the builder's tests and benchmarks need it
// when their pictures are stand-ins with no real picture data (or no picture
// at all): whatever it is given is "decoded" into one grey pixel, as if the
// system's decoder coped with every file. The builder's decode checks then
// pass every picture the player reads by type, so that what a test looks at
// is the rest of the builder.
#pragma once

#include <span>
#include <string>

#include "platform/platform.h"

namespace lantern::testing {

class StandInDecoder final : public platform::PictureDecoder {
 public:
  bool DecodeBytes(std::span<const uint8_t>, platform::DecodedImage& out) override {
    out.Resize(1, 1);
    out.pixels[0] = 0xFF808080u;
    out.has_alpha = false;
    return true;
  }
  bool DecodeFile(const std::string&, platform::DecodedImage&) override { return false; }
};

// One for every test of a program.
inline StandInDecoder& StandInPictures() {
  static StandInDecoder decoder;
  return decoder;
}

}  // namespace lantern::testing
