// Whether the player can use an item of a packed album: `build` warns with
// the reason before it writes the album (and leaves out such a photo),
// `check` reports the same afterwards.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "tools/albumpack/album_content.h"

namespace lantern::albumpack {

// Why the player cannot use the item, or empty when it can: the item is
// empty, its bytes are not a file of its type word, it is a picture of a type
// the player does not draw for that item, a JPEG whose headers show it cut
// short or damaged, or a lyric file larger than the player reads.
// `whole_file` says the bytes are the whole item, not only its start.
std::string ItemProblem(std::string_view item_name, std::string_view type_word,
                        std::span<const uint8_t> bytes, bool whole_file);
// The same for an item of album content, from its bytes or the start of its file.
std::string ItemProblem(const Item& item);

// Why the player would draw nothing for a picture item whose bytes pass
// ItemProblem, or empty when it decodes: the bytes are decoded as the player
// decodes that item, `decoder` standing for the system's picture decoder.
std::string DecodeProblem(std::string_view item_name, std::string_view type_word,
                          std::span<const uint8_t> bytes, platform::PictureDecoder& decoder);
// The same for an item of album content, its file read whole.
std::string DecodeProblem(const Item& item, platform::PictureDecoder& decoder);

}  // namespace lantern::albumpack
