// What the player form calls on the other parts of the show: the music, the
// transitions, and slots for the headline effects, the opening and ending,
// the lyric windows, the control bar and the cover windows. Each part is an
// interface the player form sees through ShowParts; a slot left empty means
// the show goes on without that part.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "album/picture_source.h"
#include "imaging/album_pictures.h"
#include "imaging/decoded_image.h"
#include "platform/platform.h"
#include "show/key_sink.h"
#include "show/surfaces.h"

namespace lantern::show {

// The music as the show drives it.
class ShowMusic {
 public:
  virtual ~ShowMusic() = default;
  // Creates the first, empty media player before the first slide.
  virtual void OpenMusic() = 0;
  virtual void StartMusic() = 0;
  virtual void ContinueMusic() = 0;
  virtual void AdvanceSongIfEnded() = 0;
  virtual int32_t SongRemainingMs() = 0;
  virtual void StopMusic() = 0;
  virtual void SkipSong() = 0;
  // The music's own pause: the song stops where it is, the album's sound is
  // off and the lyric windows are parked off the screen.
  virtual void PauseMusic() = 0;
  // The slideshow's pause: the song holds and the sound is off, but the
  // lyric windows keep the line they show.
  virtual void HoldMusic() = 0;
  virtual void ResumeMusic() = 0;  // runs it again; the sound is on
  virtual void ChangeVolumeBy(int32_t percent) = 0;
  // The slides are no longer fitted to the songs (a user stepped, paused or
  // skipped). The music is the one writer of EnableSync once the show runs.
  virtual void EndSynchronisation() = 0;
  // The song's media control and audio interfaces exist.
  virtual bool HasMediaControl() = 0;
  virtual bool HasAudio() = 0;
};

// The slide transitions by number.
class ShowTransitions {
 public:
  virtual ~ShowTransitions() = default;
  // Transition `number` from PicDst (the old slide) to PicSource (the new),
  // with the slide's two random picks (0-1 and 0-3). A number without a
  // routine draws nothing.
  virtual void Run(int32_t number, const Surfaces& surfaces, int32_t pick2, int32_t pick4) = 0;
  // The routine of `number` reads the old slide from PicDst's kept picture,
  // so the slide before it must leave that picture readable.
  virtual bool KeepsOldSlide(int32_t number) const = 0;
};

// What the player form lends the parts that draw on its slide between
// transitions: the headlines and the opening and ending.
class ShowStage {
 public:
  virtual ~ShowStage() = default;
  // The form's surfaces as they are now: a re-layout between two steps makes
  // new ones, so a part asks again in every step.
  virtual Surfaces surfaces() const = 0;
  // The album's text texture (text fill pattern 2), or none.
  virtual const imaging::DecodedImage* texture() const = 0;
  // One step of the show: tried once more after a failure, then skipped; a
  // re-layout waits until it is over.
  virtual void RunStep(const std::function<void()>& step) = 0;
  // The album background with the named album picture shrunk to fit and
  // centred, on PicDst and on the screen.
  virtual void DrawPicture(const std::string& item) = 0;
  // The album background on the cover windows of the other monitors.
  virtual void ShowBackgroundOnCovers() = 0;
  // An opening or ending begins (the slide number is already -1): the
  // player's windows follow, lyrics synchronised to the album start afresh.
  virtual void BeginSequence() = 0;
};

// The opening picture before a pass and the ending picture after one, each
// with its title. They run their drawing as steps of the stage and wait
// between them.
class ShowOpeningEnding {
 public:
  virtual ~ShowOpeningEnding() = default;
  virtual void Opening(ShowStage& stage) = 0;
  virtual void Ending(ShowStage& stage) = 0;
  // After a re-layout: while the opening or ending shows, draws its picture
  // and title line again on the new surfaces and returns true.
  virtual bool RelayoutRedraw(ShowStage& stage) = 0;
};

// The animated headline of a photo, drawn on PicDst after its transition.
class ShowHeadlines {
 public:
  virtual ~ShowHeadlines() = default;
  // Photo n's headline with its effect; `pick4` is the slide's four-way pick.
  virtual void Headline(ShowStage& stage, int32_t photo, int32_t pick4) = 0;
  // Releases what a running effect holds; called only at a safe point.
  virtual void ReleaseEffectObjects() = 0;
};

// Where the lyric windows float: the display area's top-left corner on the
// screen and its size in pixels, and the player's window they stay above.
// With desktop composition on they float above every window; with it off
// they are owned by the player's window and stay with it.
struct LyricArea {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  platform::WindowId owner = 0;
  bool floating = true;
};

// The floating lyric windows.
class ShowLyricWindows {
 public:
  virtual ~ShowLyricWindows() = default;
  // Builds the style's windows for the area (again, when they exist), their
  // keys going to `keys`; sets LyricsReady when they work.
  virtual void CreateLyricWindows(const LyricArea& area, KeySink& keys) = 0;
  virtual void DestroyLyricWindows() = 0;
  // The player moved: lines are placed relative to its new position, and the
  // lyric timer runs again while a song is loaded.
  virtual void FollowWindow(const LyricArea& area) = 0;
  // Parks the windows far off the screen (the music paused); the next line
  // pushed puts them back.
  virtual void HideLyricWindows() = 0;
  // Empties the windows and parks them off the screen, the lyric timer off
  // until the next song starts (a song ended, or an opening or ending begins).
  virtual void ClearLyricWindows() = 0;
  // Shows the style's windows without activation, or hides them (the player
  // was minimised or lost activation, or is being dragged).
  virtual void SetLyricWindowsShown(bool shown) = 0;
  // Puts the windows back on top while a song with lyrics plays.
  virtual void RaiseLyricWindows() = 0;
};

// What the control bar and the size menu ask of the player form. Their
// buttons press the player's keys, so a button and its key act alike.
class ControlBarHost : public KeySink {
 public:
  virtual platform::WindowId PlayerWindow() const = 0;
  // The size menu's choice `index` (1..6): a window of (index + 4) x 10 % of the screen.
  virtual void RequestWindowSize(int32_t index) = 0;
  virtual void HideNumberBox() = 0;
  // The keyboard goes back to the player after a click on a floating window.
  virtual void FocusPlayer() = 0;
};

// The control bar and the size menu of the windowed player, with the
// tool-tip panel of the bar's buttons.
class ShowControlBar {
 public:
  virtual ~ShowControlBar() = default;
  // Builds both windows over the player's. With desktop composition on they
  // float above every window (and are hidden while the player is inactive);
  // with it off they stay with the player's window.
  virtual void CreateControlBar(ControlBarHost& host, bool composition_on) = 0;
  virtual void DestroyControlBar() = 0;
  virtual bool ControlBarReady() const = 0;
  // Redraws the bar from the show's state and pushes it.
  virtual void RedrawControlBar() = 0;
  // Places the bar and the size menu for the player's client area (screen
  // pixels) and pushes both, the bar's highlight cleared.
  virtual void FollowWindow(const platform::Rect& client) = 0;
  // Shows or hides the bar; either way the size menu and the tool-tip go and
  // the bar's idle count starts again.
  virtual void ShowFloatingWindows(bool show) = 0;
  // Shows the bar without activation; its idle count starts again.
  virtual void RevealControlBar() = 0;
  // Hides the bar and the size menu (the player is being minimised).
  virtual void HideControlBar() = 0;
  virtual void HideSizeMenu() = 0;
  // The pointer moved over the slide (not dragging), in slide pixels.
  virtual void PlayerMouseMove(int32_t x, int32_t y) = 0;
  // The player's one-second tick: the tool-tip's life and, while the player
  // is active, the bar's idle count. True when the bar hid itself.
  virtual bool SecondTick(bool player_active) = 0;
  // Puts both windows on top again without activating them (their owner,
  // the player, was activated and came up over them).
  virtual void KeepOnTop() = 0;
};

// What the cover windows draw with: the player's album and its picture
// drawing, which outlive the windows.
struct CoverDrawing {
  const album::AlbumData& album;
  imaging::AlbumPictures& pictures;
};

// The windows that cover the other monitors in the screen saver.
class ShowCoverWindows {
 public:
  virtual ~ShowCoverWindows() = default;
  // Covers every monitor but the primary one; keys pressed on a cover go to
  // `keys`, its mouse to `mouse`. Falls back to the primary monitor alone
  // when that fails.
  virtual void CreateCoverWindows(KeySink& keys, MouseSink& mouse, const CoverDrawing& drawing) = 0;
  // The monitors the show uses: 1 without cover windows.
  virtual int32_t MonitorCount() const = 0;
  // Photo n (the background alone for n < 1) on every other monitor.
  virtual void ShowOnCoverMonitors(int32_t n) = 0;
  virtual void UnloadCoverWindows() = 0;
};

struct ShowParts {
  ShowTransitions* transitions = nullptr;
  ShowMusic* music = nullptr;
  ShowOpeningEnding* opening_ending = nullptr;
  ShowHeadlines* headlines = nullptr;
  ShowLyricWindows* lyric_windows = nullptr;
  ShowControlBar* control_bar = nullptr;
  ShowCoverWindows* cover_windows = nullptr;
};

}  // namespace lantern::show
