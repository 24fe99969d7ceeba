// The state the run loop, input handlers, music and lyrics exchange while the
// show runs. Handlers run in the middle of a wait and talk back to the waiting
// code only through these flags.
#pragma once

#include <cstdint>

namespace lantern::show {

struct ShowState {
  // The four abort flags: any of them ends a wait, a transition or a text effect early.
  bool ShowStopping = false;  // set only when the show is being stopped
  bool NextRequested = false;
  bool PreviousRequested = false;
  bool ShowPaused = false;

  bool GoToRequested = false;  // jump to GoToSlideNumber (1-based)
  int32_t GoToSlideNumber = 0;
  bool RelayoutPending = false;  // the window size changed; Timer3 redraws
  int32_t WindowSizeIndex = 0;   // requested size: 1..5 for 50..90 %, 6 for full screen
  bool TextEffectRunning = false;
  int32_t DisplayedSlideNumber = 0;  // -1 during opening and ending, 0 at pass start
  bool SleepOnExit = false;          // the power plan's idle limit was reached
  bool ControlBarReady = false;
  bool LyricsReady = false;
  bool LyricsRebuilding = false;  // the player is being laid out again: the lyric timer waits

  bool AnyAbort() const { return ShowStopping || NextRequested || PreviousRequested || ShowPaused; }
};

// Where the music stands, as the slide timing reads it.
struct MusicProgress {
  bool MusicStarted = false;
  bool MusicBusy = false;
  bool PassComplete = false;  // the playlist has played through in this pass
  int32_t PassCount = 0;      // playlist passes in the current synchronised cycle
  int32_t SyncAlbumPasses = 0;
  int32_t SyncMusicPasses = 0;
};

}  // namespace lantern::show
