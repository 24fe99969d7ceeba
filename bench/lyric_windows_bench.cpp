// Lyric figures: the cost of one lyric tick during a karaoke sweep (two
// windows moved and resized over their layers) and of rendering one line into
// a layer. Natively on the fake backend; under Wine on the real layered
// windows and GDI+ (run it with a display). Medians of many runs.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "imaging/composition.h"
#include "imaging/text_box.h"
#include "media/lyric_windows.h"

namespace {

using namespace lantern;
using bench::MedianMicroseconds;

// A song held at a position the benchmark chooses.
class HeldSong final : public media::LyricSong {
 public:
  bool SongHasLyrics() override { return true; }
  std::optional<double> SongPosition() override { return position; }
  std::optional<double> SongDuration() override { return 240.0; }
  media::LyricTimeline& lyrics() override { return timeline; }
  double position = 0;
  media::LyricTimeline timeline;
};

struct NoKeys : show::KeySink {
  void KeyDown(int, int) override {}
  void KeyUp(int, int) override {}
};

}  // namespace

int main() {
  auto backend = bench::MakePlatform();
  album::AlbumSettings settings;
  settings.NowM = 1;
  settings.LyricFilesCount = 1;
  settings.LyricStyle = 2;
  settings.LyricPosX = 360;
  settings.LyricPosY = 900;
  settings.LyricPosW = 1200;
  settings.LyricPosH = 80;
  settings.fFontName[3] = "Arial";
  settings.fFontSize[3] = 48;
  settings.fBorderWidth[3] = 2;
  settings.FontStartColor[3] = 0xFFFFFF;
  settings.LyricDynamicFontStartColor = 0x00C0FF;
  show::ShowState state;
  show::MusicProgress progress;
  progress.MusicStarted = true;
  HeldSong song;
  const std::string lrc =
      "[00:01.00]Every line is rendered once and then only swept along\r\n[03:00.00]end\r\n";
  media::ParseLyrics(std::vector<uint8_t>(lrc.begin(), lrc.end()), {}, song.timeline);
  media::LyricWindows windows({backend->layered(), backend->windows(), backend->timers(),
                               backend->surfaces(), backend->text()},
                              {settings, state, progress});
  windows.SetSong(&song);
  NoKeys keys;
  windows.CreateLyricWindows({0, 0, 1920, 1080, 0}, keys);
  if (!state.LyricsReady) {
    std::fprintf(stderr, "lyric windows could not be made\n");
    return 1;
  }
  // Both layers of the line rendered, then ticks along its sweep.
  for (const double at : {0.5, 1.1}) {
    song.position = at;
    windows.Timer2_Timer();
  }
  const double tick = MedianMicroseconds(2000, [&](int i) {
    song.position = 1.1 + i * 0.03;
    windows.Timer2_Timer();
  });

  const auto layer = backend->surfaces().CreateSurface(1200, 80);
  imaging::TextStyle style = imaging::StyleOf(settings, 3);
  style.align = 4;
  style.clear = true;
  style.premultiplied = true;
  const double render = MedianMicroseconds(200, [&](int) {
    imaging::DrawTextBox(backend->text(), layer->surface(), song.timeline.LyricText[1], style, 0, 0,
                         1200, 80);
  });
  std::printf("lyric tick during a sweep (two windows moved): %.1f us\n", tick);
  std::printf("one line rendered into a 1200x80 layer: %.1f us\n", render);
  return 0;
}
