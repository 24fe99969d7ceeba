// The native picture decoder on arbitrary bytes (JPEG, PNG, GIF, TIFF, BMP by
// their signatures): nothing is read outside the input, a decoded picture is
// whole and consistent with its has_alpha flag, a refused one is empty, a
// smaller decode covers the size it asked for, and a decode cancelled at
// some band fails cleanly.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/picture_check.h"
#include "platform/native/native_pictures.h"

using lantern::fuzz::CheckPicture;
using lantern::platform::DecodedImage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  static lantern::platform::native::NativePictureDecoder decoder;
  // One picture reused from input to input, as the player reuses it.
  static DecodedImage whole;
  static DecodedImage smaller;
  CheckPicture(decoder.DecodeBytes(bytes, whole), whole);

  // A third of the width and a fifth of the height, stopped at the band the
  // input's last byte names (0: never).
  const int stop_at = size > 0 ? data[size - 1] % 8 : 0;
  int asked = 0;
  int32_t least_w = 0;
  int32_t least_h = 0;
  const bool decoded = decoder.DecodeBytesAtLeast(
      bytes,
      [&](int32_t w, int32_t h) {
        least_w = w / 3;
        least_h = h / 5;
        return std::pair{least_w, least_h};
      },
      [&] { return ++asked == stop_at; }, smaller);
  CheckPicture(decoded, smaller);
  if (decoded && (smaller.width < least_w || smaller.height < least_h)) std::abort();
  return 0;
}
