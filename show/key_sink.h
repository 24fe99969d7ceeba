// The player form takes the keys of every window of the show: cover windows,
// lyric windows, the control bar and the size menu hand theirs on through a
// KeySink, so a key does the same wherever the focus is.
#pragma once

#include "platform/platform.h"

namespace lantern::show {

class KeySink {
 public:
  virtual ~KeySink() = default;
  virtual void KeyDown(int key, int shift) = 0;
  virtual void KeyUp(int key, int shift) = 0;
};

// A window handler whose keys go to the sink. Windows of the show derive
// from it and add their own mouse and timer handling.
class KeyForwardingHandler : public platform::WindowHandler {
 public:
  explicit KeyForwardingHandler(KeySink& sink) : sink_(sink) {}
  void OnKeyDown(int key, int shift) override { sink_.KeyDown(key, shift); }
  void OnKeyUp(int key, int shift) override { sink_.KeyUp(key, shift); }

 protected:
  KeySink& sink() { return sink_; }

 private:
  KeySink& sink_;
};

}  // namespace lantern::show
