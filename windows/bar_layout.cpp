// The control bar's and the size menu's geometry and rules.
#include "windows/bar_layout.h"

#include <array>

#include "base/rounding.h"

namespace lantern::windows {

namespace k = platform::keys;

int BarLabelAt(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= kBarWidth || y >= kBarHeight) return 0;
  if (x < kCounterWidth) return kCounterLabel;
  return (x - kCounterWidth) / kButtonSize + 1;
}

platform::Rect BarLabelRect(int label) {
  if (label == kCounterLabel) return {0, 0, kCounterWidth, kBarHeight};
  if (label < 1 || label > kButtonCount) return {};
  const int32_t left = (label + 2) * kButtonSize;
  return {left, 0, left + kButtonSize, kBarHeight};
}

std::string BarToolTip(int label) {
  static const std::array<const char*, 10> kTips = {
      "",
      "上一张图片 [←], [Page Up]",
      "播放/暂停幻灯 [Space空格]",
      "下一张图片 [→], [Page Down]",
      "播放/暂停音乐 [F3], 增大/减弱音量 [+/-]",
      "下一首歌曲 [↓]",
      "最小化 [N]",
      "调整窗体大小 [Alt+(5~9/Enter)]",
      "退出 [Esc]",
      "跳转到第n张图片 [Enter]",
  };
  return label >= 1 && label <= kCounterLabel ? kTips[static_cast<size_t>(label)] : "";
}

int BarKey(int label) {
  static const std::array<int, 10> kKeys = {
      0, k::kLeft, k::kSpace, k::kRight, k::kF3, k::kDown, k::kN, 0, k::kEscape, k::kReturn,
  };
  return label >= 1 && label <= kCounterLabel ? kKeys[static_cast<size_t>(label)] : 0;
}

const char* BarImageItem(BarImage image) {
  static const std::array<const char*, kBarImageCount> kItems = {
      "btn_prev", "btn_pause", "btn_next",  "btn_mute_off", "btn_music_next",
      "btn_min",  "btn_size",  "btn_close", "btn_play",     "btn_mute_on",
  };
  return kItems[static_cast<size_t>(image)];
}

BarImage ButtonImage(int button, const BarState& state) {
  switch (button) {
    case 2:
      return state.show_paused ? BarImage::kPlay : BarImage::kPause;
    case 4:
      return state.mute_sound && state.has_songs ? BarImage::kMuteOn : BarImage::kMuteOff;
    default:
      // Buttons 1..8 show pictures 0..7 in the album's order.
      return static_cast<BarImage>(button - 1);
  }
}

std::optional<std::string> CounterText(const BarState& state) {
  if (state.displayed_slide < 0 || state.displayed_slide > state.photos) return std::nullopt;
  return std::to_string(state.displayed_slide) + "/" + std::to_string(state.photos);
}

float CounterFontSize(int32_t photos) {
  return photos >= 1000 ? 18.0f : 22.0f;
}

bool HighlightShown(const BarState& state) {
  if (state.hover >= 1 && state.hover <= kButtonCount) return true;
  return state.hover == kCounterLabel && CounterText(state).has_value();
}

int SizeChoiceAt(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= kMenuWidth || y >= kMenuHeight) return 0;
  return y / kMenuChoiceHeight + 1;
}

platform::Rect SizeChoiceHighlight(int32_t index) {
  if (index < 1 || index > kMenuChoices) return {};
  const int32_t top = index * kMenuChoiceHeight - 30;
  return {2, top, 2 + 60, top + 28};
}

int32_t SizeChoiceOfScale(float scale) {
  return base::Round32(scale * 10 - 4);
}

FloatingPlaces PlaceFloatingWindows(const platform::Rect& client, int32_t display_width) {
  constexpr int32_t kInset = 8;
  FloatingPlaces p;
  const int32_t bar_left = client.left + display_width - kBarWidth - kInset;
  const int32_t bar_top = client.top + kInset;
  p.bar = {bar_left, bar_top, bar_left + kBarWidth, bar_top + kBarHeight};
  // Under the size button: 16 pixels in from the bar's right end.
  const int32_t menu_left = client.left + display_width - kMenuWidth - kInset - 16;
  p.menu = {menu_left, p.bar.bottom, menu_left + kMenuWidth, p.bar.bottom + kMenuHeight};
  p.number_box_left = bar_left;
  p.number_box_top = client.top + 40;
  return p;
}

int32_t AnsiLength(const std::string& text) {
  int32_t length = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      ++length;
    } else if ((c & 0xC0) != 0x80) {
      length += 2;  // the first byte of a character outside ASCII
    }
  }
  return length;
}

std::string WrapCharacters(const std::string& text, int32_t per_line, std::string* first_line) {
  std::string out;
  int32_t count = 0;
  bool first_done = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool starts_character = (c & 0xC0) != 0x80;
    if (starts_character && count == per_line) {
      if (!first_done && first_line != nullptr) *first_line = out;
      first_done = true;
      out += '\n';
      count = 0;
    }
    out += text[i];
    if (starts_character) ++count;
  }
  if (!first_done && first_line != nullptr) *first_line = out;
  return out;
}

platform::Rect PlaceToolTip(int32_t pointer_x, int32_t pointer_y, int32_t width, int32_t height,
                            int32_t client_width, int32_t client_height) {
  int32_t left = pointer_x + kToolTipMargin;
  int32_t top = pointer_y + kToolTipMargin;
  if (left + width > client_width) left -= width + 2 * kToolTipMargin;
  if (top + height > client_height) top -= height + 2 * kToolTipMargin;
  return {left, top, left + width, top + height};
}

}  // namespace lantern::windows
