// The one place where the parts of a show are made and wired together.
#include "app/show_assembly.h"

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

std::unique_ptr<media::Music> MakeMusic(show::ShowContext& c, album::AlbumSettings& settings,
                                        const album::PropertyBag& store,
                                        show::ShowControlBar* control_bar) {
  if (settings.NowM < 1) return nullptr;
  media::MusicHooks hooks;
  if (control_bar != nullptr)
    hooks.redraw_control_bar = [control_bar] {
      if (control_bar->ControlBarReady()) control_bar->RedrawControlBar();
    };
  platform::Platform& p = c.platform;
  return std::make_unique<media::Music>(
      media::MusicServices{p.media(), p.files(), p.loop(), p.clock(), p.text(), c.rnd, c.items},
      media::MusicAlbum{settings, store, c.ExtractionFolder,
                        [&p](std::string_view bytes) { return p.code_page().DecodeAnsi(bytes); }},
      c.music, c.state, std::move(hooks));
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
      control_bar_(MakeControlBar(context_, settings)),
      music_(MakeMusic(context_, settings, store, control_bar_.get())) {}

show::ShowParts ShowAssembly::parts() {
  show::ShowParts parts;
  parts.transitions = &catalogue_;
  parts.music = music_.get();
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
