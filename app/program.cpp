// The program: start-up, then the form of the run mode, which lives as long
// as the program does.
#include "app/program.h"

#include <functional>

#include "app/entry.h"
#include "app/install.h"
#include "app/show_assembly.h"
#include "player/frm_preview.h"
#include "show/pacing.h"
#include "show/show_context.h"

namespace lantern::app {

int RunProgram(platform::Platform& platform) {
  StartUp start;
  if (!RunStartUp(platform, start)) return 0;
  switch (start.choice.mode) {
    case RunMode::kScreenSaver:
    case RunMode::kPlayer:
      PlayAlbum(platform, start);
      return 0;
    case RunMode::kInstall:
    case RunMode::kUninstall: {
      show::StandaloneWait wait(platform);
      Installer installer(platform, start.values, start.settings, start.store, std::ref(wait));
      if (start.choice.mode == RunMode::kInstall) {
        installer.Install();
      } else {
        installer.Remove();
      }
      return 0;
    }
    case RunMode::kPreview: {
      show::ShowContext context(platform, start.values);
      player::FrmPreview form(context, start.settings, start.store);
      form.Run(start.choice.preview_parent);
      return 0;
    }
    case RunMode::kConfigure:
    case RunMode::kInformation:
      break;  // these windows are not part of the program yet: it ends quietly
  }
  return 0;
}

}  // namespace lantern::app
