// The two dialogs: FrmSet, the screen saver's configuration dialog ("/C"),
// with Exit and, when the album allows it, Export; and FrmInfo, the
// information window an ".exe" album shows before anything else, whose
// choice (install, play, or neither) start-up goes on with.
#pragma once

#include <cstdint>

#include "dialogs/export.h"
#include "dialogs/info_dialog.h"

namespace lantern::dialogs {

class FrmSet final : public InfoDialog {
 public:
  FrmSet(show::ShowContext& context, const album::AlbumSettings& settings,
         const album::PropertyBag& store)
      : InfoDialog(context, settings, store),
        export_(context.platform, context.items, settings, store) {}

  // The export button shows for a packed album whose author allowed it.
  static bool ShowsExport(const album::AlbumSettings& settings);

 protected:
  DialogDesign Design() override;
  void OnButton(int32_t index) override;

 private:
  ExportAction export_;
};

// What the user chose in the information window.
enum class InfoChoice : int32_t { kNone = 0, kInstall = 1, kPlay = 2 };

class FrmInfo final : public InfoDialog {
 public:
  using InfoDialog::InfoDialog;

  InfoChoice choice() const { return choice_; }

 protected:
  DialogDesign Design() override;
  void OnButton(int32_t index) override;
  void OnImagingFailed() override;

 private:
  InfoChoice choice_ = InfoChoice::kNone;
};

}  // namespace lantern::dialogs
