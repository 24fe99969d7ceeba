// What every part of a running show shares, made once by the program and
// handed to the player form and to each part: the platform, the process-wide
// values, the run's flags, the presenter and pacer every drawing loop stands
// on, the one random generator, the album's items and the extraction folder.
#pragma once

#include <string>

#include "album/items.h"
#include "base/rnd.h"
#include "platform/platform.h"
#include "show/pacing.h"
#include "show/presenter.h"
#include "show/process_values.h"
#include "show/show_state.h"

namespace lantern::show {

struct ShowContext {
  ShowContext(platform::Platform& p, ProcessValues& v)
      : platform(p),
        values(v),
        presenter(p),
        pacer(p, state, presenter),
        items(p.resources(), p.files(), p.loop()) {}
  ShowContext(const ShowContext&) = delete;
  ShowContext& operator=(const ShowContext&) = delete;

  platform::Platform& platform;
  ProcessValues& values;
  ShowState state;
  MusicProgress music;
  Presenter presenter;
  Pacer pacer;
  base::Rnd rnd;
  album::AlbumItems items;
  // The per-run folder for songs and lyric files, ending in "\"; empty until
  // the player form has made it (and for an album that is not packed).
  std::string ExtractionFolder;
};

}  // namespace lantern::show
