// The geometry and rules of the control bar, the size menu and the tool-tip
// panel of the windowed player: which label lies under a point, what each
// button shows and does, the slide counter, the size choices, and where the
// floating windows go. Plain functions, so the windows themselves only draw
// and forward.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace lantern::windows {

// The bar: a 96-pixel slide counter (label 9) and eight 32-pixel buttons
// (labels 1..8) from x = 96.
inline constexpr int32_t kBarWidth = 352;
inline constexpr int32_t kBarHeight = 32;
inline constexpr int32_t kButtonSize = 32;
inline constexpr int32_t kCounterWidth = 96;
inline constexpr int kButtonCount = 8;
inline constexpr int kSizeButton = 7;
inline constexpr int kCounterLabel = 9;
// The size menu: six choices of 64 x 32 pixels, one under the other.
inline constexpr int32_t kMenuWidth = 64;
inline constexpr int32_t kMenuHeight = 192;
inline constexpr int32_t kMenuChoiceHeight = 32;
inline constexpr int kMenuChoices = 6;

// The label under a point of the bar: 1..8 the buttons, 9 the counter, 0 none.
int BarLabelAt(int32_t x, int32_t y);
// The rectangle of label 1..9 within the bar.
platform::Rect BarLabelRect(int label);
// The tool-tip of label 1..9 (UTF-8); empty for any other.
std::string BarToolTip(int label);
// The key a label presses: the button's keyboard command (the minimise
// button is [N] and the close button [Esc], the counter [Enter]); 0 for the
// size button, which opens the size menu instead.
int BarKey(int label);

// The button pictures, in the order the album names them.
enum class BarImage {
  kPrev,
  kPause,
  kNext,
  kMuteOff,
  kMusicNext,
  kMin,
  kSize,
  kClose,
  kPlay,
  kMuteOn
};
inline constexpr int kBarImageCount = 10;
// The album item of a picture ("btn_prev" ...).
const char* BarImageItem(BarImage image);
inline constexpr char kSizeMenuItem[] = "btn_scale";

// What the bar shows.
struct BarState {
  int hover = 0;  // the highlighted label, 0 for none
  bool show_paused = false;
  bool mute_sound = false;
  bool has_songs = false;
  int32_t displayed_slide = 0;  // -1 during the opening and ending
  int32_t photos = 0;
};
// The picture of button 1..8.
BarImage ButtonImage(int button, const BarState& state);
// The counter's text "n/N"; nothing while no slide number is shown.
std::optional<std::string> CounterText(const BarState& state);
// 22, or 18 for albums of 1000 photos or more so that "1000/1000" fits.
float CounterFontSize(int32_t photos);
// Whether the hovered label is highlighted (the counter only while it shows).
bool HighlightShown(const BarState& state);

// The size choice under a point of the menu, 1..6; 0 outside it.
int SizeChoiceAt(int32_t x, int32_t y);
// The highlight of size choice 1..6 within the menu.
platform::Rect SizeChoiceHighlight(int32_t index);
// The choice that stands for a window scale (0.5 .. 1.0), to the nearest whole number.
int32_t SizeChoiceOfScale(float scale);

// Where the floating windows go for the player's client area (screen
// pixels): the bar in the top-right corner, 8 pixels in; the size menu under
// the size button; the slide-number box under the counter.
struct FloatingPlaces {
  platform::Rect bar;
  platform::Rect menu;
  int32_t number_box_left = 0;
  int32_t number_box_top = 0;
};
FloatingPlaces PlaceFloatingWindows(const platform::Rect& client, int32_t display_width);

// The tool-tip panel: one line for texts of up to 100 bytes in the system's
// code page, otherwise lines of 40 characters. `measure` gives a line's width.
inline constexpr int32_t kToolTipMargin = 10;
struct ToolTipLayout {
  std::string text;  // with the line breaks it is drawn with
  int32_t width = 0;
  int32_t height = 0;
};
template <typename Measure>
ToolTipLayout LayOutToolTip(const std::string& text, int32_t line_height, Measure&& measure);
// The text's length in the system's ANSI code page: one byte for ASCII, two
// for any other character (a double-byte code page).
int32_t AnsiLength(const std::string& text);
// The text in lines of `per_line` characters, and the first line.
std::string WrapCharacters(const std::string& text, int32_t per_line, std::string* first_line);
// The panel's place within the client area (client pixels): 10 pixels right
// of and below the pointer; left of it when it would overflow the right
// edge, and above it when it would overflow the bottom.
platform::Rect PlaceToolTip(int32_t pointer_x, int32_t pointer_y, int32_t width, int32_t height,
                            int32_t client_width, int32_t client_height);

template <typename Measure>
ToolTipLayout LayOutToolTip(const std::string& text, int32_t line_height, Measure&& measure) {
  constexpr int32_t kOneLineBytes = 100;
  constexpr int32_t kLineCharacters = 40;
  const int32_t margins = 2 * kToolTipMargin;
  if (AnsiLength(text) <= kOneLineBytes) {
    return {text, static_cast<int32_t>(measure(text) + 0.5f) + margins, line_height + margins};
  }
  std::string first;
  std::string wrapped = WrapCharacters(text, kLineCharacters, &first);
  int32_t lines = 1;
  for (char c : wrapped)
    lines += c == '\n' ? 1 : 0;
  return {std::move(wrapped), static_cast<int32_t>(measure(first) + 0.5f) + margins,
          lines * line_height + margins};
}

}  // namespace lantern::windows
