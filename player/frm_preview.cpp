// The preview form: loading into the host window, its two timers, closing.
#include "player/frm_preview.h"

#include <exception>

#include "imaging/raster.h"

namespace lantern::player {

namespace {

// The form waits for its timers and for the close in steps of this length.
constexpr int32_t kIdleWaitMs = 1000;
// Photos are shrunk to fit and centred, never enlarged.
constexpr int32_t kShrinkToFit = 0;

}  // namespace

FrmPreview::FrmPreview(show::ShowContext& context, const album::AlbumSettings& settings,
                       const album::PropertyBag& store)
    : context_(context),
      platform_(context.platform),
      settings_(settings),
      album_{settings, store, context.items, context.platform.files()},
      pictures_(context.platform, context.rnd) {}

FrmPreview::~FrmPreview() {
  Unload();
}

void FrmPreview::Run(platform::NativeHandle parent) {
  bool loaded = false;
  try {
    loaded = Form_Load(parent);
  } catch (const std::exception&) {
  }
  if (!loaded) {
    Unload();
    return;
  }
  while (!unloaded_)
    context_.pacer.WaitMs(kIdleWaitMs);
}

bool FrmPreview::Form_Load(platform::NativeHandle parent) {
  if (!platform_.pictures().Start()) return false;
  context_.state.ShowStopping = false;
  const platform::Rect client = platform_.foreign_windows().ClientRect(parent);
  if (parent == 0 || client.empty()) return false;
  return LoadWindow(parent, client);
}

bool FrmPreview::LoadWindow(platform::NativeHandle parent, const platform::Rect& client) {
  platform::WindowSystem& windows = platform_.windows();
  const platform::Rect bounds{0, 0, client.width(), client.height()};
  platform::WindowSpec spec;
  spec.title = context_.values.AlbumTitle;  // another copy finds the preview by it
  spec.bounds = bounds;
  window_ = windows.Create(spec, *this);
  if (window_ == 0) return false;
  platform_.window_states().SetNativeParent(window_, parent);
  windows.SetBounds(window_, bounds);
  pic_dst_ = platform_.surfaces().CreateSurface(bounds.width(), bounds.height());
  if (!pic_dst_ || !pic_dst_->surface().valid()) return false;
  const platform::Surface& pic = pic_dst_->surface();
  imaging::FillBlack(pic, 0, 0, pic.width, pic.height);
  platform_.painting().AttachSurface(window_, &pic);
  windows.Show(window_, /*activate=*/false);
  platform_.timers().StartTimer(window_, kTimer2, kTimer2Ms);
  platform_.timers().StartTimer(window_, kTimer1, kTimer1Ms);
  return true;
}

void FrmPreview::OnTimer(int timer_id) {
  if (ticking_ || unloaded_) return;  // a tick due inside a tick's wait is left out
  ticking_ = true;
  if (timer_id == kTimer1) Timer1_Timer();
  if (timer_id == kTimer2) Timer2_Timer();
  ticking_ = false;
  if (unload_pending_) Unload();
}

void FrmPreview::Timer2_Timer() {
  platform_.timers().StopTimer(window_, kTimer2);  // once
  photo_counter_ = 1;
  ShowPhoto(photo_counter_);
  if (photo_counter_ == settings_.NowI) photo_counter_ = 0;
}

void FrmPreview::Timer1_Timer() {
  ++photo_counter_;
  if (context_.state.ShowStopping) platform_.timers().StopTimer(window_, kTimer1);
  ShowPhoto(photo_counter_);
  if (photo_counter_ == settings_.NowI) photo_counter_ = 0;  // photo 1 comes next
}

void FrmPreview::ShowPhoto(int32_t n) {
  const platform::Surface& pic = pic_dst_->surface();
  imaging::FillBlack(pic, 0, 0, pic.width, pic.height);
  try {
    pictures_.DrawAlbumPhoto(pic, album_, n, kShrinkToFit);
  } catch (const std::exception&) {
    // a photo that cannot be drawn leaves the box cleared for this tick
  }
  platform_.painting().Present(window_, pic.bounds());
}

void FrmPreview::Form_QueryUnload() {
  context_.state.ShowStopping = true;
  if (window_ != 0) {
    platform_.timers().StopTimer(window_, kTimer1);
    platform_.timers().StopTimer(window_, kTimer2);
  }
  if (ticking_) {
    unload_pending_ = true;
    return;
  }
  Unload();
}

// The window goes before the picture it paints from. Without its form the
// program no longer answers to the album's title, so a copy starting now
// does not wait for this one to exit.
void FrmPreview::Unload() {
  unload_pending_ = false;
  if (unloaded_) return;
  unloaded_ = true;
  if (window_ != 0) platform_.windows().Destroy(window_);
  window_ = 0;
  pic_dst_.reset();
  pictures_.Release();
  platform_.power().SetApplicationTitle("");
}

}  // namespace lantern::player
