// What the lyric windows read of the song that plays: its lyric timeline
// (whose shown flags they set), its position and length, and whether it has
// lyrics at all. The music provides it; tests give a song of their own.
#pragma once

#include <optional>

#include "album/album_settings.h"
#include "media/lyrics.h"

namespace lantern::media {

class LyricSong {
 public:
  virtual ~LyricSong() = default;
  // The current song has a lyric file and a length that is not 0 s when rounded.
  virtual bool SongHasLyrics() = 0;
  // Seconds; nullopt when the player cannot say.
  virtual std::optional<double> SongPosition() = 0;
  virtual std::optional<double> SongDuration() = 0;
  virtual LyricTimeline& lyrics() = 0;
};

// The lyric font and layout box of the album as laid out now.
inline LyricFont LyricFontOf(const album::AlbumSettings& s) {
  return {s.fFontName[3], static_cast<float>(s.fFontSize[3]), s.fFontStyle[3],
          static_cast<float>(s.LyricPosW), static_cast<float>(s.LyricPosH)};
}

}  // namespace lantern::media
