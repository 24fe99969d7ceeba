// The length of a song from its bytes, read with libavformat (MP3, WMA, WAV
// and what else the libraries know), for playing a show's music at its real
// pace without a sound device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace lantern::albumpack {

// Seconds; nullopt when the libraries cannot read the bytes as a song.
std::optional<double> SongSeconds(std::span<const uint8_t> bytes);

}  // namespace lantern::albumpack
