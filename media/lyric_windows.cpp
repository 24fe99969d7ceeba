// The lyric windows: making and destroying them per style, the probe, clearing,
// hiding and raising, and drawing and pushing their layers. The timer's
// per-style logic is in lyric_timer.cpp.
#include "media/lyric_windows.h"

#include <algorithm>
#include <vector>

#include "imaging/composition.h"

namespace lantern::media {

// One lyric form: a layered window, its layer, and its keys forwarded to the
// player. The top form also carries the lyric timer.
class LyricWindows::Form final : public show::KeyForwardingHandler {
 public:
  Form(LyricWindows& owner, show::KeySink& keys, int32_t row)
      : KeyForwardingHandler(keys), owner_(owner), row_(row) {}
  void OnTimer(int timer_id) override {
    if (timer_id == kTimer2) owner_.Timer2_Timer();
  }

  int32_t row() const { return row_; }
  platform::WindowId id = 0;
  std::unique_ptr<platform::SurfaceBuffer> layer;

 private:
  LyricWindows& owner_;
  int32_t row_;  // 0 the first row, 1 the second
};

namespace {

struct FormPlan {
  LyricForm form;
  int32_t row;
};

// The windows of each style and the row each stands in.
std::vector<FormPlan> FormsOf(int32_t style) {
  using F = LyricForm;
  switch (style) {
    case 1:
      return {{F::kTop, 0}, {F::kBottom, 1}};
    case 2:
      return {{F::kTop, 0}, {F::kDynamic, 0}, {F::kDynamic2, 0}};
    case 3:
      return {{F::kTop, 0}, {F::kDynamic, 0}, {F::kBottom, 1}, {F::kDynamic2, 1}};
    default:
      return {{F::kTop, 0}};
  }
}

size_t Index(LyricForm form) {
  return static_cast<size_t>(form);
}

// Black of alpha 1: transparent to the eye, yet the window still takes clicks.
constexpr uint32_t kClearPixel = 0x01000000;

void ClearLayer(const platform::Surface& layer) {
  for (int32_t y = 0; y < layer.height; ++y)
    std::fill(layer.Row(y), layer.Row(y) + layer.width, kClearPixel);
}

// Off-screen columns for a cleared form (a song ended) and a hidden one (the
// music paused), by the display's width; each form has its own, so parked
// windows never overlap.
int32_t ClearedX(LyricForm form, int32_t display_width) {
  switch (form) {
    case LyricForm::kTop:
      return display_width + 100;
    case LyricForm::kBottom:
      return 2 * display_width + 200;
    case LyricForm::kDynamic:
      return -display_width - 100;
    case LyricForm::kDynamic2:
      return -2 * display_width - 100;
  }
  return 0;
}

int32_t HiddenX(LyricForm form, int32_t display_width) {
  switch (form) {
    case LyricForm::kTop:
      return 10 * display_width + 100;
    case LyricForm::kBottom:
      return 12 * display_width + 200;
    case LyricForm::kDynamic:
      return -10 * display_width - 100;
    case LyricForm::kDynamic2:
      return -12 * display_width - 100;
  }
  return 0;
}

// New windows wait above the screen until a line is pushed.
constexpr int32_t kStartTop = -3000;

}  // namespace

LyricWindows::LyricWindows(LyricWindowServices services, LyricShow show)
    : services_(services), settings_(show.settings), state_(show.state), music_(show.music) {}

LyricWindows::~LyricWindows() {
  DestroyLyricWindows();
}

// --- making and destroying --------------------------------------------------------

void LyricWindows::CreateLyricWindows(const show::LyricArea& area, show::KeySink& keys) {
  if (probe_failed_) return;
  rebuilding_ = true;
  const bool timer_was_on = timer_on_;
  DestroyLyricWindows();
  style_ = settings_.LyricStyle;
  normal_ = imaging::StyleOf(settings_, 3);
  highlight_ = normal_;
  highlight_.pattern = settings_.LyricDynamicFontPattern;
  highlight_.argb1 = imaging::ToArgb(settings_.LyricDynamicFontStartColor, 255);
  highlight_.argb2 = imaging::ToArgb(settings_.LyricDynamicFontEndColor, 255);
  for (imaging::TextStyle* style : {&normal_, &highlight_}) {
    style->clear = true;
    style->premultiplied = true;
  }
  area_ = area;
  state_.LyricsReady = MakeForms(keys);
  if (state_.LyricsReady && !ProbeLyricWindows()) {
    probe_failed_ = true;  // the system refuses layered windows: lyrics stay off for the run
    DestroyLyricWindows();
  }
  if (state_.LyricsReady) {
    // The lyric font may have been rescaled with the window.
    if (song_ != nullptr && song_->lyrics().LyricCount > 0) ForgetLyricWidths(song_->lyrics());
    if (timer_was_on) StartTimer2();
  }
  rebuilding_ = false;
}

bool LyricWindows::MakeForms(show::KeySink& keys) {
  width_ = settings_.LyricPosW;
  height_ = settings_.LyricPosH;
  const int32_t w = width_;
  const int32_t h = height_;
  if (w <= 0 || h <= 0) return false;
  for (const FormPlan& plan : FormsOf(style_)) {
    auto form = std::make_unique<Form>(*this, keys, plan.row);
    form->layer = services_.surfaces.CreateSurface(w, h);
    if (!form->layer || !form->layer->surface().valid()) return false;
    const platform::Rect bounds{PosX(), kStartTop, PosX() + w, kStartTop + h};
    // With composition on the windows float above every window; without it
    // they are owned by the player, not topmost, and stay with it.
    form->id = services_.layered.CreateLayered(bounds, area_.floating, area_.owner, *form);
    if (form->id == 0) return false;
    forms_[Index(plan.form)] = std::move(form);
    services_.layered.ShowLayered(forms_[Index(plan.form)]->id, true);
  }
  return true;
}

void LyricWindows::DestroyLyricWindows() {
  StopTimer2();
  for (std::unique_ptr<Form>& form : forms_) {
    if (form && form->id != 0) services_.layered.DestroyLayered(form->id);
    form.reset();
  }
  state_.LyricsReady = false;
}

bool LyricWindows::ProbeLyricWindows() {
  const Form* top = Find(LyricForm::kTop);
  if (top == nullptr) return false;
  const platform::Surface& layer = top->layer->surface();
  const int32_t y = -area_.height - 100;
  return services_.layered.PushLayer(top->id, layer,
                                     {PosX(), y, PosX() + layer.width, y + layer.height});
}

// --- the timer --------------------------------------------------------------------------

void LyricWindows::StartTimer2() {
  const Form* top = Find(LyricForm::kTop);
  if (top == nullptr) return;
  services_.timers.StartTimer(top->id, kTimer2, kTimer2Interval);
  timer_on_ = true;
}

void LyricWindows::StopTimer2() {
  const Form* top = Find(LyricForm::kTop);
  if (top != nullptr && timer_on_) services_.timers.StopTimer(top->id, kTimer2);
  timer_on_ = false;
}

// --- clearing, hiding, raising ------------------------------------------------------------

void LyricWindows::ClearLyricWindows() {
  if (settings_.LyricFilesCount <= 0 || !state_.LyricsReady) return;
  StopTimer2();
  for (const LyricForm form :
       {LyricForm::kTop, LyricForm::kBottom, LyricForm::kDynamic, LyricForm::kDynamic2}) {
    if (Find(form) != nullptr) ClearAndPush(form, ClearedX(form, area_.width));
  }
}

void LyricWindows::HideLyricWindows() {
  if (settings_.LyricFilesCount <= 0 || !state_.LyricsReady) return;
  for (const LyricForm form :
       {LyricForm::kTop, LyricForm::kBottom, LyricForm::kDynamic, LyricForm::kDynamic2}) {
    if (Find(form) != nullptr) MoveTo(form, HiddenX(form, area_.width));
  }
}

void LyricWindows::SetLyricWindowsShown(bool shown) {
  if (!state_.LyricsReady) return;
  for (const std::unique_ptr<Form>& form : forms_) {
    if (form) services_.layered.ShowLayered(form->id, shown);
  }
}

void LyricWindows::FollowWindow(const show::LyricArea& area) {
  area_ = area;
  if (state_.LyricsReady && song_ != nullptr) StartTimer2();
}

void LyricWindows::RaiseLyricWindows() {
  if (!state_.LyricsReady || settings_.MuteSound || song_ == nullptr || !song_->SongHasLyrics())
    return;
  const std::optional<double> position = song_->SongPosition();
  const std::optional<double> duration = song_->SongDuration();
  if (!position || !duration || *position >= *duration) return;
  for (const std::unique_ptr<Form>& form : forms_) {
    if (form) services_.windows.SetTopmost(form->id, true);
  }
}

// --- drawing and pushing --------------------------------------------------------------------

LyricWindows::Form* LyricWindows::Find(LyricForm form) const {
  return forms_[Index(form)].get();
}

int32_t LyricWindows::RowY(int32_t row) const {
  return area_.top + settings_.LyricPosY + row * height_;
}

// A line is drawn as one line, cut to what can show of it (see ShownText).
void LyricWindows::DrawLine(LyricForm form, int32_t line, int32_t align, bool highlight) {
  const Form* f = Find(form);
  if (f == nullptr || song_ == nullptr) return;
  LyricTimeline& lyrics = song_->lyrics();
  if (line < 1 || line > lyrics.LyricText.size()) return;
  imaging::TextStyle style = highlight ? highlight_ : normal_;
  style.align = align;
  style.one_line = true;
  const platform::Surface& layer = f->layer->surface();
  imaging::DrawTextBox(services_.text, layer,
                       ShownText(lyrics, line, LyricFontOf(settings_), services_.text), style, 0, 0,
                       static_cast<float>(layer.width), static_cast<float>(layer.height));
}

bool LyricWindows::PushWhole(LyricForm form, int32_t x) {
  return PushSlice(form, {x, 0, LayerWidth()});
}

// Shows columns sx .. sx + cx - 1 of the layer: the platform pushes a layer's
// top-left pixels, so the layer is handed over as a view that starts at sx.
// A form with nothing to show waits off the screen instead.
bool LyricWindows::PushSlice(LyricForm form, const LyricSlice& slice) {
  const Form* f = Find(form);
  if (f == nullptr) return false;
  const platform::Surface& layer = f->layer->surface();
  const int32_t sx = std::clamp(slice.sx, 0, layer.width);
  const int32_t cx = std::min(slice.cx, layer.width - sx);
  if (cx <= 0) {
    MoveTo(form, ClearedX(form, area_.width));
    return true;
  }
  platform::Surface view = layer;
  view.pixels += static_cast<ptrdiff_t>(sx) * 4;
  view.width = cx;
  const int32_t y = RowY(f->row());
  return services_.layered.PushLayer(f->id, view, {slice.x, y, slice.x + cx, y + layer.height});
}

void LyricWindows::ClearAndPush(LyricForm form, int32_t x) {
  const Form* f = Find(form);
  if (f == nullptr) return;
  ClearLayer(f->layer->surface());
  PushWhole(form, x);
}

void LyricWindows::MoveTo(LyricForm form, int32_t x) {
  const Form* f = Find(form);
  if (f == nullptr) return;
  const int32_t y = RowY(f->row());
  services_.layered.MoveLayered(f->id, {x, y, x + width_, y + height_});
}

// --- for tests --------------------------------------------------------------------------------

platform::WindowId LyricWindows::window(LyricForm form) const {
  const Form* f = Find(form);
  return f != nullptr ? f->id : 0;
}

const platform::Surface* LyricWindows::layer(LyricForm form) const {
  const Form* f = Find(form);
  return f != nullptr ? &f->layer->surface() : nullptr;
}

}  // namespace lantern::media
