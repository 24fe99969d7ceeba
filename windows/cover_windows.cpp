// Cover windows: made over each secondary monitor when the screen saver
// starts, painted from the show's pass loop, removed when the show ends.
#include "windows/cover_windows.h"

#include <stdexcept>

#include "imaging/composition.h"
#include "imaging/raster.h"

namespace lantern::windows {

FrmMonitor::FrmMonitor(platform::Platform& platform, show::KeySink& keys, show::MouseSink& mouse)
    : show::KeyForwardingHandler(keys), platform_(platform), mouse_(mouse) {}

FrmMonitor::~FrmMonitor() {
  if (window_ != 0) platform_.windows().Destroy(window_);
}

void FrmMonitor::Load(const platform::Rect& bounds) {
  platform::WindowSystem& windows = platform_.windows();
  platform::WindowSpec spec;
  spec.kind = platform::WindowKind::kTool;  // no frame, not in the task bar
  spec.bounds = bounds;
  spec.topmost = true;  // like the show itself, above the task bar
  window_ = windows.Create(spec, *this);
  if (window_ == 0) throw std::runtime_error("a cover window cannot be made");
  pic_mon_ = platform_.surfaces().CreateSurface(bounds.width(), bounds.height());
  if (!pic_mon_ || !pic_mon_->surface().valid()) throw std::runtime_error("no cover picture");
  const platform::Surface& pic = pic_mon_->surface();
  imaging::FillBlack(pic, 0, 0, pic.width, pic.height);
  platform_.painting().AttachSurface(window_, &pic);
  windows.Show(window_, /*activate=*/false);
  platform_.loop().PumpMessages();
  windows.SetBounds(window_, bounds);
}

void FrmMonitor::Refresh() {
  if (window_ != 0) platform_.painting().Present(window_, PicMon().bounds());
}

void FrmMonitor::ToScreen(int& x, int& y) {
  const platform::Rect client = platform_.windows().ClientBounds(window_);
  x += client.left;
  y += client.top;
}

void FrmMonitor::OnMouseDown(int button, int shift, int x, int y) {
  ToScreen(x, y);
  mouse_.ScreenMouseDown(button, shift, x, y);
}

void FrmMonitor::OnMouseMove(int button, int shift, int x, int y) {
  ToScreen(x, y);
  mouse_.ScreenMouseMove(button, shift, x, y);
}

void FrmMonitor::OnMouseUp(int button, int shift, int x, int y) {
  ToScreen(x, y);
  mouse_.ScreenMouseUp(button, shift, x, y);
}

void CoverWindows::CreateCoverWindows(show::KeySink& keys, show::MouseSink& mouse,
                                      const show::CoverDrawing& drawing) {
  UnloadCoverWindows();
  drawing_.emplace(drawing);
  try {
    if (!monitors_) monitors_.emplace(platform_.monitors());
    monitor_count_ = monitors_->MonitorCount() > 1 ? monitors_->MonitorCount() : 1;
    if (monitor_count_ > 1) LoadCovers(keys, mouse);
  } catch (const std::exception&) {
    UnloadCoverWindows();  // the show goes on on the primary monitor alone
  }
}

void CoverWindows::LoadCovers(show::KeySink& keys, show::MouseSink& mouse) {
  cover_windows_.resize(static_cast<size_t>(monitor_count_));
  for (int32_t i = 1; i <= monitor_count_; ++i) {
    const cMonitor& monitor = monitors_->Monitor(i);
    if (monitor.IsPrimary()) continue;
    auto& slot = cover_windows_[static_cast<size_t>(i - 1)];
    slot = std::make_unique<FrmMonitor>(platform_, keys, mouse);
    slot->Load(monitor.Bounds());
  }
}

void CoverWindows::ShowOnCoverMonitors(int32_t n) {
  if (!drawing_) return;
  const FrmMonitor* drawn = nullptr;  // a cover already drawn, to copy to one of its size
  for (const auto& cover : cover_windows_) {
    if (cover == nullptr) continue;
    try {
      const platform::Surface& pic = cover->PicMon();
      if (drawn != nullptr && drawn->PicMon().width == pic.width &&
          drawn->PicMon().height == pic.height) {
        imaging::Copy(pic, 0, 0, pic.width, pic.height, drawn->PicMon(), 0, 0);
      } else {
        DrawCover(*cover, n);
        drawn = cover.get();
      }
      cover->Refresh();
    } catch (const std::exception&) {
      // this monitor keeps what it showed; the next one is drawn
    }
  }
}

void CoverWindows::DrawCover(const FrmMonitor& cover, int32_t n) {
  const show::CoverDrawing& d = *drawing_;
  imaging::DrawBackground(cover.PicMon(), d.album, d.pictures);
  if (n >= 1) d.pictures.DrawAlbumPhoto(cover.PicMon(), d.album, n, d.album.settings.ImgDrawScale);
}

void CoverWindows::UnloadCoverWindows() {
  cover_windows_.clear();  // each cover destroys its window
  monitor_count_ = 1;
}

const FrmMonitor* CoverWindows::CoverWindow(int32_t i) const {
  if (i < 1 || static_cast<size_t>(i) > cover_windows_.size()) return nullptr;
  return cover_windows_[static_cast<size_t>(i - 1)].get();
}

}  // namespace lantern::windows
