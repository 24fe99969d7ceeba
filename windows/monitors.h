// The display monitors: cMonitor is one monitor as the system reported it,
// cMonitors the list of all of them with the virtual screen around them.
// The list is read once, when it is made (or refreshed); it does not follow
// monitors that change later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::windows {

// One monitor. Coordinates are virtual-screen pixels: the primary monitor's
// top-left corner is (0, 0), a monitor left of or above it is negative.
class cMonitor {
 public:
  explicit cMonitor(const platform::MonitorInfo& info);

  bool IsPrimary() const { return primary_; }
  // The device name ("\\.\DISPLAY2"), without the NULs that pad it.
  const std::string& Name() const { return name_; }
  int32_t Left() const { return bounds_.left; }
  int32_t Top() const { return bounds_.top; }
  int32_t Width() const { return bounds_.width(); }
  int32_t Height() const { return bounds_.height(); }
  int32_t WorkLeft() const { return work_.left; }
  int32_t WorkTop() const { return work_.top; }
  int32_t WorkWidth() const { return work_.width(); }
  int32_t WorkHeight() const { return work_.height(); }
  const platform::Rect& Bounds() const { return bounds_; }

 private:
  platform::Rect bounds_;
  platform::Rect work_;
  bool primary_ = false;
  std::string name_;
};

class cMonitors {
 public:
  // Reads the list at once.
  explicit cMonitors(platform::Monitors& monitors);

  // The smallest left and top edge of any monitor; 0 without monitors.
  int32_t VirtualScreenLeft() const;
  int32_t VirtualScreenTop() const;
  // The virtual screen's size and the number of monitors as the system
  // counts them now; 0 when it cannot say.
  int32_t VirtualScreenWidth() const;
  int32_t VirtualScreenHeight() const;
  int32_t DisplayMonitorCount() const;
  int32_t MonitorCount() const { return static_cast<int32_t>(list_.size()); }
  // Monitor i, counted from 1; std::out_of_range outside 1..MonitorCount().
  const cMonitor& Monitor(int32_t i) const;
  // Reads the list again.
  void Refresh();

 private:
  platform::Monitors& monitors_;
  std::vector<cMonitor> list_;
};

}  // namespace lantern::windows
