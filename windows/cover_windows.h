// The screen saver's cover windows: while the show runs on the primary
// monitor, every other monitor shows a borderless window (FrmMonitor) with the
// album's background or the current photo. Keys pressed and the mouse moved or
// clicked on a cover window act as on the show.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "show/key_sink.h"
#include "show/show_parts.h"
#include "windows/monitors.h"

namespace lantern::windows {

// One cover window: PicMon fills it and is what it shows.
class FrmMonitor final : public show::KeyForwardingHandler {
 public:
  FrmMonitor(platform::Platform& platform, show::KeySink& keys, show::MouseSink& mouse);
  ~FrmMonitor() override;
  FrmMonitor(const FrmMonitor&) = delete;
  FrmMonitor& operator=(const FrmMonitor&) = delete;

  // Makes the window over `bounds` with a black PicMon of that size and shows
  // it without taking the activation. Throws when either cannot be made.
  void Load(const platform::Rect& bounds);
  const platform::Surface& PicMon() const { return pic_mon_->surface(); }
  // Puts PicMon on the screen.
  void Refresh();
  platform::WindowId window() const { return window_; }

  // The mouse goes on to the player at screen pixels.
  void OnMouseDown(int button, int shift, int x, int y) override;
  void OnMouseMove(int button, int shift, int x, int y) override;
  void OnMouseUp(int button, int shift, int x, int y) override;

 private:
  // A point of the window's client area as a point of the screen.
  void ToScreen(int& x, int& y);

  platform::Platform& platform_;
  show::MouseSink& mouse_;
  platform::WindowId window_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> pic_mon_;
};

class CoverWindows final : public show::ShowCoverWindows {
 public:
  explicit CoverWindows(platform::Platform& platform) : platform_(platform) {}
  ~CoverWindows() override { UnloadCoverWindows(); }
  CoverWindows(const CoverWindows&) = delete;
  CoverWindows& operator=(const CoverWindows&) = delete;

  void CreateCoverWindows(show::KeySink& keys, show::MouseSink& mouse,
                          const show::CoverDrawing& drawing) override;
  int32_t MonitorCount() const override { return monitor_count_; }
  // Background and photo n (the background alone for n < 1) on every cover;
  // a cover that fails keeps what it showed and the next one is drawn.
  void ShowOnCoverMonitors(int32_t n) override;
  void UnloadCoverWindows() override;

  // The cover of monitor i (counted from 1); nullptr for the primary
  // monitor and when there are no covers.
  const FrmMonitor* CoverWindow(int32_t i) const;

 private:
  void LoadCovers(show::KeySink& keys, show::MouseSink& mouse);
  void DrawCover(const FrmMonitor& cover, int32_t n);

  platform::Platform& platform_;
  std::optional<cMonitors> monitors_;  // read when the covers are first made
  std::optional<show::CoverDrawing> drawing_;
  int32_t monitor_count_ = 1;
  // One slot per monitor; the primary monitor's stays empty.
  std::vector<std::unique_ptr<FrmMonitor>> cover_windows_;
};

}  // namespace lantern::windows
