// Slide timing.
#include "player/slide_timing.h"

#include <cstdlib>

#include "base/rounding.h"

namespace lantern::player {

namespace {

// "SlideDuration" is free text; a value that is not a plain number counts as empty.
bool ParseSeconds(const std::string& text, double& seconds) {
  const char* begin = text.c_str();
  char* end = nullptr;
  seconds = std::strtod(begin, &end);
  if (end == begin) return false;
  while (*end == ' ')
    ++end;
  return *end == '\0';
}

// Milliseconds as a 32-bit count; stored values beyond it (or not numbers at
// all) are held to its range.
int32_t ClampedMs(double ms) {
  if (!(ms > 0)) return 0;
  return ms >= 2147483647.0 ? 2147483647 : base::Round32(ms);
}

}  // namespace

bool MusicPlays(const album::AlbumSettings& s) {
  return s.NowM >= 1 && !s.MuteSound;
}

int32_t DefaultSlideMs(const album::AlbumSettings& s) {
  double ms = static_cast<double>(s.TimeInterval) * 1000;
  if (s.EnableSync && s.NowM >= 1) {
    if (s.EnableTransition && s.SelectedTransitionCount >= 1) ms += 1500;
    if (s.EnableHeadlineEffect) ms += 1000;
  }
  return ClampedMs(ms);
}

int32_t SlideCycleMs(const album::AlbumSettings& s, int n, int32_t default_ms) {
  if (s.EnableSync || n < 1 || n > s.SlideDuration.size()) return default_ms;
  double seconds = 0;
  if (s.SlideDuration[n].empty() || !ParseSeconds(s.SlideDuration[n], seconds)) return default_ms;
  return ClampedMs(seconds * 1000);
}

SlideWait SlideWaitKind(const album::AlbumSettings& s, const show::MusicProgress& m,
                        int32_t album_pass_count) {
  if (!MusicPlays(s) || !s.EnableSync) return SlideWait::kPlain;
  if ((s.NowM == 1 && m.SyncMusicPasses == 1) ||
      (m.PassComplete && m.PassCount >= m.SyncMusicPasses)) {
    return SlideWait::kPlain;
  }
  if (m.PassCount < m.SyncMusicPasses || album_pass_count < m.SyncAlbumPasses) {
    return SlideWait::kMusicChecks;
  }
  return SlideWait::kPlain;
}

}  // namespace lantern::player
