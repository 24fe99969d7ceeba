// The program: start-up, then the form of the run mode, which lives as long
// as the program does.
#include "app/program.h"

#include <functional>

#include "app/entry.h"
#include "app/install.h"
#include "app/show_assembly.h"
#include "dialogs/forms.h"
#include "player/frm_preview.h"
#include "show/pacing.h"
#include "show/show_context.h"

namespace lantern::app {

namespace {

void RunInstaller(platform::Platform& platform, StartUp& start, bool install) {
  show::StandaloneWait wait(platform);
  Installer installer(platform, start.values, start.settings, start.store, std::ref(wait));
  if (install) {
    installer.Install();
  } else {
    installer.Remove();
  }
}

// The information window comes first; its choice installs, plays or ends.
void RunInformation(platform::Platform& platform, StartUp& start) {
  dialogs::InfoChoice choice = dialogs::InfoChoice::kNone;
  {
    show::ShowContext context(platform, start.values);
    dialogs::FrmInfo form(context, start.settings, start.store);
    form.Run();
    choice = form.choice();
  }
  start.values.InfoChoice = static_cast<int32_t>(choice);
  if (choice == dialogs::InfoChoice::kInstall) RunInstaller(platform, start, true);
  if (choice == dialogs::InfoChoice::kPlay) {
    start.choice.mode = RunMode::kPlayer;
    start.values.WindowedMode = true;
    PlayAlbum(platform, start);
  }
}

}  // namespace

int RunProgram(platform::Platform& platform) {
  StartUp start;
  if (!RunStartUp(platform, start)) return 0;
  switch (start.choice.mode) {
    case RunMode::kScreenSaver:
    case RunMode::kPlayer:
      PlayAlbum(platform, start);
      return 0;
    case RunMode::kInstall:
    case RunMode::kUninstall:
      RunInstaller(platform, start, start.choice.mode == RunMode::kInstall);
      return 0;
    case RunMode::kPreview: {
      show::ShowContext context(platform, start.values);
      player::FrmPreview form(context, start.settings, start.store);
      form.Run(start.choice.preview_parent);
      return 0;
    }
    case RunMode::kConfigure: {
      show::ShowContext context(platform, start.values);
      dialogs::FrmSet form(context, start.settings, start.store);
      form.Run();
      return 0;
    }
    case RunMode::kInformation:
      RunInformation(platform, start);
      return 0;
  }
  return 0;
}

}  // namespace lantern::app
