// Song playback: one player per song, as one media graph per song on Windows
// (DirectShow). Positions and durations are seconds; the volume is in
// hundredths of a decibel, -10000 (silent) to 0 (full). Every call reports
// failure instead of throwing, so the caller decides what a failed song does.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace lantern::platform {

class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;
  // Builds the graph that plays the file (a UTF-8 Windows path). Stopped at
  // position 0 afterwards.
  virtual bool RenderFile(const std::string& path) = 0;
  virtual bool Run() = 0;
  virtual bool Pause() = 0;
  virtual bool Stop() = 0;
  virtual std::optional<double> Duration() = 0;
  // Reaches Duration() when the song has played to its end, and stays there.
  virtual std::optional<double> Position() = 0;
  virtual bool SetPosition(double seconds) = 0;
  virtual std::optional<int32_t> Volume() = 0;
  virtual bool SetVolume(int32_t hundredths_db) = 0;
};

class MediaPlayerFactory {
 public:
  virtual ~MediaPlayerFactory() = default;
  // A new, empty player; nullptr when the media framework cannot make one.
  virtual std::unique_ptr<MediaPlayer> CreatePlayer() = 0;
};

}  // namespace lantern::platform
