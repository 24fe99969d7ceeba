// The slide-number box.
#include "player/number_box.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "imaging/raster.h"

namespace lantern::player {

std::string NormaliseNumberBox(const std::string& text, const std::string& fallback) {
  if (text.empty() || text == "-" || text.back() == '-' || text.front() == '0' ||
      text.front() == '.') {
    return fallback;
  }
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || errno == ERANGE || value < INT32_MIN ||
      value > INT32_MAX) {
    return fallback;
  }
  return text;
}

NumberBox::NumberBox(platform::Platform& platform, std::function<void(int, int)> forward_key)
    : platform_(platform), forward_key_(std::move(forward_key)) {}

NumberBox::~NumberBox() {
  if (window_ != 0 && platform_.windows().Exists(window_)) platform_.windows().Destroy(window_);
}

void NumberBox::ShowAt(platform::WindowId owner, int32_t left, int32_t top) {
  platform::WindowSystem& windows = platform_.windows();
  const platform::Rect bounds{left, top, left + kWidth, top + kHeight};
  if (window_ == 0 || !windows.Exists(window_) || owner != owner_) {
    if (window_ != 0 && windows.Exists(window_)) windows.Destroy(window_);
    owner_ = owner;
    window_ = windows.Create({platform::WindowKind::kTool, "", bounds, false, owner}, *this);
    if (window_ == 0) return;
    surface_ = platform_.surfaces().CreateSurface(kWidth, kHeight);
    platform_.painting().AttachSurface(window_, &surface_->surface());
  }
  windows.SetBounds(window_, bounds);
  text_ = "0";
  all_selected_ = true;  // getting the focus selects the whole text
  Redraw();
  visible_ = true;
  windows.Show(window_, true);
  windows.SetForeground(window_);
}

void NumberBox::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (window_ != 0) platform_.windows().Hide(window_);
  if (owner_ != 0 && platform_.windows().Exists(owner_)) platform_.windows().SetForeground(owner_);
}

void NumberBox::MoveTo(int32_t left, int32_t top) {
  if (window_ != 0)
    platform_.windows().SetBounds(window_, {left, top, left + kWidth, top + kHeight});
}

void NumberBox::Focus() {
  if (visible_ && window_ != 0) platform_.windows().SetForeground(window_);
}

void NumberBox::set_text(const std::string& text) {
  text_ = text;
  all_selected_ = false;
  Redraw();
}

void NumberBox::OnKeyDown(int key, int shift) {
  if (key == platform::keys::kEscape) {
    Hide();
  } else if (key == platform::keys::kF4 && (shift & platform::kAltMask) != 0) {
    forward_key_(key, shift);  // Alt+F4
  } else if ((key == platform::keys::kReturn || key == platform::keys::kSeparator) && shift == 0) {
    forward_key_(platform::keys::kReturn, 0);
  }
}

void NumberBox::OnChar(char32_t ch) {
  if (ch == U'\b') {
    if (all_selected_) {
      text_.clear();
    } else if (!text_.empty()) {
      text_.pop_back();
    }
  } else if (ch >= U'0' && ch <= U'9') {
    if (all_selected_) text_.clear();
    if (text_.size() < 10) text_ += static_cast<char>(ch);
  } else {
    return;  // only digits and Backspace
  }
  all_selected_ = false;
  Redraw();
}

float NumberBox::FontPixels() const {
  constexpr int32_t kLarger = 8, kMostPoints = 18;
  return show::PointsToPixels(std::min(font_.points + kLarger, kMostPoints),
                              platform_.desktop().Screen().pixels_per_inch_y);
}

void NumberBox::Redraw() {
  if (!surface_) return;
  const platform::Surface& s = surface_->surface();
  imaging::Fill(s, 0, 0, s.width, s.height, 0x808080);
  imaging::Fill(s, 1, 1, s.width - 2, s.height - 2, all_selected_ ? 0x3399FF : 0xFFFFFF);
  platform::TextBox box;
  box.text = text_;
  box.font_name = font_.name;
  box.font_size = FontPixels();
  box.align = 3;  // near, middle
  box.left = 4;
  box.width = static_cast<float>(s.width - 8);
  box.height = static_cast<float>(s.height);
  box.fill = {platform::TextFill::Kind::kSolid, all_selected_ ? 0xFFFFFFFFu : 0xFF000000u};
  platform_.text().DrawTextBox(s, box);
  if (window_ != 0) platform_.painting().Present(window_, s.bounds());
}

}  // namespace lantern::player
