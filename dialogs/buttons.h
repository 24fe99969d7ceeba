// The dialogs' button row: where the captions go, the faces around them, and
// what the mouse does to the faces (which to redraw in which state, and when
// a button's action runs).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace lantern::dialogs {

// Spreads the captions over the span the row had (the first one's left edge
// to the last one's right edge) with equal gaps, and centres them vertically
// in the room between `frame_bottom` and `inner_height`. Every caption keeps
// its size; the first keeps its left edge.
void LayOutButtonRow(std::vector<platform::Rect>& captions, int32_t frame_bottom,
                     int32_t inner_height);

// The face around a caption: `padding` twice at the sides, one and a half
// times above and below.
platform::Rect ButtonFace(const platform::Rect& caption, int32_t padding);

enum class ButtonState { kNormal = 0, kHover = 1, kPressed = 2, kPlain = 3 };

struct ButtonRedraw {
  int32_t index = -1;
  ButtonState state = ButtonState::kNormal;
  bool operator==(const ButtonRedraw&) const = default;
};

// The mouse over a row of buttons: the button under it, and a flag that
// makes the first move after a click do nothing, so the button just released
// is not lit again at once. Each event gives the redraws it needs, in order.
class ButtonMouse {
 public:
  std::vector<ButtonRedraw> Down(int32_t index);
  std::vector<ButtonRedraw> Move(int32_t index);
  // `action` is set when the button's action is to run: the release is over
  // the button that was pressed.
  std::vector<ButtonRedraw> Up(int32_t index, bool& action);
  // The mouse is over the form, off every button.
  std::vector<ButtonRedraw> Leave();

  int32_t hot() const { return hot_; }

 private:
  int32_t hot_ = -1;
  int32_t pressed_ = -1;
  bool ignore_next_move_ = false;
};

}  // namespace lantern::dialogs
