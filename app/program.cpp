// The program: start-up, then the form of the run mode, which lives as long
// as the program does.
#include "app/program.h"

#include <functional>

#include "app/entry.h"
#include "app/install.h"
#include "player/frm_pb.h"
#include "player/pacing.h"
#include "transitions/catalogue.h"

namespace lantern::app {

int RunProgram(platform::Platform& platform) {
  StartUp start;
  if (!RunStartUp(platform, start)) return 0;
  switch (start.choice.mode) {
    case RunMode::kScreenSaver:
    case RunMode::kPlayer: {
      player::FrmPb form(platform, start.values, start.settings, start.store);
      // The version class is probed when the form loads; the catalogue reads it then.
      transitions::Catalogue catalogue({form.pacer(), form.presenter(), form.state(),
                                        platform.clock(), form.rnd(), 0,
                                        start.values.TransitionDuration});
      form.parts().transition = [&](int32_t number, const player::Surfaces& surfaces, int32_t pick2,
                                    int32_t pick4) {
        catalogue.context().windows_version_class = start.values.WindowsVersionClass;
        catalogue.Run(number, surfaces, pick2, pick4);
      };
      form.Run();
      return 0;
    }
    case RunMode::kInstall:
    case RunMode::kUninstall: {
      player::StandaloneWait wait(platform, start.values.AppBaseName);
      Installer installer(platform, start.values, start.settings, start.store, std::ref(wait));
      if (start.choice.mode == RunMode::kInstall) {
        installer.Install();
      } else {
        installer.Remove();
      }
      return 0;
    }
    case RunMode::kConfigure:
    case RunMode::kPreview:
    case RunMode::kInformation:
      break;  // these windows are not part of the program yet: it ends quietly
  }
  return 0;
}

}  // namespace lantern::app
