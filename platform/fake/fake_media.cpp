// The fake song player.
#include "platform/fake/fake_media.h"

#include <algorithm>
#include <cctype>

namespace lantern::platform::fake {

FakeMediaFactory::~FakeMediaFactory() = default;

std::string FakeMediaFactory::Key(const std::string& path) {
  std::string key = path;
  for (char& c : key)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

std::unique_ptr<MediaPlayer> FakeMediaFactory::CreatePlayer() {
  if (fail_create_) return nullptr;
  ++created_;
  ++live_;
  auto player = std::make_unique<FakeMediaPlayer>(*this);
  current_ = player.get();
  return player;
}

void FakeMediaFactory::SetDuration(const std::string& path, double seconds) {
  durations_[Key(path)] = seconds;
}

FakeMediaPlayer::~FakeMediaPlayer() {
  --factory_.live_;
  if (factory_.current_ == this) factory_.current_ = nullptr;
}

double FakeMediaPlayer::Now() {
  return static_cast<double>(factory_.clock_.Counter()) /
         static_cast<double>(factory_.clock_.CounterFrequency());
}

bool FakeMediaPlayer::RenderFile(const std::string& path) {
  factory_.rendered_.push_back(path);
  // A graph is built once; a second file needs a new player.
  if (rendered_) return false;
  const std::string key = FakeMediaFactory::Key(path);
  if (factory_.unplayable_.count(key) != 0) return false;
  const auto found = factory_.durations_.find(key);
  std::optional<double> seconds;
  if (found != factory_.durations_.end()) {
    seconds = found->second;
  } else if (factory_.duration_of) {
    seconds = factory_.duration_of(path);
  }
  if (!seconds) return false;
  rendered_ = true;
  path_ = path;
  duration_ = *seconds;
  return true;
}

bool FakeMediaPlayer::Run() {
  if (!rendered_) return false;
  if (state_ != State::kRunning) {
    run_origin_ = Now() - position_;
    state_ = State::kRunning;
  }
  return true;
}

bool FakeMediaPlayer::Pause() {
  if (!rendered_) return false;
  if (state_ == State::kRunning) position_ = *Position();
  state_ = State::kPaused;
  return true;
}

bool FakeMediaPlayer::Stop() {
  if (!rendered_) return true;  // stopping an empty graph succeeds, as in DirectShow
  if (state_ == State::kRunning) position_ = *Position();
  state_ = State::kStopped;
  return true;
}

std::optional<double> FakeMediaPlayer::Duration() {
  if (!rendered_) return std::nullopt;
  return duration_;
}

std::optional<double> FakeMediaPlayer::Position() {
  if (!rendered_) return std::nullopt;
  if (state_ != State::kRunning) return position_;
  return std::clamp(Now() - run_origin_, 0.0, duration_);
}

bool FakeMediaPlayer::SetPosition(double seconds) {
  if (!rendered_) return false;
  position_ = std::clamp(seconds, 0.0, duration_);
  if (state_ == State::kRunning) run_origin_ = Now() - position_;
  return true;
}

std::optional<int32_t> FakeMediaPlayer::Volume() {
  if (!rendered_) return std::nullopt;  // no audio renderer in an empty graph
  return volume_;
}

bool FakeMediaPlayer::SetVolume(int32_t hundredths_db) {
  if (!rendered_ || hundredths_db < -10000 || hundredths_db > 0) return false;
  volume_ = hundredths_db;
  return true;
}

}  // namespace lantern::platform::fake
