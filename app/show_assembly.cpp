// The one place where the parts of a show are made and wired together.
#include "app/show_assembly.h"

#include "dialogs/skin.h"
#include "player/frm_pb.h"
#include "show/probes.h"

namespace lantern::app {

namespace {

show::FrameContext FrameContextOf(show::ShowContext& c, const show::ProcessValues& values) {
  return {c.pacer,
          c.presenter,
          c.state,
          c.platform.clock(),
          c.rnd,
          values.WindowsVersionClass,
          values.TransitionDuration};
}

// The lyric windows exist with the songs; the player makes them visible only
// when the album shows lyrics.
std::unique_ptr<media::LyricWindows> MakeLyricWindows(show::ShowContext& c,
                                                      const album::AlbumSettings& settings) {
  if (settings.NowM < 1) return nullptr;
  platform::Platform& p = c.platform;
  return std::make_unique<media::LyricWindows>(
      media::LyricWindowServices{p.layered(), p.windows(), p.timers(), p.surfaces(), p.text()},
      media::LyricShow{settings, c.state, c.music});
}

// The music drives the lyric windows (it clears them when a song ends, hides
// them when it pauses and starts their timer when a song starts) and the
// control bar's mute button.
media::MusicHooks MusicHooksFor(media::LyricWindows* lyrics, show::ShowControlBar* control_bar) {
  media::MusicHooks hooks;
  if (lyrics != nullptr) {
    hooks.clear_lyric_windows = [lyrics] { lyrics->ClearLyricWindows(); };
    hooks.hide_lyric_windows = [lyrics] { lyrics->HideLyricWindows(); };
    hooks.start_lyric_timer = [lyrics] { lyrics->StartTimer2(); };
  }
  if (control_bar != nullptr) {
    hooks.redraw_control_bar = [control_bar] {
      if (control_bar->ControlBarReady()) control_bar->RedrawControlBar();
    };
  }
  return hooks;
}

std::unique_ptr<media::Music> MakeMusic(show::ShowContext& c, album::AlbumSettings& settings,
                                        const album::PropertyBag& store,
                                        media::LyricWindows* lyrics,
                                        show::ShowControlBar* control_bar) {
  if (settings.NowM < 1) return nullptr;
  platform::Platform& p = c.platform;
  auto music = std::make_unique<media::Music>(
      media::MusicServices{p.media(), p.files(), p.loop(), p.clock(), p.text(), c.rnd, c.items},
      media::MusicAlbum{settings, store, c.ExtractionFolder,
                        [&p](std::string_view bytes) { return p.code_page().DecodeAnsi(bytes); }},
      c.music, c.state, MusicHooksFor(lyrics, control_bar));
  if (lyrics != nullptr) lyrics->SetSong(music.get());
  return music;
}

std::unique_ptr<windows::ControlBarWindows> MakeControlBar(show::ShowContext& c,
                                                           const album::AlbumSettings& settings) {
  if (!c.values.WindowedMode) return nullptr;
  return std::make_unique<windows::ControlBarWindows>(c, settings);
}

}  // namespace

ShowAssembly::ShowAssembly(platform::Platform& platform, show::ProcessValues& values,
                           album::AlbumSettings& settings, const album::PropertyBag& store)
    : context_(platform, values),
      catalogue_(FrameContextOf(context_, values)),
      text_effects_(FrameContextOf(context_, values), platform.text()),
      headlines_(text_effects_, settings),
      titles_(text_effects_, settings),
      lyric_windows_(MakeLyricWindows(context_, settings)),
      control_bar_(MakeControlBar(context_, settings)),
      music_(MakeMusic(context_, settings, store, lyric_windows_.get(), control_bar_.get())),
      cover_windows_(platform) {
  // The slide-number box of the windowed player takes the dialogs' font.
  if (values.WindowedMode && !values.SharedDialogFont) {
    values.SharedDialogFont =
        dialogs::ReadDialogFont(platform.fonts(), platform.desktop().Screen().pixels_per_inch_y);
  }
}

show::ShowParts ShowAssembly::parts() {
  show::ShowParts parts;
  parts.transitions = &catalogue_;
  parts.music = music_.get();
  parts.cover_windows = &cover_windows_;
  parts.headlines = &headlines_;
  parts.opening_ending = &titles_;
  parts.lyric_windows = lyric_windows_.get();
  parts.control_bar = control_bar_.get();
  return parts;
}

void PlayAlbum(platform::Platform& platform, StartUp& start) {
  start.values.WindowsVersionClass = show::ProbeVersionClass(platform.process());
  ShowAssembly show(platform, start.values, start.settings, start.store);
  player::FrmPb form(show.context(), start.settings, start.store, show.parts());
  form.Run();
}

}  // namespace lantern::app
