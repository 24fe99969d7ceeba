// The deterministic test backend. Time is virtual: waits advance it to the
// next thing that happens (a scripted input event, an interval timer, the wait's
// own timer), so an hour-long show runs in milliseconds and always the same
// way. Windows live in memory; every present is recorded with a checksum of the
// pixels shown (and a copy, when asked for).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake_files.h"
#include "platform/fake/fake_media.h"
#include "platform/fake/fake_pictures.h"
#include "platform/fake/fake_system.h"
#include "platform/fake/fake_text.h"
#include "platform/fake/fake_worker.h"
#include "platform/platform.h"

namespace lantern::platform::fake {

// The counter runs at 10 MHz, as on Windows under Wine: one count is 100 ns.
constexpr int64_t kTicksPerMs = 10'000;
// Where Windows puts a minimised window (its client area there is empty).
inline constexpr int32_t kMinimisedPlace = -32000;

enum class EventType {
  kKeyDown,
  kKeyUp,
  kChar,
  kMouseDown,
  kMouseUp,
  kMouseMove,
  kClose,
  kCall,  // runs `call`, as a message handler would, whatever window is active
};

struct ScriptedEvent {
  int64_t at_ms = 0;  // virtual time at which the event arrives
  EventType type = EventType::kKeyDown;
  WindowId window = 0;  // 0: the active window (the last one shown with activation)
  int key = 0;          // key code, or the character for kChar
  int shift = 0;
  int button = 0;
  int x = 0;
  int y = 0;
  std::function<void()> call = {};  // kCall
};

struct PresentRecord {
  int64_t at_ticks = 0;
  WindowId window = 0;
  Rect area;
  uint64_t checksum = 0;         // FNV-1a over the presented area's pixels, row by row
  std::vector<uint32_t> pixels;  // the area's pixels, when recording copies
};

// One push of a layer to a layered window: where it went and what it showed.
struct LayerPushRecord {
  int64_t at_ticks = 0;
  WindowId window = 0;
  Rect bounds;                   // the window's bounds after the push
  uint64_t checksum = 0;         // FNV-1a over the pushed pixels, alpha included, row by row
  std::vector<uint32_t> pixels;  // the pushed pixels, when recording copies
};

// Watches the screen as virtual time passes, to record the show as it is seen.
// Called from inside the fake, so it only reads and copies.
class DisplayObserver {
 public:
  virtual ~DisplayObserver() = default;
  // Virtual time moves on from `from_ticks` to `to_ticks`: until then the
  // screen stays as it is now.
  virtual void TimeMoves(int64_t from_ticks, int64_t to_ticks) = 0;
  // A window showed `area` of its surface (window coordinates).
  virtual void Presented(WindowId window, const Surface& surface, const Rect& area) = 0;
  // A layered window shows the top-left part of `layer` at `placed`.
  virtual void LayerPushed(WindowId window, const Surface& layer, const Rect& placed) = 0;
};

struct FakeWindow {
  WindowSpec spec;
  bool layered = false;
  WindowHandler* handler = nullptr;
  bool visible = false;
  bool minimised = false;
  bool framed = false;
  bool busy_cursor = false;
  // When the window last came to the top (shown, activated or raised): of
  // two windows, the one raised later is above.
  int64_t raised = 0;
  NativeHandle native_parent = 0;
  const Surface* surface = nullptr;
  std::vector<std::pair<Rect, std::string>> tool_tips;
  struct Timer {
    uint32_t interval_ms = 0;
    int64_t next_due_ticks = 0;
  };
  std::map<int, Timer> timers;
};

class FakePlatform final : public Platform,
                           public Clock,
                           public MessageLoop,
                           public WindowSystem,
                           public WindowStates,
                           public WindowPainting,
                           public WindowTimers,
                           public Desktop,
                           public Surfaces,
                           public Monitors,
                           public LayeredWindows {
 public:
  FakePlatform();

  Clock& clock() override { return *this; }
  MessageLoop& loop() override { return *this; }
  WindowSystem& windows() override { return *this; }
  WindowStates& window_states() override { return *this; }
  WindowPainting& painting() override { return *this; }
  WindowTimers& timers() override { return *this; }
  Desktop& desktop() override { return *this; }
  Surfaces& surfaces() override { return *this; }
  Resources& resources() override { return *resources_used_; }
  PictureDecoder& pictures() override { return *pictures_used_; }
  FakePictureDecoder& fake_pictures() { return pictures_; }
  TextRenderer& text() override { return *text_used_; }
  FakeTextRenderer& fake_text() { return text_; }
  FileSystem& files() override { return files_; }
  FakeResources& fake_resources() { return resources_; }
  FakeFileSystem& fake_files() { return files_; }
  Process& process() override { return system_; }
  Power& power() override { return system_; }
  ForeignWindows& foreign_windows() override { return system_; }
  Registry& registry() override { return system_; }
  Fonts& fonts() override { return system_; }
  Clipboard& clipboard() override { return system_; }
  MessageBoxes& messages() override { return system_; }
  CodePage& code_page() override { return system_; }
  CommonDialogs& common_dialogs() override { return system_; }
  FakeSystem& fake_system() { return system_; }
  Monitors& monitors() override { return *this; }
  LayeredWindows& layered() override { return *this; }
  MediaPlayerFactory& media() override { return media_; }
  FakeMediaFactory& fake_media() { return media_; }
  std::unique_ptr<Worker> CreateWorker() override { return workers_.Create(); }
  FakeWorkers& fake_workers() { return workers_; }

  // --- control of the fake, for tests ---
  // Real pictures, text or resources in place of the fake's own (which stay
  // reachable through fake_pictures() and the like); each must outlive the fake.
  void UsePictures(PictureDecoder& pictures) { pictures_used_ = &pictures; }
  void UseText(TextRenderer& text) { text_used_ = &text; }
  void UseResources(Resources& resources) { resources_used_ = &resources; }
  // Told of every present, layer push and move of time; nullptr for none.
  void set_observer(DisplayObserver* observer) { observer_ = observer; }
  // Without records, presents and layer pushes are only told to the
  // observer, so a long run keeps no history.
  void set_keep_records(bool keep) { keep_records_ = keep; }
  void Script(const ScriptedEvent& event);  // events are kept in time order
  void AdvanceMs(int64_t ms) { MoveTo(now_ticks_ + ms * kTicksPerMs); }
  void AdvanceTicks(int64_t ticks) { MoveTo(now_ticks_ + ticks); }
  int64_t now_ticks() const { return now_ticks_ + owed_ticks_; }
  double now_ms_exact() const { return static_cast<double>(now_ticks_) / kTicksPerMs; }
  // Each counter read moves virtual time on by this many counts, so a busy
  // wait on the counter ends (default 10: one microsecond per read).
  void set_counter_step(int64_t counts) { counter_step_ = counts; }
  // Each present takes this many ticks of virtual time (none by default), as
  // copying a big frame into a window does. The time passes before the clock
  // is next read or waited on, so the presents made together (the areas of
  // one frame) keep one time in their records.
  void set_present_ticks(int64_t ticks) { present_ticks_ = ticks; }
  // The time of day stands still at the time set (the clock runs on): the
  // generator's reseeds from it give the same numbers whenever they come.
  void set_local_time_frozen(bool frozen) { local_time_frozen_ = frozen; }
  void set_screen(const ScreenMetrics& metrics) { screen_ = metrics; }
  // The monitors the system reports, as on Windows the primary one's size is
  // also the screen's. Without it: one primary monitor of the screen's size.
  void set_monitors(std::vector<MonitorInfo> monitors);
  // The foreign window `parent` goes away (the preview's host closes): the
  // windows made its children are destroyed with it, and told so.
  void DestroyChildrenOf(NativeHandle parent);
  void set_local_time(const LocalTime& t) { local_time_at_zero_ = t; }
  // The width of a dialog frame on every side (none unless a test asks).
  void set_frame_border(int32_t pixels) { frame_border_ = pixels; }
  void set_system_colour(SystemColour colour, uint32_t bgr) { system_colours_[colour] = bgr; }
  // The program loses the activation (another program's window is clicked).
  void Deactivate();
  void set_record_pixels(bool on) { record_pixels_ = on; }
  void set_fail_wait_timers(bool fail) { fail_wait_timers_ = fail; }
  // No window can be made while this many exist (Create gives 0), as when
  // the system runs out of them.
  void set_window_limit(size_t limit) { window_limit_ = limit; }
  // PushLayer refuses while set, as a system without layered windows does.
  void set_fail_layer_pushes(bool fail) { fail_layer_pushes_ = fail; }
  // CreateSurface gives nothing for a surface of more pixels than this, as a
  // machine short of memory does.
  void set_largest_surface(int64_t pixels) { largest_surface_ = pixels; }
  const std::vector<PresentRecord>& presents() const { return presents_; }
  const std::vector<LayerPushRecord>& layer_pushes() const { return layer_pushes_; }
  int pump_count() const { return pump_count_; }
  // Wait timers made so far, and waits on them (each one a wake of the thread).
  int wait_timers_made() const { return wait_timers_made_; }
  int waits() const { return waits_; }
  const FakeWindow* window(WindowId id) const;
  WindowId active_window() const { return active_; }
  size_t pending_events() const { return script_.size(); }

  // --- Clock ---
  uint32_t NowMs() override;
  int64_t Counter() override;
  int64_t CounterFrequency() override { return 10'000'000; }
  LocalTime Now() override;

  // --- MessageLoop ---
  std::unique_ptr<WaitTimer> StartWaitTimer(int32_t ms) override;
  bool RearmWaitTimer(WaitTimer& timer, int32_t ms) override;
  WaitResult WaitForTimerOrMessage(WaitTimer& timer) override;
  void PumpMessages() override;

  // --- WindowSystem ---
  WindowId Create(const WindowSpec& spec, WindowHandler& handler) override;
  void Destroy(WindowId window) override;
  bool Exists(WindowId window) override { return windows_.count(window) != 0; }
  void Show(WindowId window, bool activate) override;
  void Hide(WindowId window) override;
  void SetBounds(WindowId window, const Rect& bounds) override;
  Rect Bounds(WindowId window) override;
  void SetTopmost(WindowId window, bool topmost) override;
  void Raise(WindowId window) override;
  void SetTitle(WindowId window, const std::string& title) override;
  void Minimise(WindowId window) override;
  bool IsMinimised(WindowId window) override;
  void Restore(WindowId window) override;
  void SetForeground(WindowId window) override;
  void SetNativeParent(WindowId window, NativeHandle parent) override;
  NativeHandle Native(WindowId window) override { return window; }
  void AttachSurface(WindowId window, const Surface* surface) override;
  void Present(WindowId window, const Rect& area) override;
  void StartTimer(WindowId window, int timer_id, uint32_t interval_ms) override;
  void StopTimer(WindowId window, int timer_id) override;
  ScreenMetrics Screen() override { return screen_; }
  void SetFramed(WindowId window, bool framed) override;
  Rect ClientBounds(WindowId window) override;
  void SetBusyCursor(WindowId window, bool busy) override;
  uint32_t SystemColourOf(SystemColour colour) override;
  void AddToolTip(WindowId window, const Rect& area, const std::string& text) override;
  bool ApplicationActive() override { return active_ != 0; }
  std::unique_ptr<SurfaceBuffer> CreateSurface(int32_t width, int32_t height) override;

  // --- Monitors ---
  std::vector<MonitorInfo> List() override;
  VirtualScreen Virtual() override;

  // --- LayeredWindows ---
  WindowId CreateLayered(const Rect& bounds, bool topmost, WindowId owner,
                         WindowHandler& handler) override;
  bool PushLayer(WindowId window, const Surface& layer, const Rect& bounds) override;
  void MoveLayered(WindowId window, const Rect& bounds) override { SetBounds(window, bounds); }
  void ShowLayered(WindowId window, bool show) override;
  void DestroyLayered(WindowId window) override { Destroy(window); }

 private:
  FakeWindow* Find(WindowId id);
  int64_t NextMessageTicks() const;  // earliest scripted event or interval timer; INT64_MAX if none
  void Deliver(const ScriptedEvent& event);
  void FireDueTimers();
  // Lets the presents' time pass.
  void Settle() {
    MoveTo(now_ticks_ + owed_ticks_);
    owed_ticks_ = 0;
  }
  // Every change of virtual time goes through here, for the observer.
  void MoveTo(int64_t ticks) {
    if (observer_ != nullptr && ticks > now_ticks_) observer_->TimeMoves(now_ticks_, ticks);
    now_ticks_ = ticks;
  }

  FakeResources resources_;
  FakeFileSystem files_;
  FakePictureDecoder pictures_{files_};
  FakeTextRenderer text_;
  FakeSystem system_;
  FakeMediaFactory media_{*this};
  Resources* resources_used_ = &resources_;
  PictureDecoder* pictures_used_ = &pictures_;
  TextRenderer* text_used_ = &text_;
  DisplayObserver* observer_ = nullptr;
  bool keep_records_ = true;
  FakeWorkers workers_;
  int64_t now_ticks_ = 0;
  int64_t counter_step_ = 10;
  int64_t present_ticks_ = 0;
  int64_t owed_ticks_ = 0;  // presents' time not yet passed
  bool local_time_frozen_ = false;
  LocalTime local_time_at_zero_{14, 35, 7, 0};
  ScreenMetrics screen_{1024, 768, 15, 15, 60};
  int32_t frame_border_ = 0;
  std::map<SystemColour, uint32_t> system_colours_;
  bool record_pixels_ = false;
  bool fail_wait_timers_ = false;
  size_t window_limit_ = SIZE_MAX;
  bool fail_layer_pushes_ = false;
  int64_t largest_surface_ = INT64_MAX;
  std::deque<ScriptedEvent> script_;
  std::map<WindowId, FakeWindow> windows_;
  WindowId next_id_ = 1;
  WindowId active_ = 0;
  int64_t raise_count_ = 0;
  std::vector<MonitorInfo> monitors_;
  std::vector<PresentRecord> presents_;
  std::vector<LayerPushRecord> layer_pushes_;
  int pump_count_ = 0;
  int wait_timers_made_ = 0;
  int waits_ = 0;
};

}  // namespace lantern::platform::fake
