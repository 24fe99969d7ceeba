// The fake backend: virtual time, scripted input, in-memory windows, recorded presents.
#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <climits>

namespace lantern::platform::fake {

namespace {

class FakeWaitTimer final : public WaitTimer {
 public:
  explicit FakeWaitTimer(int64_t due) : due_ticks(due) {}
  int64_t due_ticks;
};

// Presents ignore the unused top byte of a BGRX surface (mask 0xFFFFFF);
// layers count their alpha (mask 0xFFFFFFFF).
uint64_t Checksum(const Surface& surface, const Rect& area, std::vector<uint32_t>* copy,
                  uint32_t mask = 0xFFFFFF) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint32_t* row = surface.Row(y);
    for (int32_t x = area.left; x < area.right; ++x) {
      hash = (hash ^ (row[x] & mask)) * 0x100000001b3ull;
      if (copy) copy->push_back(row[x]);
    }
  }
  return hash;
}

}  // namespace

FakePlatform::FakePlatform() = default;

void FakePlatform::Script(const ScriptedEvent& event) {
  const auto later =
      std::upper_bound(script_.begin(), script_.end(), event.at_ms,
                       [](int64_t at, const ScriptedEvent& e) { return at < e.at_ms; });
  script_.insert(later, event);
}

const FakeWindow* FakePlatform::window(WindowId id) const {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

FakeWindow* FakePlatform::Find(WindowId id) {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

// --- Clock ---

uint32_t FakePlatform::NowMs() {
  Settle();
  return static_cast<uint32_t>(now_ticks_ / kTicksPerMs);
}

int64_t FakePlatform::Counter() {
  Settle();
  MoveTo(now_ticks_ + counter_step_);
  return now_ticks_;
}

LocalTime FakePlatform::Now() {
  const int64_t ms_of_day =
      (static_cast<int64_t>(local_time_at_zero_.SecondsSinceMidnight() * 1000.0) +
       (local_time_frozen_ ? 0 : now_ticks_ / kTicksPerMs)) %
      86'400'000;
  return {static_cast<int>(ms_of_day / 3'600'000), static_cast<int>(ms_of_day / 60'000 % 60),
          static_cast<int>(ms_of_day / 1000 % 60), static_cast<int>(ms_of_day % 1000)};
}

// --- MessageLoop ---

std::unique_ptr<WaitTimer> FakePlatform::StartWaitTimer(int32_t ms) {
  if (fail_wait_timers_) return nullptr;
  Settle();
  ++wait_timers_made_;
  return std::make_unique<FakeWaitTimer>(now_ticks_ + std::max<int64_t>(ms, 0) * kTicksPerMs);
}

bool FakePlatform::RearmWaitTimer(WaitTimer& timer, int32_t ms) {
  if (fail_wait_timers_) return false;
  Settle();
  static_cast<FakeWaitTimer&>(timer).due_ticks =
      now_ticks_ + std::max<int64_t>(ms, 0) * kTicksPerMs;
  return true;
}

int64_t FakePlatform::NextMessageTicks() const {
  int64_t next = INT64_MAX;
  if (!script_.empty()) next = script_.front().at_ms * kTicksPerMs;
  for (const auto& [id, w] : windows_) {
    for (const auto& [timer_id, t] : w.timers)
      next = std::min(next, t.next_due_ticks);
  }
  return next;
}

WaitResult FakePlatform::WaitForTimerOrMessage(WaitTimer& timer) {
  Settle();
  ++waits_;
  const int64_t due = static_cast<FakeWaitTimer&>(timer).due_ticks;
  const int64_t message = NextMessageTicks();
  if (message <= now_ticks_) return WaitResult::kMessage;
  if (due <= message) {
    MoveTo(std::max(now_ticks_, due));
    return WaitResult::kTimer;
  }
  MoveTo(message);
  return WaitResult::kMessage;
}

void FakePlatform::PumpMessages() {
  ++pump_count_;
  while (!script_.empty() && script_.front().at_ms * kTicksPerMs <= now_ticks_) {
    const ScriptedEvent event = script_.front();
    script_.pop_front();
    Deliver(event);
  }
  FireDueTimers();
}

void FakePlatform::Deliver(const ScriptedEvent& event) {
  if (event.type == EventType::kCall) {
    if (event.call) event.call();
    return;
  }
  FakeWindow* w = Find(event.window != 0 ? event.window : active_);
  if (w == nullptr || w->handler == nullptr) return;  // like input to no window: lost
  WindowHandler& h = *w->handler;
  switch (event.type) {
    case EventType::kKeyDown:
      h.OnKeyDown(event.key, event.shift);
      break;
    case EventType::kKeyUp:
      h.OnKeyUp(event.key, event.shift);
      break;
    case EventType::kChar:
      h.OnChar(static_cast<char32_t>(event.key));
      break;
    case EventType::kMouseDown:
      h.OnMouseDown(event.button, event.shift, event.x, event.y);
      break;
    case EventType::kMouseUp:
      h.OnMouseUp(event.button, event.shift, event.x, event.y);
      break;
    case EventType::kMouseMove:
      h.OnMouseMove(event.button, event.shift, event.x, event.y);
      break;
    case EventType::kClose:
      h.OnCloseRequest();
      break;
    case EventType::kCall:
      break;
  }
}

// Like WM_TIMER, a timer that fell behind fires once, not once per missed interval.
void FakePlatform::FireDueTimers() {
  std::vector<std::pair<WindowId, int>> due;
  for (auto& [id, w] : windows_) {
    for (auto& [timer_id, t] : w.timers) {
      if (t.next_due_ticks > now_ticks_) continue;
      const int64_t interval = std::max<int64_t>(t.interval_ms, 1) * kTicksPerMs;
      t.next_due_ticks += ((now_ticks_ - t.next_due_ticks) / interval + 1) * interval;  // no drift
      due.emplace_back(id, timer_id);
    }
  }
  for (const auto& [id, timer_id] : due) {
    FakeWindow* w = Find(id);  // an earlier handler may have destroyed it
    if (w != nullptr && w->timers.count(timer_id) != 0) w->handler->OnTimer(timer_id);
  }
}

// --- WindowSystem ---

WindowId FakePlatform::Create(const WindowSpec& spec, WindowHandler& handler) {
  if (windows_.size() >= window_limit_) return 0;
  const WindowId id = next_id_++;
  FakeWindow& w = windows_[id];
  w.spec = spec;
  w.handler = &handler;
  return id;
}

void FakePlatform::Destroy(WindowId window) {
  windows_.erase(window);
  if (active_ == window) active_ = 0;
}

void FakePlatform::Show(WindowId window, bool activate) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return;
  w->visible = true;
  w->raised = ++raise_count_;
  if (activate && active_ != window) {
    if (FakeWindow* old = Find(active_)) old->handler->OnActivate(false);
    active_ = window;
    w->handler->OnActivate(true);
  }
}

void FakePlatform::Hide(WindowId window) {
  if (FakeWindow* w = Find(window)) w->visible = false;
}

void FakePlatform::SetBounds(WindowId window, const Rect& bounds) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return;
  const bool resized =
      bounds.width() != w->spec.bounds.width() || bounds.height() != w->spec.bounds.height();
  w->spec.bounds = bounds;
  if (resized) w->handler->OnResize(bounds.width(), bounds.height());
}

Rect FakePlatform::Bounds(WindowId window) {
  const FakeWindow* w = Find(window);
  return w ? w->spec.bounds : Rect{};
}

void FakePlatform::SetTopmost(WindowId window, bool topmost) {
  if (FakeWindow* w = Find(window)) w->spec.topmost = topmost;
}

void FakePlatform::Raise(WindowId window) {
  if (FakeWindow* w = Find(window)) w->raised = ++raise_count_;
}

void FakePlatform::SetTitle(WindowId window, const std::string& title) {
  if (FakeWindow* w = Find(window)) w->spec.title = title;
}

void FakePlatform::Minimise(WindowId window) {
  if (FakeWindow* w = Find(window)) w->minimised = true;
}

bool FakePlatform::IsMinimised(WindowId window) {
  const FakeWindow* w = Find(window);
  return w != nullptr && w->minimised;
}

// As Windows' SW_RESTORE: the window also becomes visible and active.
void FakePlatform::Restore(WindowId window) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return;
  w->minimised = false;
  Show(window, /*activate=*/true);
}

void FakePlatform::SetForeground(WindowId window) {
  if (Find(window) != nullptr) Show(window, true);
}

void FakePlatform::SetNativeParent(WindowId window, NativeHandle parent) {
  if (FakeWindow* w = Find(window)) w->native_parent = parent;
}

void FakePlatform::DestroyChildrenOf(NativeHandle parent) {
  std::vector<WindowId> children;
  for (const auto& [id, w] : windows_) {
    if (w.native_parent == parent) children.push_back(id);
  }
  for (const WindowId id : children) {
    FakeWindow* w = Find(id);  // an earlier handler may have destroyed it
    if (w == nullptr) continue;
    WindowHandler* handler = w->handler;
    Destroy(id);
    handler->OnDestroyed();
  }
}

void FakePlatform::AttachSurface(WindowId window, const Surface* surface) {
  if (FakeWindow* w = Find(window)) w->surface = surface;
}

void FakePlatform::Present(WindowId window, const Rect& area) {
  const FakeWindow* w = Find(window);
  if (w == nullptr || w->surface == nullptr || !w->surface->valid()) return;
  const Rect clipped = Intersect(area, w->surface->bounds());
  if (observer_ != nullptr) observer_->Presented(window, *w->surface, clipped);
  if (keep_records_) {
    PresentRecord record{now_ticks_, window, clipped, 0, {}};
    record.checksum = Checksum(*w->surface, clipped, record_pixels_ ? &record.pixels : nullptr);
    presents_.push_back(std::move(record));
  }
  owed_ticks_ += present_ticks_;
}

void FakePlatform::StartTimer(WindowId window, int timer_id, uint32_t interval_ms) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return;
  w->timers[timer_id] = {interval_ms, now_ticks_ + static_cast<int64_t>(interval_ms) * kTicksPerMs};
}

void FakePlatform::StopTimer(WindowId window, int timer_id) {
  if (FakeWindow* w = Find(window)) w->timers.erase(timer_id);
}

void FakePlatform::SetFramed(WindowId window, bool framed) {
  if (FakeWindow* w = Find(window)) w->framed = framed;
}

Rect FakePlatform::ClientBounds(WindowId window) {
  const FakeWindow* w = Find(window);
  if (w == nullptr) return {};
  // Windows parks a minimised window's client area, empty, far off the screen.
  if (w->minimised) return {kMinimisedPlace, kMinimisedPlace, kMinimisedPlace, kMinimisedPlace};
  const int32_t b = w->framed ? frame_border_ : 0;
  const Rect& r = w->spec.bounds;
  return {r.left + b, r.top + b, r.right - b, r.bottom - b};
}

void FakePlatform::SetBusyCursor(WindowId window, bool busy) {
  if (FakeWindow* w = Find(window)) w->busy_cursor = busy;
}

void FakePlatform::AddToolTip(WindowId window, const Rect& area, const std::string& text) {
  if (FakeWindow* w = Find(window)) w->tool_tips.emplace_back(area, text);
}

// A common default scheme unless a test sets another colour.
uint32_t FakePlatform::SystemColourOf(SystemColour colour) {
  const auto it = system_colours_.find(colour);
  if (it != system_colours_.end()) return it->second;
  switch (colour) {
    case SystemColour::kActiveCaption:
      return 0xE35400;
    case SystemColour::kHighlight:
      return 0xC56A31;
    case SystemColour::kInfoText:
      return 0x000000;
    case SystemColour::kInfoBackground:
      return 0xE1FFFF;
    case SystemColour::kWindow:
    case SystemColour::kHighlightText:
    case SystemColour::kButtonHighlight:
      return 0xFFFFFF;
    case SystemColour::kButtonFace:
      return 0xD8E9EC;
    case SystemColour::kButtonShadow:
      return 0x99A8AC;
  }
  return 0;
}

void FakePlatform::Deactivate() {
  FakeWindow* old = Find(active_);
  active_ = 0;
  if (old != nullptr) old->handler->OnActivate(false);
}

std::unique_ptr<SurfaceBuffer> FakePlatform::CreateSurface(int32_t width, int32_t height) {
  if (int64_t{width} * height > largest_surface_) return nullptr;
  return std::make_unique<HeapSurfaceBuffer>(width, height);
}

// --- Monitors ---

void FakePlatform::set_monitors(std::vector<MonitorInfo> monitors) {
  monitors_ = std::move(monitors);
  for (const MonitorInfo& m : monitors_) {
    if (!m.primary) continue;
    screen_.width = m.bounds.width();
    screen_.height = m.bounds.height();
  }
}

std::vector<MonitorInfo> FakePlatform::List() {
  if (!monitors_.empty()) return monitors_;
  const Rect all{0, 0, screen_.width, screen_.height};
  return {{all, all, true, "\\\\.\\DISPLAY1"}};
}

VirtualScreen FakePlatform::Virtual() {
  const std::vector<MonitorInfo> monitors = List();
  VirtualScreen screen{monitors.front().bounds, static_cast<int32_t>(monitors.size())};
  for (const MonitorInfo& m : monitors)
    screen.bounds = Union(screen.bounds, m.bounds);
  return screen;
}

// --- LayeredWindows ---

WindowId FakePlatform::CreateLayered(const Rect& bounds, bool topmost, WindowId owner,
                                     WindowHandler& handler) {
  const WindowSpec spec{WindowKind::kTool, "", bounds, topmost, owner};
  const WindowId id = Create(spec, handler);
  windows_[id].layered = true;
  return id;
}

bool FakePlatform::PushLayer(WindowId window, const Surface& layer, const Rect& bounds) {
  const FakeWindow* w = Find(window);
  if (w == nullptr || !w->layered || !layer.valid() || fail_layer_pushes_) return false;
  const int32_t width = std::min(bounds.width(), layer.width);
  const int32_t height = std::min(bounds.height(), layer.height);
  if (width <= 0 || height <= 0) return false;
  const Rect placed{bounds.left, bounds.top, bounds.left + width, bounds.top + height};
  SetBounds(window, placed);  // a resize reaches the handler, as WM_SIZE does
  if (observer_ != nullptr) observer_->LayerPushed(window, layer, placed);
  if (keep_records_) {
    LayerPushRecord record{now_ticks_, window, placed, 0, {}};
    record.checksum = Checksum(layer, {0, 0, width, height},
                               record_pixels_ ? &record.pixels : nullptr, 0xFFFFFFFF);
    layer_pushes_.push_back(std::move(record));
  }
  return true;
}

void FakePlatform::ShowLayered(WindowId window, bool show) {
  FakeWindow* w = Find(window);
  if (w == nullptr) return;
  if (show) {
    Show(window, /*activate=*/false);
  } else {
    Hide(window);
  }
}

}  // namespace lantern::platform::fake
