// The tool-tip panel of the control bar's buttons (`PicToolTip`): the text
// in the system's tool-tip colours on a small window over the player, placed
// by the pointer and kept inside the player's client area. A click hides it;
// keys go to the player.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "show/key_sink.h"

namespace lantern::windows {

class ToolTipPanel final : public show::KeyForwardingHandler {
 public:
  static constexpr float kFontSize = 12;
  static constexpr int32_t kLineHeight = 15;

  ToolTipPanel(platform::Platform& platform, show::KeySink& keys);
  ~ToolTipPanel() override;
  ToolTipPanel(const ToolTipPanel&) = delete;
  ToolTipPanel& operator=(const ToolTipPanel&) = delete;

  // Shows `text` by the pointer; `pointer` and `client` in screen pixels.
  // Nothing for an empty text.
  void Show(platform::WindowId owner, const std::string& text, int32_t pointer_x, int32_t pointer_y,
            const platform::Rect& client);
  void Hide();
  void Destroy();
  bool visible() const { return visible_; }
  platform::WindowId window() const { return window_; }

  void OnMouseDown(int button, int shift, int x, int y) override;

 private:
  bool EnsureWindow(platform::WindowId owner, const platform::Rect& bounds);
  void Draw(const std::string& text);

  platform::Platform& platform_;
  platform::WindowId window_ = 0;
  platform::WindowId owner_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> surface_;
  bool visible_ = false;
};

}  // namespace lantern::windows
