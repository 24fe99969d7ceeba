// Decoded pictures, as imaging code names them (the type is shared with the
// platform's picture decoder).
#pragma once

#include "platform/decoded_image.h"

namespace lantern::imaging {
using platform::DecodedImage;
}  // namespace lantern::imaging
