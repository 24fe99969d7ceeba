// How long a slide stays and how its waits are spent: plain waits, or short
// waits with a music check in between while the show is fitted to the music.
#pragma once

#include <cstdint>

#include "album/album_settings.h"
#include "show/show_state.h"

namespace lantern::player {

// The slide cycle every photo without a duration of its own gets: the slide
// interval, and with synchronised music also the transition's and the
// headline's time, so that the show's length matches the songs.
int32_t DefaultSlideMs(const album::AlbumSettings& settings);

// The cycle of photo n (1-based): its own "SlideDuration" when it has one and
// the show is not fitted to the music; otherwise the default.
int32_t SlideCycleMs(const album::AlbumSettings& settings, int n, int32_t default_ms);

// The album has songs and their sound is on.
bool MusicPlays(const album::AlbumSettings& settings);

enum class SlideWait {
  kPlain,        // one wait
  kMusicChecks,  // 50 ms waits, checking for the end of the song after each
};

// While the music is still catching up with the slides (or the reverse) in a
// synchronised show, waits are spent checking the music; otherwise plainly.
SlideWait SlideWaitKind(const album::AlbumSettings& settings, const show::MusicProgress& music,
                        int32_t album_pass_count);

}  // namespace lantern::player
