// The fake backend's song player: the position follows the virtual clock
// while the song runs, durations come from the test per file path, and the
// factory keeps a record of what was made, rendered and released.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/media.h"
#include "platform/platform.h"

namespace lantern::platform::fake {

class FakeMediaFactory final : public MediaPlayerFactory {
 public:
  explicit FakeMediaFactory(Clock& clock) : clock_(clock) {}
  ~FakeMediaFactory() override;

  std::unique_ptr<MediaPlayer> CreatePlayer() override;

  // --- control of the fake, for tests ---
  // A file that renders, with its length. Paths compare without regard to case.
  void SetDuration(const std::string& path, double seconds);
  // Asked for the length of a file without a duration set (nullopt: it does
  // not render), to play real songs by their real lengths.
  std::function<std::optional<double>(const std::string& path)> duration_of;
  // Rendering this file fails (an unplayable format).
  void FailRender(const std::string& path) { unplayable_.insert(Key(path)); }
  // CreatePlayer returns nullptr while set.
  void set_fail_create(bool fail) { fail_create_ = fail; }

  int created() const { return created_; }
  int live() const { return live_; }  // players made and not yet released
  // Every RenderFile call, in order, with the path as passed.
  const std::vector<std::string>& rendered() const { return rendered_; }
  // The newest player, or nullptr once it was released.
  class FakeMediaPlayer* current() const {
    return current_;
  }

 private:
  friend class FakeMediaPlayer;
  static std::string Key(const std::string& path);

  Clock& clock_;
  std::map<std::string, double> durations_;
  std::set<std::string> unplayable_;
  std::vector<std::string> rendered_;
  bool fail_create_ = false;
  int created_ = 0;
  int live_ = 0;
  FakeMediaPlayer* current_ = nullptr;
};

class FakeMediaPlayer final : public MediaPlayer {
 public:
  enum class State { kStopped, kPaused, kRunning };

  explicit FakeMediaPlayer(FakeMediaFactory& factory) : factory_(factory) {}
  ~FakeMediaPlayer() override;

  bool RenderFile(const std::string& path) override;
  bool Run() override;
  bool Pause() override;
  bool Stop() override;
  std::optional<double> Duration() override;
  std::optional<double> Position() override;
  bool SetPosition(double seconds) override;
  std::optional<int32_t> Volume() override;
  bool SetVolume(int32_t hundredths_db) override;

  State state() const { return state_; }
  const std::string& path() const { return path_; }
  bool rendered() const { return rendered_; }

 private:
  double Now();  // virtual time, seconds

  FakeMediaFactory& factory_;
  bool rendered_ = false;
  std::string path_;
  double duration_ = 0;
  State state_ = State::kStopped;
  double position_ = 0;    // while not running
  double run_origin_ = 0;  // while running: the clock time at which position 0 would have been
  int32_t volume_ = 0;
};

}  // namespace lantern::platform::fake
