// albumpack lyrics FILE.lrc: the timeline of a lyric file as the player reads
// it, so album makers can check a file before they pack it.
#pragma once

#include <ostream>
#include <string>

#include "media/lyrics.h"
#include "platform/platform.h"

namespace lantern::albumpack {

// Prints every timed line (time in centiseconds, row, text), then the tags,
// the offset and the line count. `decode` reads files without a byte-order
// mark that are not UTF-8. 0 when the file was read, 1 when it could not be
// or is larger than the player reads (it would show no lyrics at all).
int Lyrics(const std::string& path, const media::CodePageDecoder& decode, std::ostream& out,
           std::ostream& err);

// Code page 936 (Simplified Chinese), the system code page the player is
// made for; bytes it cannot read become U+FFFD. For the native build, which
// has no system code page of its own.
std::string DecodeCodePage936(std::string_view bytes);

}  // namespace lantern::albumpack
