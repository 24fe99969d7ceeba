// The TGA and PCX decoders: the two picture formats the platform imaging library
// does not read, decoded here into 32-bit pixels, and the alpha composite that
// lays a 32-bit TGA picture over what the slide already shows.
//
// Decoders return false and leave `out` empty when they decode nothing (a
// header that is short, an unsupported depth or layout, an empty size, a
// size beyond 4 megapixels that the data behind the header could not fill,
// or one beyond platform::kMaxPicturePixels), or when `cancelled`, asked
// before each row, says to stop.
// A file that is merely cut short decodes what it holds; the rest of the
// picture is black (0xFF000000). Nothing is read outside the given bytes.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/decoded_image.h"
#include "platform/surface.h"

namespace lantern::imaging {

// A TGA picture file of depth 8 (colour-mapped, or grey without a colour map),
// 16 (5-5-5), 24 or 32 bits, raw (types 1-3) or run-length encoded (types 9-11).
// The size is width - X origin by height - Y origin, as the player always took
// it, except that an origin equal to its side (a bottom-left picture's Y
// origin as many writers set it) leaves the whole side. The colour map's first
// index, the ID field and both orientation bits are honoured. 32-bit pictures
// keep their alpha when the descriptor declares alpha bits and are opaque
// otherwise; has_alpha tells whether any pixel is not opaque (blend them with
// BlendOverBackground before drawing).
bool DecodeTga(std::span<const uint8_t> file, DecodedImage& out,
               const platform::DecodeCancelled& cancelled = {});

// A TGA picture packed in an album. The player takes these as 32-bit pictures
// whatever the header says; a header that names another depth is decoded as
// that depth instead (see the definition).
bool DecodeTgaItem(std::span<const uint8_t> bytes, DecodedImage& out,
                   const platform::DecodeCancelled& cancelled = {});

// A PCX picture file: 1 bit black and white, 4 bits with the header's 16
// colours, 8 bits with the 256-colour table at the end of the file (or grey
// when the file has none), and 24-bit colour in three 8-bit planes.
bool DecodePcx(std::span<const uint8_t> file, DecodedImage& out,
               const platform::DecodeCancelled& cancelled = {});

// Lays `picture` over `background`, a surface of the same size holding the part
// of the slide the picture will cover: alpha 255 keeps the picture, alpha 0
// shows the background, anything between mixes the two as the player always
// did, ((255 - a) * background + a * picture + 255) / 256 per channel. The
// picture becomes opaque.
void BlendOverBackground(DecodedImage& picture, const platform::Surface& background);

}  // namespace lantern::imaging
