// The show on the test backend, recorded from its presents and layer pushes.
#include "tools/albumpack/show_capture.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "app/entry.h"
#include "app/show_assembly.h"
#include "platform/fake/fake_platform.h"
#include "player/frm_pb.h"
#include "show/probes.h"

namespace lantern::albumpack {

namespace {

using platform::Rect;
using platform::Surface;
using platform::WindowId;
using platform::fake::FakePlatform;
using platform::fake::kTicksPerMs;

constexpr int64_t kTicksPerSecond = 1000 * kTicksPerMs;

// One premultiplied BGRA pixel over a BGRX one.
uint32_t Over(uint32_t top, uint32_t under) {
  const uint32_t keep = 255 - (top >> 24);
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t t = (top >> shift) & 0xFF;
    const uint32_t u = (under >> shift) & 0xFF;
    out |= std::min<uint32_t>(255, t + (u * keep + 127) / 255) << shift;
  }
  return out;
}

// The screen as the recorded windows show it: what each window last
// presented, with the layered windows' last pushes blended over it.
class ScreenRecorder final : public platform::fake::DisplayObserver {
 public:
  ScreenRecorder(FakePlatform& fake, const CaptureOptions& options, const FrameSink& sink)
      : fake_(fake), options_(options), sink_(sink), canvas_(Pixels()), frame_(Pixels()) {}

  // Runs as virtual time moves on, before any frame is taken.
  std::function<void()> on_move;

  // A frame is handed on once the show is known to go on past its time, so
  // the frame at the very moment the show ends is not part of it.
  void TimeMoves(int64_t from_ticks, int64_t to_ticks) override {
    (void)from_ticks;
    if (on_move) on_move();
    while (started_ && !stopped_ && SampleTicks(composed_) < to_ticks &&
           FrameTicks(composed_) < end_ticks_) {
      Send();
      Compose();
      ++composed_;
    }
    if (to_ticks >= options_.longest_ms * kTicksPerMs) End(options_.longest_ms * kTicksPerMs);
  }

  // The show is over: its last frame goes when it lies before the end.
  void Finish() {
    if (composed_ > sent_ && FrameTicks(sent_) < end_ticks_) Send();
  }

  void Presented(WindowId window, const Surface& surface, const Rect& area) override {
    const platform::fake::FakeWindow* w = fake_.window(window);
    if (w == nullptr || w->layered || !w->visible) return;
    const Rect client = fake_.ClientBounds(window);
    for (int32_t y = area.top; y < area.bottom; ++y) {
      const int32_t sy = y + client.top;
      if (sy < 0 || sy >= options_.height) continue;
      const uint32_t* row = surface.Row(y);
      for (int32_t x = area.left; x < area.right; ++x) {
        const int32_t sx = x + client.left;
        if (sx >= 0 && sx < options_.width) canvas_[Index(sx, sy)] = row[x] & 0xFFFFFF;
      }
    }
  }

  void LayerPushed(WindowId window, const Surface& layer, const Rect& placed) override {
    Layer& kept = layers_[window];
    kept.width = placed.width();
    kept.height = placed.height();
    kept.pixels.resize(static_cast<size_t>(kept.width) * static_cast<size_t>(kept.height));
    for (int32_t y = 0; y < kept.height; ++y)
      std::copy_n(layer.Row(y), kept.width,
                  kept.pixels.begin() + static_cast<ptrdiff_t>(y) * kept.width);
  }

  // The video begins at `ticks` (at once when that time has come); frame 0
  // is the screen then. Without a call it begins with the show.
  void Begin(int64_t ticks) {
    if (started_) return;
    origin_ticks_ = ticks / kTicksPerMs * kTicksPerMs;
    started_ = true;
  }
  void set_wait_for_begin() { started_ = false; }
  bool begun() const { return started_; }
  int64_t origin_ticks() const { return origin_ticks_; }

  // The show ends at `ticks` (at once when that time has come): no frame
  // from then on, and the player is asked to close.
  void End(int64_t ticks) {
    if (end_ticks_ != INT64_MAX) return;
    // The show keeps its times in whole milliseconds; the counter reads
    // after its last wait are not part of it.
    end_ticks_ = ticks / kTicksPerMs * kTicksPerMs;
    fake_.Script({.at_ms = ticks / kTicksPerMs, .type = platform::fake::EventType::kClose});
  }

  void Send() {
    if (composed_ == sent_ || stopped_) return;
    const Surface frame{reinterpret_cast<uint8_t*>(frame_.data()), options_.width, options_.height,
                        options_.width * 4};
    if (!sink_(sent_, frame)) {
      stopped_ = true;
      End(fake_.now_ticks());
    }
    ++sent_;
  }

  bool ended() const { return end_ticks_ != INT64_MAX; }
  int64_t end_ticks() const { return end_ticks_; }
  int64_t frames() const { return sent_; }
  bool stopped() const { return stopped_; }

 private:
  struct Layer {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
  };

  std::vector<uint32_t> Pixels() const {
    return std::vector<uint32_t>(static_cast<size_t>(options_.width) *
                                 static_cast<size_t>(options_.height));
  }
  size_t Index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(options_.width) + static_cast<size_t>(x);
  }
  // Frame k is the screen at k / fps after the video's start.
  int64_t FrameTicks(int64_t k) const { return origin_ticks_ + k * kTicksPerSecond / options_.fps; }
  // The player keeps time in whole milliseconds: frame k shows what it drew
  // in the millisecond of the frame's time, so not the few microseconds the
  // virtual clock spends on the drawing itself decide which slide it shows.
  int64_t SampleTicks(int64_t k) const {
    return FrameTicks(k) / kTicksPerMs * kTicksPerMs + kTicksPerMs - 1;
  }

  void Compose() {
    frame_ = canvas_;
    std::vector<std::pair<int64_t, WindowId>> order;
    for (auto it = layers_.begin(); it != layers_.end();) {
      const platform::fake::FakeWindow* w = fake_.window(it->first);
      if (w == nullptr) {
        it = layers_.erase(it);
        continue;
      }
      if (w->visible && !w->minimised) order.emplace_back(w->raised, it->first);
      ++it;
    }
    std::sort(order.begin(), order.end());
    for (const auto& [raised, id] : order)
      Blend(layers_[id], fake_.window(id)->spec.bounds);
  }

  void Blend(const Layer& layer, const Rect& bounds) {
    const int32_t width = std::min(layer.width, bounds.width());
    const int32_t height = std::min(layer.height, bounds.height());
    for (int32_t y = 0; y < height; ++y) {
      const int32_t sy = bounds.top + y;
      if (sy < 0 || sy >= options_.height) continue;
      for (int32_t x = 0; x < width; ++x) {
        const int32_t sx = bounds.left + x;
        if (sx < 0 || sx >= options_.width) continue;
        uint32_t& under = frame_[Index(sx, sy)];
        under = Over(layer.pixels[static_cast<size_t>(y) * static_cast<size_t>(layer.width) +
                                  static_cast<size_t>(x)],
                     under);
      }
    }
  }

  FakePlatform& fake_;
  const CaptureOptions& options_;
  const FrameSink& sink_;
  std::vector<uint32_t> canvas_;
  std::vector<uint32_t> frame_;
  std::map<WindowId, Layer> layers_;
  int64_t composed_ = 0;  // frames made
  int64_t sent_ = 0;      // frames handed to the sink
  int64_t end_ticks_ = INT64_MAX;
  int64_t origin_ticks_ = 0;
  bool started_ = true;
  bool stopped_ = false;
};

// The album's opening and ending, telling the recorder where the show ends:
// when its ending is over, or when a second pass would begin.
class EndOfShow final : public show::ShowOpeningEnding {
 public:
  EndOfShow(show::ShowOpeningEnding& sequences, ScreenRecorder& recorder, FakePlatform& fake,
            bool ending_excluded)
      : sequences_(sequences),
        recorder_(recorder),
        fake_(fake),
        ending_excluded_(ending_excluded) {}

  void Opening(show::ShowStage& stage) override {
    if (++openings_ > 1) recorder_.End(fake_.now_ticks());
    if (!recorder_.ended()) sequences_.Opening(stage);
  }
  void Ending(show::ShowStage& stage) override {
    if (ending_excluded_) recorder_.End(fake_.now_ticks());
    if (!recorder_.ended()) sequences_.Ending(stage);
    recorder_.End(fake_.now_ticks());
  }
  bool RelayoutRedraw(show::ShowStage& stage) override { return sequences_.RelayoutRedraw(stage); }

 private:
  show::ShowOpeningEnding& sequences_;
  ScreenRecorder& recorder_;
  FakePlatform& fake_;
  bool ending_excluded_;  // the video ends with the last slide asked for
  int openings_ = 0;
};

// The backend as a screen saver of the requested size sees it, started at
// the seed's time of day.
void PrepareBackend(FakePlatform& fake, const CaptureOptions& o) {
  fake.set_screen({o.width, o.height, 15, 15, 60});
  fake.set_keep_records(false);
  const uint32_t seconds = o.seed % 86'400;
  fake.set_local_time({static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                       static_cast<int>(seconds % 60), 0});
  fake.fake_system().module_file_name = "C:\\Albums\\album.scr";
  fake.fake_system().command_line = "/S";
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake.files().CreateFolder(folder);
  // Songs play as long as they are, read from where the player put them.
  fake.fake_media().duration_of = [&fake, &o](const std::string& path) -> std::optional<double> {
    if (!o.song_seconds) return std::nullopt;
    const auto bytes = fake.files().ReadFile(path);
    return bytes ? o.song_seconds(*bytes) : std::nullopt;
  };
}

}  // namespace

CaptureResult CaptureShow(platform::Resources& album, platform::PictureDecoder& pictures,
                          platform::TextRenderer& text, const CaptureOptions& options,
                          const FrameSink& sink) {
  FakePlatform fake;
  fake.UseResources(album);
  fake.UsePictures(pictures);
  fake.UseText(text);
  PrepareBackend(fake, options);
  ScreenRecorder recorder(fake, options, sink);
  fake.set_observer(&recorder);
  CaptureResult result;
  app::StartUp start;
  if (!app::RunStartUp(fake, start)) return result;
  start.values.WindowsVersionClass = show::ProbeVersionClass(fake.process());
  {
    app::ShowAssembly assembly(fake, start.values, start.settings, start.store);
    assembly.context().rnd.set_state(options.seed);
    show::ShowParts parts = assembly.parts();
    std::unique_ptr<EndOfShow> end_of_show;
    if (parts.opening_ending != nullptr) {
      end_of_show = std::make_unique<EndOfShow>(*parts.opening_ending, recorder, fake,
                                                options.last_slide > 0);
      parts.opening_ending = end_of_show.get();
    }
    player::FrmPb form(assembly.context(), start.settings, start.store, parts);
    if (options.first_slide > 0) recorder.set_wait_for_begin();
    // Without an ending, the show ends when the next pass begins; slides
    // asked for begin and end the video as they begin.
    recorder.on_move = [&] {
      const int64_t now = fake.now_ticks();
      if (form.PassesBegun() > 1) recorder.End(now);
      if (options.first_slide > 0 && form.SlidesBegun() >= options.first_slide) recorder.Begin(now);
      if (options.last_slide > 0 && form.SlidesBegun() > options.last_slide) recorder.End(now);
    };
    form.Run();
    recorder.on_move = nullptr;
    recorder.Finish();
  }
  fake.set_observer(nullptr);
  result.frames = recorder.frames();
  const int64_t end = recorder.ended() ? recorder.end_ticks() : fake.now_ticks();
  result.length_ms = recorder.begun() ? (end - recorder.origin_ticks()) / kTicksPerMs : 0;
  result.stopped = recorder.stopped();
  return result;
}

}  // namespace lantern::albumpack
