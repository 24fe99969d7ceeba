// The monitor list, read through the platform's monitor enumeration.
#include "windows/monitors.h"

#include <algorithm>
#include <stdexcept>

namespace lantern::windows {

cMonitor::cMonitor(const platform::MonitorInfo& info)
    : bounds_(info.bounds),
      work_(info.work_area),
      primary_(info.primary),
      // A name read from a fixed-size field may still carry its padding.
      name_(info.device_name.substr(0, info.device_name.find('\0'))) {}

cMonitors::cMonitors(platform::Monitors& monitors) : monitors_(monitors) {
  Refresh();
}

void cMonitors::Refresh() {
  list_.clear();
  for (const platform::MonitorInfo& info : monitors_.List())
    list_.emplace_back(info);
}

int32_t cMonitors::VirtualScreenLeft() const {
  if (list_.empty()) return 0;
  return std::min_element(list_.begin(), list_.end(),
                          [](const cMonitor& a, const cMonitor& b) { return a.Left() < b.Left(); })
      ->Left();
}

int32_t cMonitors::VirtualScreenTop() const {
  if (list_.empty()) return 0;
  return std::min_element(list_.begin(), list_.end(),
                          [](const cMonitor& a, const cMonitor& b) { return a.Top() < b.Top(); })
      ->Top();
}

int32_t cMonitors::VirtualScreenWidth() const {
  return monitors_.Virtual().bounds.width();
}

int32_t cMonitors::VirtualScreenHeight() const {
  return monitors_.Virtual().bounds.height();
}

int32_t cMonitors::DisplayMonitorCount() const {
  return monitors_.Virtual().monitor_count;
}

const cMonitor& cMonitors::Monitor(int32_t i) const {
  if (i < 1 || i > MonitorCount()) throw std::out_of_range("no such monitor");
  return list_[static_cast<size_t>(i - 1)];
}

}  // namespace lantern::windows
