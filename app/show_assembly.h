// Builds every part of a show once, with what start-up found, and hands the
// parts to the player form: the shared context, the transition catalogue
// (made when the Windows version class is known), the text effects of the
// headlines, opening and ending, the lyric windows, the music and the cover
// windows. The other windows of the show join here as they are built.
#pragma once

#include <memory>

#include "app/entry.h"
#include "media/lyric_windows.h"
#include "media/music.h"
#include "show/show_context.h"
#include "show/show_parts.h"
#include "texteffects/headlines.h"
#include "texteffects/title_sequence.h"
#include "transitions/catalogue.h"
#include "windows/control_bar_windows.h"
#include "windows/cover_windows.h"

namespace lantern::app {

class ShowAssembly {
 public:
  // Everything passed in must outlive the assembly; the version class in
  // `values` must be the probed one.
  ShowAssembly(platform::Platform& platform, show::ProcessValues& values,
               album::AlbumSettings& settings, const album::PropertyBag& store);
  ShowAssembly(const ShowAssembly&) = delete;
  ShowAssembly& operator=(const ShowAssembly&) = delete;

  show::ShowContext& context() { return context_; }
  transitions::Catalogue& catalogue() { return catalogue_; }
  // The parts built here, for the player form.
  show::ShowParts parts();

 private:
  show::ShowContext context_;
  transitions::Catalogue catalogue_;
  texteffects::TextEffects text_effects_;
  texteffects::Headlines headlines_;
  texteffects::TitleSequence titles_;
  // Only when the album has songs; the music refers to the lyric windows,
  // so they are made first and go last.
  std::unique_ptr<media::LyricWindows> lyric_windows_;
  // Only in the windowed player; made before the music, which redraws it.
  std::unique_ptr<windows::ControlBarWindows> control_bar_;
  std::unique_ptr<media::Music> music_;
  windows::CoverWindows cover_windows_;
};

// Start-up's results and the version class, then the player form playing the
// album until the show stops.
void PlayAlbum(platform::Platform& platform, StartUp& start);

}  // namespace lantern::app
