// The pictures of the control bar's buttons and of the size menu, read from
// the album once when the bar is built and kept until it goes. An album
// without them gets drawn ones, so the bar is usable with any album; a
// picture the album has but that cannot be decoded leaves its place empty.
#pragma once

#include <array>

#include "album/items.h"
#include "platform/platform.h"
#include "windows/bar_layout.h"

namespace lantern::windows {

class BarImages {
 public:
  void Load(album::AlbumItems& items, platform::Platform& platform);
  void Clear();
  const platform::DecodedImage& button(BarImage image) const {
    return buttons_[static_cast<size_t>(image)];
  }
  const platform::DecodedImage& size_menu() const { return size_menu_; }

 private:
  std::array<platform::DecodedImage, kBarImageCount> buttons_;
  platform::DecodedImage size_menu_;
};

// The drawn stand-ins: a white symbol on a dark, half-transparent square
// (32 x 32), and the six size choices as "50%" .. "100%" (64 x 192).
platform::DecodedImage DefaultButtonImage(BarImage image);
platform::DecodedImage DefaultSizeMenuImage(platform::Platform& platform);

}  // namespace lantern::windows
