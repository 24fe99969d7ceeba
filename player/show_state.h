// The state the run loop, input handlers, music and lyrics exchange while the
// show runs. Handlers run in the middle of a wait and talk back to the waiting
// code only through these flags.
#pragma once

namespace lantern::player {

struct ShowState {
  // The four abort flags: any of them ends a wait, a transition or a text effect early.
  bool ShowStopping = false;  // set only when the show is being stopped
  bool NextRequested = false;
  bool PreviousRequested = false;
  bool ShowPaused = false;

  bool AnyAbort() const { return ShowStopping || NextRequested || PreviousRequested || ShowPaused; }
};

}  // namespace lantern::player
