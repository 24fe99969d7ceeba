// The preview: a child window inside the host window the system names with
// "/P", sized to the host's client area, that shows the album's photos one
// after another (shrunk to fit and centred on black, every 5 seconds) until
// the host closes it or another copy asks it to close.
#pragma once

#include <cstdint>
#include <memory>

#include "album/album_settings.h"
#include "album/picture_source.h"
#include "album/property_bag.h"
#include "imaging/album_pictures.h"
#include "platform/platform.h"
#include "show/show_context.h"

namespace lantern::player {

class FrmPreview final : public platform::WindowHandler {
 public:
  static constexpr int kTimer1 = 1;  // the next photo, every 5 s
  static constexpr int kTimer2 = 2;  // the first photo, 200 ms after loading, once
  static constexpr uint32_t kTimer1Ms = 5000;
  static constexpr uint32_t kTimer2Ms = 200;

  FrmPreview(show::ShowContext& context, const album::AlbumSettings& settings,
             const album::PropertyBag& store);
  ~FrmPreview() override;
  FrmPreview(const FrmPreview&) = delete;
  FrmPreview& operator=(const FrmPreview&) = delete;

  // Loads the form inside `parent` and runs until it is unloaded; returns at
  // once when it cannot load.
  void Run(platform::NativeHandle parent);

  // False when the form cannot load: the imaging library does not start, or
  // `parent` is no window with a client area to show in.
  bool Form_Load(platform::NativeHandle parent);
  void Form_QueryUnload();
  void Timer1_Timer();
  void Timer2_Timer();

  void OnTimer(int timer_id) override;
  void OnCloseRequest() override { Form_QueryUnload(); }
  void OnDestroyed() override { Form_QueryUnload(); }

  // The number of the photo last shown (0 after the last one).
  int32_t PhotoCounter() const { return photo_counter_; }
  bool Unloaded() const { return unloaded_; }
  platform::WindowId window() const { return window_; }

 private:
  bool LoadWindow(platform::NativeHandle parent, const platform::Rect& client);
  // PicDst cleared, photo n drawn on it shrunk to fit, and shown.
  void ShowPhoto(int32_t n);
  void Unload();

  show::ShowContext& context_;
  platform::Platform& platform_;
  const album::AlbumSettings& settings_;
  album::AlbumData album_;
  imaging::AlbumPictures pictures_;
  platform::WindowId window_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> pic_dst_;
  int32_t photo_counter_ = 0;
  // A tick is drawing: a close request that comes meanwhile (from a wait
  // inside the drawing) is carried out when the tick has shown its photo.
  bool ticking_ = false;
  bool unload_pending_ = false;
  bool unloaded_ = false;
};

}  // namespace lantern::player
