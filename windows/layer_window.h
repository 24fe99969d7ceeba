// One floating layered window of the windowed player (the control bar, the
// size menu): a layer of fixed size drawn off-screen, a remembered place,
// and its mouse events handed on as the label under the pointer. Its keys go
// to the player.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"
#include "show/key_sink.h"

namespace lantern::windows {

enum class MouseAction { kDown, kMove, kUp };

class LayerWindow final : public show::KeyForwardingHandler {
 public:
  // `on_mouse` receives the action and the pointer in layer pixels.
  using MouseCall = std::function<void(MouseAction, int32_t x, int32_t y)>;
  LayerWindow(platform::Platform& platform, show::KeySink& keys, int32_t width, int32_t height,
              MouseCall on_mouse);
  ~LayerWindow() override;
  LayerWindow(const LayerWindow&) = delete;
  LayerWindow& operator=(const LayerWindow&) = delete;

  // Makes the window and its layer, pushes the empty layer out of sight
  // (3000 pixels above the screen) and shows it there. False, with nothing
  // left behind, when either cannot be made.
  bool Create(platform::WindowId owner, bool topmost);
  void Destroy();
  bool exists() const { return window_ != 0; }
  platform::WindowId window() const { return window_; }
  const platform::Surface& layer() const { return layer_->surface(); }
  // Where the next push puts the window (screen pixels, top-left).
  void Place(int32_t left, int32_t top);
  platform::Rect placement() const;
  bool Push();
  void Show(bool show);
  bool visible() const { return visible_; }
  // Back above other windows without activation: topmost ones as topmost,
  // the others above their owner, which activation may have covered them with.
  void KeepOnTop();

  void OnMouseDown(int button, int shift, int x, int y) override;
  void OnMouseMove(int button, int shift, int x, int y) override;
  void OnMouseUp(int button, int shift, int x, int y) override;

 private:
  platform::Platform& platform_;
  const int32_t width_;
  const int32_t height_;
  MouseCall on_mouse_;
  platform::WindowId window_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> layer_;
  int32_t left_ = 0;
  int32_t top_ = -3000;
  bool topmost_ = false;
  bool visible_ = false;
};

}  // namespace lantern::windows
