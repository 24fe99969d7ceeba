// The floating windows of the windowed player in one place: the control bar
// (FrmControl), the size menu (FrmScale) and the tool-tip panel. It builds
// and destroys them, places them by the player's window, shows and hides
// them together, and holds their state: the highlighted label, whether the
// bar is shown and for how many idle seconds, and the tool-tip's request and
// life. The player reaches it through show::ShowControlBar.
#pragma once

#include <memory>
#include <string>

#include "album/album_settings.h"
#include "show/show_context.h"
#include "show/show_parts.h"
#include "windows/bar_images.h"
#include "windows/control_bar.h"
#include "windows/layer_window.h"
#include "windows/tool_tip_panel.h"

namespace lantern::windows {

class ControlBarWindows final : public show::ShowControlBar, private show::KeySink {
 public:
  // The bar hides after this many idle seconds (the 8th).
  static constexpr int32_t kIdleSeconds = 7;
  // A tool-tip shows at its second tick and goes after its sixth.
  static constexpr int32_t kToolTipSeconds = 5;
  // Pointer travel over the slide, in pixels, that brings the bar back.
  static constexpr int32_t kRevealTravel = 10;

  ControlBarWindows(show::ShowContext& context, const album::AlbumSettings& settings);
  ~ControlBarWindows() override;

  // --- show::ShowControlBar ---
  void CreateControlBar(show::ControlBarHost& host, bool composition_on) override;
  void DestroyControlBar() override;
  bool ControlBarReady() const override { return bar_.exists(); }
  void RedrawControlBar() override;
  void FollowWindow(const platform::Rect& client) override;
  void ShowFloatingWindows(bool show) override;
  void RevealControlBar() override;
  void HideControlBar() override;
  void HideSizeMenu() override;
  void PlayerMouseMove(int32_t x, int32_t y) override;
  bool SecondTick(bool player_active) override;
  void KeepOnTop() override;

  // --- state, for tests ---
  int hover() const { return hover_; }
  bool shown() const { return shown_; }
  bool size_menu_ready() const { return menu_.exists(); }
  bool size_menu_visible() const { return menu_.visible(); }
  platform::WindowId bar_window() const { return bar_.window(); }
  platform::WindowId menu_window() const { return menu_.window(); }
  const ToolTipPanel& tool_tip() const { return tip_; }
  const std::string& tool_tip_text() const { return tip_text_; }
  const platform::Surface& bar_layer() const { return bar_.layer(); }
  const platform::Surface& menu_layer() const { return menu_.layer(); }

 private:
  // Keys of the three windows go to the player while it is there.
  void KeyDown(int key, int shift) override;
  void KeyUp(int key, int shift) override;
  void BarMouse(MouseAction action, int32_t x, int32_t y);
  void BarMouseDown(int label);
  void BarMouseMove(int label);
  void MenuMouse(MouseAction action, int32_t x, int32_t y);
  void OpenSizeMenu();
  void DrawBar();
  void DrawMenu();
  void ClearToolTip();
  BarState State() const;
  bool Stopping() const { return context_.state.ShowStopping; }

  show::ShowContext& context_;
  platform::Platform& platform_;
  const album::AlbumSettings& settings_;
  show::ControlBarHost* host_ = nullptr;
  LayerWindow bar_;
  LayerWindow menu_;
  ToolTipPanel tip_;
  std::unique_ptr<platform::SurfaceBuffer> scratch_;  // the counter's text coverage
  BarImages images_;
  HighlightColours colours_;
  platform::Rect client_;  // the player's client area, screen pixels

  int hover_ = 0;
  bool shown_ = false;
  int32_t idle_ticks_ = 0;
  int32_t reveal_x_ = 0;  // where pointer travel over the slide is measured from (0, 0: none)
  int32_t reveal_y_ = 0;
  int32_t pointer_x_ = 0;  // the pointer over the bar, screen pixels
  int32_t pointer_y_ = 0;
  std::string tip_text_;
  bool tip_pending_ = false;
  bool tip_shown_ = false;
  int32_t tip_ticks_ = 0;
};

}  // namespace lantern::windows
