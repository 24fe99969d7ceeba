// The slide-number box of the windowed player (`TxtGoToSlide`): a small
// window over the player in which the user types the number of the slide to
// jump to. It takes digits and Backspace only; Enter hands the number back to
// the player's key handler, Esc hides the box.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "show/dialog_font.h"

namespace lantern::player {

// The box's text made safe to read as a number: `fallback` when it is empty,
// ends in "-", starts with "0" or ".", is "-", or is not a whole number that
// fits in 32 bits.
std::string NormaliseNumberBox(const std::string& text, const std::string& fallback);

class NumberBox final : public platform::WindowHandler {
 public:
  // Keys the box does not take itself (Enter, Alt+F4) go to `forward_key`.
  NumberBox(platform::Platform& platform, std::function<void(int key, int shift)> forward_key);
  ~NumberBox() override;
  NumberBox(const NumberBox&) = delete;
  NumberBox& operator=(const NumberBox&) = delete;

  // Shows the box at this place (screen pixels) holding "0", all selected, with the focus.
  void ShowAt(platform::WindowId owner, int32_t left, int32_t top);
  void Hide();
  // Moves the box, shown or not, to this place (screen pixels).
  void MoveTo(int32_t left, int32_t top);
  // Gives the shown box the keyboard again.
  void Focus();
  bool visible() const { return visible_; }
  platform::WindowId window() const { return window_; }
  const std::string& text() const { return text_; }
  void set_text(const std::string& text);
  // The box writes in the dialogs' font, 8 points larger, at most 18 points.
  void set_font(const show::DialogFont& font) { font_ = font; }
  // The em of the box's text in pixels on this screen.
  float FontPixels() const;

  void OnKeyDown(int key, int shift) override;
  void OnChar(char32_t ch) override;

  // As wide as the control bar's counter, which it opens under.
  static constexpr int32_t kWidth = 96;
  static constexpr int32_t kHeight = 32;

 private:
  void Redraw();

  platform::Platform& platform_;
  std::function<void(int, int)> forward_key_;
  platform::WindowId window_ = 0;
  platform::WindowId owner_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> surface_;
  show::DialogFont font_{"Tahoma", 9};
  std::string text_ = "0";
  bool all_selected_ = false;  // the next digit replaces the text
  bool visible_ = false;
};

}  // namespace lantern::player
