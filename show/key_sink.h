// The player form takes the input of every window of the show: cover windows,
// lyric windows, the control bar and the size menu hand their keys on through
// a KeySink, so a key does the same wherever the focus is; the cover windows
// hand on the mouse too, through a MouseSink.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lantern::show {

class KeySink {
 public:
  virtual ~KeySink() = default;
  virtual void KeyDown(int key, int shift) = 0;
  virtual void KeyUp(int key, int shift) = 0;
};

// The mouse over another window of the show, at screen pixels, so that the
// player can judge a movement that crosses from one window to another.
class MouseSink {
 public:
  virtual ~MouseSink() = default;
  virtual void ScreenMouseDown(int button, int shift, int32_t screen_x, int32_t screen_y) = 0;
  virtual void ScreenMouseMove(int button, int shift, int32_t screen_x, int32_t screen_y) = 0;
  virtual void ScreenMouseUp(int button, int shift, int32_t screen_x, int32_t screen_y) = 0;
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
