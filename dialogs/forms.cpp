// The captions, buttons and actions of FrmSet and FrmInfo.
#include "dialogs/forms.h"

#include "base/texts.h"

namespace lantern::dialogs {

bool FrmSet::ShowsExport(const album::AlbumSettings& settings) {
  return settings.EnableExport && settings.PackageMode();
}

DialogDesign FrmSet::Design() {
  DialogDesign d;
  d.caption = context_.values.AlbumTitle.empty() ? texts::kSetCaption : context_.values.AlbumTitle;
  d.width = 420;
  d.about_region = true;
  d.title_points_delta = 3;
  d.title = context_.values.AlbumTitle;
  d.buttons = {texts::kButtonExit, texts::kButtonExport};
  d.tool_tips = {texts::kTipExit, texts::kTipExport};
  d.button_visible = {true, ShowsExport(settings_)};
  return d;
}

void FrmSet::OnButton(int32_t index) {
  if (index == 0) {
    Close();
    return;
  }
  set_busy(true);
  export_.Run(window());
  set_busy(false);
}

DialogDesign FrmInfo::Design() {
  DialogDesign d;
  d.caption = context_.values.AlbumTitle.empty() ? texts::kInfoCaption : context_.values.AlbumTitle;
  d.width = 480;
  d.logo = true;
  d.title_points_delta = 1;
  d.title = settings_.TxtSetting[0];
  d.buttons = {texts::kButtonInstall, texts::kButtonPlay, texts::kButtonInfoExit};
  d.tool_tips = {texts::kTipInstall, texts::kTipPlay, texts::kTipInfoExit};
  d.button_visible = {true, true, true};
  return d;
}

void FrmInfo::OnButton(int32_t index) {
  if (index == 0) choice_ = InfoChoice::kInstall;
  if (index == 1) choice_ = InfoChoice::kPlay;
  Close();
}

void FrmInfo::OnImagingFailed() {
  platform_.messages().Message(std::string(texts::kGdiplusMissing) + "\r" +
                               context_.values.SystemFolder);
}

}  // namespace lantern::dialogs
