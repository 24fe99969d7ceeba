// Button row layout and the buttons' mouse behaviour.
#include "dialogs/buttons.h"

#include "base/rounding.h"

namespace lantern::dialogs {

void LayOutButtonRow(std::vector<platform::Rect>& captions, int32_t frame_bottom,
                     int32_t inner_height) {
  if (captions.empty()) return;
  const int32_t last = static_cast<int32_t>(captions.size()) - 1;
  const int32_t top = base::Round32(frame_bottom + (inner_height - frame_bottom) / 2.0 -
                                    captions[0].height() / 2.0);
  int64_t total = 0;
  for (const platform::Rect& c : captions)
    total += c.width();
  const int32_t span = captions[last].right - captions[0].left;
  const double gap = last > 0 ? static_cast<double>(span - total) / last : 0;
  double left = captions[0].left;
  for (platform::Rect& c : captions) {
    const int32_t width = c.width();
    const int32_t height = c.height();
    c.left = base::Round32(left);
    c.right = c.left + width;
    c.top = top;
    c.bottom = top + height;
    left += width + gap;
  }
}

platform::Rect ButtonFace(const platform::Rect& caption, int32_t padding) {
  const int32_t side = 2 * padding;
  const int32_t above = base::Round32(1.5 * padding);
  return {caption.left - side, caption.top - above,
          caption.left - side + caption.width() + 4 * padding,
          caption.top - above + caption.height() + 3 * padding};
}

std::vector<ButtonRedraw> ButtonMouse::Down(int32_t index) {
  hot_ = index;
  pressed_ = index;
  return {{index, ButtonState::kPressed}};
}

std::vector<ButtonRedraw> ButtonMouse::Move(int32_t index) {
  if (index == hot_) return {};
  if (ignore_next_move_) {
    ignore_next_move_ = false;
    return {};
  }
  std::vector<ButtonRedraw> redraws;
  if (hot_ >= 0) redraws.push_back({hot_, ButtonState::kNormal});
  redraws.push_back({index, ButtonState::kHover});
  hot_ = index;
  return redraws;
}

std::vector<ButtonRedraw> ButtonMouse::Up(int32_t index, bool& action) {
  std::vector<ButtonRedraw> redraws;
  // The pressed button goes back to normal wherever the mouse is let go; its
  // action runs only when that is over the button itself.
  if (pressed_ >= 0 && pressed_ != index) redraws.push_back({pressed_, ButtonState::kNormal});
  if (index >= 0) redraws.push_back({index, ButtonState::kNormal});
  action = index >= 0 && index == pressed_;
  hot_ = -1;
  pressed_ = -1;
  ignore_next_move_ = true;
  return redraws;
}

std::vector<ButtonRedraw> ButtonMouse::Leave() {
  if (hot_ < 0) return {};
  const int32_t was = hot_;
  hot_ = -1;
  return {{was, ButtonState::kNormal}};
}

}  // namespace lantern::dialogs
