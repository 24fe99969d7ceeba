// The system's non-client metrics (frame, caption, menu and scroll-bar sizes)
// and its user-interface fonts as font descriptions a form can use: the
// dialogs pick their font here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/system.h"

namespace lantern::windows {

// A font as a form's controls take it: a face, a size in points and styles.
struct StdFont {
  std::string name;
  double size = 0;  // points
  int32_t char_set = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
};

// The system's user-interface fonts, by the numbers the forms use.
enum class FontKind : int32_t {
  kIconTitle = 1,
  kCaption = 2,
  kSmallCaption = 3,
  kMenu = 4,
  kStatus = 5,
  kMessage = 6,
};

// A logical font as a font description, on a device with this many pixels per
// inch vertically: a negative height (the characters' height in pixels) gives
// points; a positive one is taken as the size itself. The face name ends at
// its first NUL; weights above 400 are bold.
StdFont FontOf(const platform::LogicalFont& font, int32_t pixels_per_inch);

class cNCMetrics {
 public:
  explicit cNCMetrics(platform::Fonts& fonts) : fonts_(fonts) {}

  // Reads the metrics and the icon titles' font; false when the system
  // cannot give both (the metrics then stay as they were).
  bool GetMetrics();
  // Font kind 1-6 (FontKind) for a device with this many pixels per inch;
  // nullopt for any other kind, and before metrics were read.
  std::optional<StdFont> Font(int32_t pixels_per_inch, int32_t kind) const;

  int32_t CaptionHeight() const { return m_.caption_height; }
  int32_t CaptionWidth() const { return m_.caption_width; }
  int32_t MenuHeight() const { return m_.menu_height; }
  int32_t MenuWidth() const { return m_.menu_width; }
  int32_t ScrollHeight() const { return m_.scroll_height; }
  int32_t ScrollWidth() const { return m_.scroll_width; }
  int32_t SMCaptionHeight() const { return m_.sm_caption_height; }
  int32_t SMCaptionWidth() const { return m_.sm_caption_width; }
  int32_t BorderWidth() const { return m_.border_width; }

 private:
  platform::Fonts& fonts_;
  platform::NonClientMetrics m_;
  bool read_ = false;
};

}  // namespace lantern::windows
