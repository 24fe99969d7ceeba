// The player form: loading, the first activation, presenting slides, the
// re-layout redraw and the end of the show. The pass loop is in run_loop.cpp.
#include "player/frm_pb.h"

#include <new>

#include "album/album_fonts.h"
#include "base/rounding.h"
#include "imaging/raster.h"
#include "media/music.h"
#include "show/probes.h"

namespace lantern::player {

namespace {

// The face the form itself is drawn with; style fonts fall back to it.
constexpr char kFormFontName[] = "Tahoma";
constexpr char kLastResortFont[] = "Arial";

// Runs one step of the end of the show; a failing step never keeps the
// following ones from running.
template <typename Step>
void Always(Step&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

// The window's place: centred on the screen in the windowed player, the whole
// screen in the screen saver.
platform::Rect PlayerBounds(const platform::ScreenMetrics& screen, DisplaySize display,
                            bool windowed) {
  const int32_t left = windowed ? (screen.width - display.width) / 2 : 0;
  const int32_t top = windowed ? (screen.height - display.height) / 2 : 0;
  return {left, top, left + display.width, top + display.height};
}

}  // namespace

FrmPb::FrmPb(show::ShowContext& context, album::AlbumSettings& settings,
             const album::PropertyBag& store, show::ShowParts parts)
    : context_(context),
      platform_(context.platform),
      values_(context.values),
      settings_(settings),
      store_(store),
      parts_(parts),
      state_(context.state),
      music_(context.music),
      presenter_(context.presenter),
      pacer_(context.pacer),
      rnd_(context.rnd),
      items_(context.items),
      album_{settings, store, items_, platform_.files()},
      prefetch_(platform_.CreateWorker(), platform_.pictures()),
      worker_decoder_(prefetch_.worker(), platform_.pictures(),
                      [this] {
                        pacer_.WaitForMessage(2);
                        return !state_.ShowStopping;
                      }),
      pictures_(platform_, rnd_, &worker_decoder_),
      errors_([this] { StopShow(); }),
      number_box_(platform_, [this](int key, int shift) { Form_KeyDown(key, shift); }) {
  if (values_.SharedDialogFont) number_box_.set_font(*values_.SharedDialogFont);
}

FrmPb::~FrmPb() {
  if (window_ != 0 && platform_.windows().Exists(window_)) platform_.windows().Destroy(window_);
}

void FrmPb::Run() {
  Form_Load();
  if (state_.ShowStopping || !platform_.windows().Exists(window_)) return;
  platform_.windows().Show(window_, true);
  Form_Activate();
}

void FrmPb::Form_Load() {
  RunOwnSteps(&FrmPb::LoadSteps);
}

// The form's own loading or pass loop: a failure stops the show, and a
// release that waited for the loop to end is done when it has.
void FrmPb::RunOwnSteps(void (FrmPb::*steps)()) {
  running_ = true;
  try {
    (this->*steps)();
  } catch (const std::exception&) {
    StopShow();
  }
  running_ = false;
  ReleaseIfSafe();
}

void FrmPb::LoadSteps() {
  platform::Power& power = platform_.power();
  imaging_started_ = platform_.pictures().Start();
  if (!imaging_started_) {
    StopShow();
    return;
  }
  if (values_.WindowsVersionClass > 5) CheckComposition();
  composition_seen_ = composition_on_;
  ReSizeWindow1(values_.WindowScale);
  platform_.timers().StartTimer(window_, kTimer1, 1000);
  if (settings_.PackageMode()) {
    const album::FontServices services{platform_.fonts(), platform_.registry(),
                                       platform_.code_page(), platform_.files()};
    album::AlbumFonts(services, items_, [this](int32_t ms) {
      pacer_.WaitMs(ms);
    }).EnsureAlbumFonts(settings_, store_, values_.WindowsVersionClass, values_.NeedsElevation);
    // Without the folder no song is extracted: the show plays without music.
    if (settings_.NowM >= 1) {
      extraction_folder_ = album::MakeExtractionFolder(platform_.files(), values_.TempFolder);
      if (extraction_folder_) {
        context_.ExtractionFolder = extraction_folder_->path;
        values_.TempFolder = extraction_folder_->path;
      }
    }
  }
  // A close during the wait for the fonts has stopped the show: what follows
  // would undo the stop (the screen saver's flag, the hidden cursor).
  if (stop_done_) return;
  ApplyStyleFontFallback();
  if (!values_.WindowedMode) {
    power.SetScreenSaverRunning(true);
    if (!settings_.ShowCursor) power.ShowCursor(false);
  }
  state_.ShowStopping = state_.SleepOnExit = false;
  state_.NextRequested = state_.PreviousRequested = false;
  if (!values_.WindowedMode) {
    if (parts_.cover_windows != nullptr) {
      parts_.cover_windows->CreateCoverWindows(*this, *this, {album_, pictures_});
    }
    show::ProbePower(power, values_);
    for (int32_t timeout : {values_.SleepTimeout, values_.HibernateTimeout}) {
      if (timeout > 0 && timeout <= values_.IdleSeconds) values_.IdleSeconds = 0;
    }
  }
  has_texture_ = pictures_.DecodeInto(album::FindTexture(album_), texture_);
  platform_.loop().PumpMessages();
  media::SynchroniseToMusic(settings_, values_.WindowsVersionClass, music_);
  if (!values_.WindowedMode) platform_.windows().SetTopmost(window_, true);
}

// Sizes the slide area and its surfaces for `scale`. When the new surfaces
// cannot be made (a large window on a machine short of memory) the old ones,
// the old size and the old layout stay, and the result is false; at load,
// without any surfaces yet, the show cannot start.
bool FrmPb::ReSizeWindow1(float scale) {
  const platform::ScreenMetrics screen = platform_.desktop().Screen();
  const DisplaySize wanted = values_.WindowedMode
                                 ? WindowedDisplaySize(screen.width, screen.height, scale)
                                 : DisplaySize{values_.ScreenWidth, values_.ScreenHeight};
  if (!MakeSurfaces(wanted)) {
    if (!pic_dst_) throw std::bad_alloc();
    return false;
  }
  display_ = wanted;
  if (values_.WindowedMode) {
    values_.WindowScale = scale;
    values_.TwipsPerPixelX = screen.twips_per_pixel_x;
    values_.TwipsPerPixelY = screen.twips_per_pixel_y;
    album::RereadGeometry(store_, settings_);
  }
  RescaleLayout(settings_, display_);
  const platform::Rect bounds = PlayerBounds(screen, display_, values_.WindowedMode);
  if (window_ == 0) {
    platform::WindowSpec spec;
    spec.title = values_.AlbumTitle;
    spec.bounds = bounds;
    spec.topmost = !values_.WindowedMode;
    window_ = platform_.windows().Create(spec, *this);
    if (window_ == 0) throw std::runtime_error("the player window cannot be made");
  } else {
    platform_.windows().SetBounds(window_, bounds);
  }
  platform_.painting().AttachSurface(window_, &pic_dst_->surface());
  presenter_.SetTarget(window_, &pic_dst_->surface());
  return true;
}

// The windowed player has a thin frame unless it fills the screen; the
// window is centred with its frame around the slide area, and the floating
// windows follow it.
void FrmPb::ReSizeWindow2() {
  PlaceWindow();
  BuildLyricWindows();
}

void FrmPb::PlaceWindow() {
  platform::WindowSystem& windows = platform_.windows();
  if (values_.WindowedMode) {
    platform_.window_states().SetFramed(window_, values_.WindowScale < 1);
    platform_.loop().PumpMessages();
    const platform::Rect outer = windows.Bounds(window_);
    const platform::Rect client = windows.ClientBounds(window_);
    const DisplaySize framed{display_.width + outer.width() - client.width(),
                             display_.height + outer.height() - client.height()};
    windows.SetBounds(window_,
                      PlayerBounds(platform_.desktop().Screen(), framed, /*windowed=*/true));
    FollowWindow();
  }
  // Restoring also shows a window; the re-layout keeps the player hidden
  // until its slide is drawn again, so only a minimised one is restored.
  if (platform_.window_states().IsMinimised(window_)) platform_.window_states().Restore(window_);
  const platform::Rect placed = windows.Bounds(window_);
  last_left_ = placed.left;
  last_top_ = placed.top;
  if (show::ShowControlBar* bar = ControlBar()) bar->KeepOnTop();
}

void FrmPb::FollowWindow() {
  if (window_ == 0) return;
  if (show::ShowControlBar* bar = ControlBar())
    bar->FollowWindow(platform_.windows().ClientBounds(window_));
  if (LyricWindowsUp()) parts_.lyric_windows->FollowWindow(LyricAreaNow());
  int32_t left = 0, top = 0;
  NumberBoxPlace(left, top);
  number_box_.MoveTo(left, top);
}

// The slide-number box sits under the bar's counter, inside the window.
void FrmPb::NumberBoxPlace(int32_t& left, int32_t& top) {
  const platform::Rect client = platform_.windows().ClientBounds(window_);
  left = client.left + display_.width - 360;
  top = client.top + 40;
}

// Follows moves of the window, and with desktop composition on shows the
// floating windows only while the player is active and not minimised.
void FrmPb::Timer4_Timer() {
  if (!values_.WindowedMode || window_ == 0 || state_.ShowStopping) return;
  platform::WindowSystem& windows = platform_.windows();
  if (values_.WindowScale < 1 && !state_.RelayoutPending) {
    const platform::Rect b = windows.Bounds(window_);
    if (b.left != last_left_ || b.top != last_top_) {
      last_left_ = b.left;
      last_top_ = b.top;
      FollowWindow();
    }
  }
  if (composition_on_ && !drag_started_) {
    player_active_ =
        !platform_.window_states().IsMinimised(window_) && platform_.desktop().ApplicationActive();
    ShowFloatingWindows(player_active_);
  }
}

void FrmPb::ShowFloatingWindows(bool show) {
  if (show == floating_shown_) return;
  if (LyricWindowsUp()) parts_.lyric_windows->SetLyricWindowsShown(show);
  if (show::ShowControlBar* bar = ControlBar()) bar->ShowFloatingWindows(show);
  number_box_.Hide();
  floating_shown_ = show;
}

show::ShowControlBar* FrmPb::ControlBar() const {
  show::ShowControlBar* bar = parts_.control_bar;
  return bar != nullptr && bar->ControlBarReady() ? bar : nullptr;
}

void FrmPb::RedrawControlBar() {
  if (show::ShowControlBar* bar = ControlBar()) bar->RedrawControlBar();
}

void FrmPb::RequestWindowSize(int32_t index) {
  settings_.EnableSync = false;
  saved_scale_ = values_.WindowScale;
  state_.WindowSizeIndex = index;
  platform_.desktop().SetBusyCursor(window_, true);
  state_.RelayoutPending = true;
}

// The slide-number box keeps the keyboard while it is open.
void FrmPb::FocusPlayer() {
  if (window_ == 0 || state_.ShowStopping) return;
  if (number_box_.visible()) {
    number_box_.Focus();
  } else {
    platform_.windows().SetForeground(window_);
    KeepFloatingOnTop();
  }
}

// Activating the player brings it to the top; the control bar and the size
// menu, which float over it, go back above it.
void FrmPb::OnActivate(bool active) {
  if (active && values_.WindowedMode && !state_.ShowStopping) KeepFloatingOnTop();
}

void FrmPb::KeepFloatingOnTop() {
  if (show::ShowControlBar* bar = ControlBar()) bar->KeepOnTop();
}

// The lyric windows are made for the window's place and size, and made again
// whenever those or the desktop's composition change.
void FrmPb::BuildLyricWindows() {
  if (parts_.lyric_windows == nullptr || settings_.NowM < 1 || settings_.LyricFilesCount <= 0 ||
      !settings_.EnableLyric) {
    return;
  }
  parts_.lyric_windows->CreateLyricWindows(LyricAreaNow(), *this);
}

bool FrmPb::LyricWindowsUp() const {
  return parts_.lyric_windows != nullptr && settings_.LyricFilesCount > 0 && state_.LyricsReady;
}

// The lyric positions are relative to the slide, the window's client area.
show::LyricArea FrmPb::LyricAreaNow() {
  const platform::Rect bounds = platform_.windows().ClientBounds(window_);
  return {bounds.left, bounds.top, display_.width, display_.height, window_, composition_on_};
}

// The new surfaces are all made before any old one goes, so a failed
// allocation leaves the show with the surfaces it had.
bool FrmPb::MakeSurfaces(DisplaySize size) {
  const auto fits = [&](const std::unique_ptr<platform::SurfaceBuffer>& buffer) {
    return buffer && buffer->surface().width == size.width &&
           buffer->surface().height == size.height;
  };
  std::unique_ptr<platform::SurfaceBuffer>* buffers[] = {&pic_dst_, &pic_source_, &pic_tmp_, &p4_,
                                                         &p5_};
  std::unique_ptr<platform::SurfaceBuffer> made[std::size(buffers)];
  for (size_t i = 0; i < std::size(buffers); ++i) {
    if (fits(*buffers[i])) continue;
    made[i] = platform_.surfaces().CreateSurface(size.width, size.height);
    if (!made[i] || !made[i]->surface().valid()) return false;
  }
  for (size_t i = 0; i < std::size(buffers); ++i) {
    if (made[i]) *buffers[i] = std::move(made[i]);
  }
  imaging::FillBlack(pic_dst_->surface(), 0, 0, size.width, size.height);
  return true;
}

void FrmPb::ApplyStyleFontFallback() {
  const auto usable = [&](const std::string& face) {
    return platform_.fonts().FontFaceUsable(face);
  };
  const std::string fallback = usable(kFormFontName) ? kFormFontName : kLastResortFont;
  for (int k = 1; k <= album::kStyleCount; ++k) {
    if (!usable(settings_.fFontName[k])) settings_.fFontName[k] = fallback;
  }
}

void FrmPb::Form_Activate() {
  if (activated_) return;
  activated_ = true;
  RunOwnSteps(&FrmPb::ActivateSteps);
}

void FrmPb::ActivateSteps() {
  state_.DisplayedSlideNumber = -1;
  if (settings_.NowM >= 1 && parts_.music != nullptr) parts_.music->OpenMusic();
  if (values_.WindowedMode) {
    if (parts_.control_bar != nullptr) parts_.control_bar->CreateControlBar(*this, composition_on_);
    platform_.timers().StartTimer(window_, kTimer3, 200);
    platform_.timers().StartTimer(window_, kTimer4, 150);
  }
  ReSizeWindow2();
  if (!values_.WindowedMode) {
    platform_.power().AllowForeground();
    platform_.windows().SetForeground(window_);
  }
  if (settings_.CurrentMask >= 1) BuildMask();
  music_.MusicBusy = music_.PassComplete = music_.MusicStarted = false;
  RunPasses();
}

void FrmPb::BuildMask() {
  imaging::DecodedImage mask_picture;
  const bool has_mask = pictures_.DecodeItemFor(album_, "MaskImage", display_.width / 4 + 2,
                                                display_.height / 4 + 2, mask_picture);
  mask_ =
      imaging::BuildMaskTable(has_mask ? &mask_picture : nullptr, display_.width, display_.height);
}

void FrmPb::Form_QueryUnload() {
  if (!state_.ShowStopping || state_.SleepOnExit) StopShow();
}

void FrmPb::OnTimer(int timer_id) {
  if (timer_id == kTimer1) Timer1_Timer();
  if (timer_id == kTimer3) Timer3_Timer();
  if (timer_id == kTimer4) Timer4_Timer();
}

// Ending the show has two halves. What only changes state (the cursor, the
// screen saver's flag, ShowStopping, the timers, the player and its floating
// windows hidden, presenting ended) is done at once. Releasing what the show
// holds (pictures, the music's player, the extraction folder, the windows)
// waits until no step is in progress and the form's own loop has ended:
// StopShow is usually called from a handler inside a wait of such a step,
// which goes on using those objects until it sees ShowStopping.
void FrmPb::StopShow() {
  if (stop_done_) return;
  stop_done_ = true;
  platform::Power& power = platform_.power();
  Always([&] { power.ShowCursor(true); });
  if (!values_.WindowedMode) Always([&] { power.SetScreenSaverRunning(false); });
  state_.ShowStopping = true;
  // Nothing reaches the screen after a stop: the steps still unwinding (a
  // composition, the rest of a pass, an ending) draw only into memory.
  presenter_.Stop();
  if (window_ != 0) {
    Always([&] { platform_.timers().StopTimer(window_, kTimer1); });
    Always([&] { platform_.timers().StopTimer(window_, kTimer3); });
    Always([&] { platform_.timers().StopTimer(window_, kTimer4); });
    Always([&] { ShowFloatingWindows(false); });
    Always([&] { platform_.windows().Hide(window_); });
  }
  Always([&] { number_box_.Hide(); });
  release_pending_ = true;
  ReleaseIfSafe();
}

void FrmPb::ReleaseIfSafe() noexcept {
  if (!release_pending_ || steps_ > 0 || running_) return;
  release_pending_ = false;
  ReleaseShow();
}

void FrmPb::ReleaseShow() {
  platform::Power& power = platform_.power();
  const bool saver = !values_.WindowedMode;
  Always([&] { platform_.loop().PumpMessages(); });
  if (parts_.headlines != nullptr) Always([&] { parts_.headlines->ReleaseEffectObjects(); });
  // A job of the worker's that is running stops at its decoder's next row,
  // or, inside a system decode that cannot be stopped, runs on to its end on
  // its own buffers: the close does not wait for it (the worker leaves it
  // running when the form goes, and the program ends its process).
  Always([&] { prefetch_.Cancel(); });
  Always([&] { pictures_.Release(); });
  if (settings_.NowM > 0 && parts_.music != nullptr) Always([&] { parts_.music->StopMusic(); });
  if (parts_.lyric_windows != nullptr) Always([&] { parts_.lyric_windows->DestroyLyricWindows(); });
  if (parts_.control_bar != nullptr) Always([&] { parts_.control_bar->DestroyControlBar(); });
  Always([&] { texture_ = {}; });
  if (extraction_folder_) {
    Always([&] { album::DeleteExtractionFolder(platform_.files(), *extraction_folder_); });
  }
  Always([&] { mask_ = {}; });
  if (parts_.cover_windows != nullptr) Always([&] { parts_.cover_windows->UnloadCoverWindows(); });
  if (window_ != 0) {
    Always([&] { platform_.windows().Destroy(window_); });
    presenter_.SetTarget(0, nullptr);
  }
  // With its last form gone the program no longer answers to the album's
  // title, so a copy starting now does not wait for this one to exit.
  Always([&] { power.SetApplicationTitle(""); });
  if (state_.SleepOnExit && saver) {
    const bool hibernate =
        values_.SleepTimeout < 1 ||
        (values_.HibernateTimeout != 0 && values_.SleepTimeout >= values_.HibernateTimeout);
    Always([&] { power.Suspend(hibernate); });
  }
}

// The re-layout redraw. It frees and remakes the surfaces, so it runs only
// when no step of the show is drawing with them (a step's pump may run this
// timer); otherwise RelayoutPending stays set and a later tick does it.
void FrmPb::Timer3_Timer() {
  if (!state_.RelayoutPending || state_.ShowStopping || in_transition_ ||
      state_.TextEffectRunning || steps_ > 0) {
    return;
  }
  StepScope scope(*this);
  // The lyric timer must not push the old layers at the new layout while the
  // re-layout pumps messages.
  state_.LyricsRebuilding = true;
  try {
    platform_.windows().Hide(window_);
    if (ReSizeWindow1(static_cast<float>(state_.WindowSizeIndex + 4) / 10)) {
      RedrawAfterRelayout();
    } else {
      state_.WindowSizeIndex = base::Round32(values_.WindowScale * 10 - 4);  // the size it kept
    }
  } catch (const std::exception&) {
  }
  state_.RelayoutPending = false;
  if (window_ != 0) {
    platform_.desktop().SetBusyCursor(window_, false);
    platform_.windows().Show(window_, true);
    // The lyric windows are made for the new layout once their owner shows
    // again: a layered window over a hidden owner may refuse its first push.
    BuildLyricWindows();
  }
  state_.LyricsRebuilding = false;
}

// The window and its floating windows at the new size, and what it showed
// drawn again on the new surfaces.
void FrmPb::RedrawAfterRelayout() {
  PlaceWindow();
  if (settings_.CurrentMask >= 1) BuildMask();
  // The opening or ending, while one shows, draws its picture and title again.
  show::ShowOpeningEnding* sequences = parts_.opening_ending;
  const bool sequence_redrawn = sequences != nullptr && sequences->RelayoutRedraw(*this);
  if (!sequence_redrawn && in_slide_phase_) {
    PrepareSlide(PhotoAt(shown_index_) + 1, /*may_wait=*/false);
    imaging::Copy(PicDst(), 0, 0, display_.width, display_.height, pic_source_->surface(), 0, 0);
    presenter_.MarkAllDirty();
    PrefetchAfter(shown_index_);  // again, for the new size
  }
}

void FrmPb::PresentSlide(const platform::Surface& target, const platform::Surface& source) {
  imaging::Copy(target, 0, 0, target.width, target.height, source, 0, 0);
  next_transition_persistent_ = false;
  presenter_.MarkAllDirty();
  presenter_.PresentNow();
}

namespace {

// Starts making photo key.n ready on the worker unless it is held or coming
// already. A photo that cannot be found or read leaves nothing held (the
// slide draws nothing for it either).
void StartPhotoJob(imaging::PhotoPrefetch& prefetch, const album::AlbumData& album,
                   platform::FileSystem& files, const imaging::PhotoKey& key) {
  if (prefetch.Holds(key)) return;
  album::PictureSource source = album::FindPhoto(album, key.n);
  if (source.decoder == album::PictureDecoder::kNone || !imaging::LoadSourceBytes(files, source)) {
    prefetch.Cancel();
    return;
  }
  prefetch.Start(key, std::move(source));
}

}  // namespace

imaging::PhotoKey FrmPb::KeyOf(int n) const {
  return {n, display_.width, display_.height, settings_.ImgDrawScale};
}

// The photo is made on the worker, once: the slide waits for the job coming
// (or starts it), dispatching messages, so a close is handled at once and the
// decode stops at its next row. A handler does not wait: it takes the job
// over and makes the photo here, dispatching messages between rows all the
// same. Once the show stops nothing is composed.
void FrmPb::PrepareSlide(int n, bool may_wait) {
  const imaging::PhotoKey key = KeyOf(n);
  if (may_wait && !state_.ShowStopping) {
    StartPhotoJob(prefetch_, album_, platform_.files(), key);
    while (prefetch_.Pending(key) && !state_.ShowStopping)
      pacer_.WaitForMessage(2);
  }
  if (state_.ShowStopping) return;
  const std::optional<imaging::ReadyPhoto> ready = prefetch_.Take(key);
  // The composition pumps messages as it goes and ends early on a stop.
  const auto stopping = [this] {
    pacer_.Step();
    return state_.ShowStopping;
  };
  imaging::SlideTools tools{pictures_, platform_.text(), mask_, has_texture_ ? &texture_ : nullptr,
                            [stopping] { return !stopping(); }};
  tools.photo = ready ? &*ready : nullptr;
  tools.cancelled = stopping;
  imaging::PrepareSlide(n, pic_source_->surface(), pic_tmp_->surface(), album_, tools);
  if (ready && ready->error) std::rethrow_exception(ready->error);
}

void FrmPb::PrefetchAfter(int32_t index) {
  const auto count = static_cast<int32_t>(photo_order_.size());
  const int32_t next = index + 1;
  if (next < 0 || next > count || count == 0 || state_.ShowStopping) return;
  // After the last slide the next pass starts again at the first, in the
  // same order or in a new one, drawn now and kept for that pass.
  int n = 0;
  if (next < count) {
    n = PhotoAt(next) + 1;
  } else if (settings_.PlayPhotoInRamdomOrder) {
    if (next_photo_order_.size() != static_cast<size_t>(count))
      next_photo_order_ = show::ShufflePermutation(rnd_, platform_.clock(), 0, count - 1);
    n = next_photo_order_.front() + 1;
  } else {
    n = PhotoAt(0) + 1;
  }
  StartPhotoJob(prefetch_, album_, platform_.files(), KeyOf(n));
}

void FrmPb::DrawPicture(const std::string& item) {
  const platform::Surface& dst = PicDst();
  imaging::DrawBackground(dst, album_, pictures_);
  pictures_.DrawAlbumImage(dst, album_, item, 0);
  presenter_.MarkAllDirty();
  presenter_.PresentNow();
}

void FrmPb::ShowBackgroundOnCovers() {
  if (parts_.cover_windows != nullptr && parts_.cover_windows->MonitorCount() >= 2)
    parts_.cover_windows->ShowOnCoverMonitors(0);
}

show::Surfaces FrmPb::surfaces() const {
  return {pic_dst_->surface(), pic_source_->surface(), pic_tmp_->surface(), p4_->surface(),
          p5_->surface()};
}

int32_t FrmPb::PhotoAt(int32_t index) const {
  return photo_order_.at(static_cast<size_t>(index));  // a bad index counts as a failed step
}

}  // namespace lantern::player
