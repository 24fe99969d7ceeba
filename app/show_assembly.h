// Builds every part of a show once, with what start-up found, and hands the
// parts to the player form: the shared context, the transition catalogue
// (made when the Windows version class is known) and the music. The effects
// and windows of the show join here as they are built.
#pragma once

#include <memory>

#include "app/entry.h"
#include "media/music.h"
#include "show/show_context.h"
#include "show/show_parts.h"
#include "transitions/catalogue.h"
#include "windows/control_bar_windows.h"

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
  // Only in the windowed player; made before the music, which redraws it.
  std::unique_ptr<windows::ControlBarWindows> control_bar_;
  std::unique_ptr<media::Music> music_;  // only when the album has songs
};

// Start-up's results and the version class, then the player form playing the
// album until the show stops.
void PlayAlbum(platform::Platform& platform, StartUp& start);

}  // namespace lantern::app
