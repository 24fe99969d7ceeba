// The form both dialogs are: the album's information (title, author, e-mail
// and web site as links, a description box, copyright), an optional logo,
// and a row of flat buttons, drawn in the system's interface font and
// colours into one surface. `FrmSet` and `FrmInfo` (dialogs/forms.h) choose
// the caption, the buttons and what they do.
//
// [SECTION] Loading  [SECTION] Running  [SECTION] Mouse  [SECTION] Drawing
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/property_bag.h"
#include "dialogs/buttons.h"
#include "dialogs/skin.h"
#include "platform/platform.h"
#include "show/show_context.h"

namespace lantern::dialogs {

struct DialogDesign {
  std::string caption;
  int32_t width = 440;  // client pixels
  bool logo = false;    // FrmInfo: the album's logo left of the title
  // FrmSet: the information sits in a region of its own, so a move over it
  // resets only the links and a move over the rest of the form only the button.
  bool about_region = false;
  int32_t title_points_delta = 1;
  std::string title;
  std::vector<std::string> buttons;
  std::vector<std::string> tool_tips;  // one a button
  std::vector<bool> button_visible;
};

class InfoDialog : public platform::WindowHandler {
 public:
  InfoDialog(show::ShowContext& context, const album::AlbumSettings& settings,
             const album::PropertyBag& store);
  ~InfoDialog() override;
  InfoDialog(const InfoDialog&) = delete;
  InfoDialog& operator=(const InfoDialog&) = delete;

  // Loads the form, shows it and runs until it closes.
  void Run();

  void OnMouseDown(int button, int shift, int x, int y) override;
  void OnMouseUp(int button, int shift, int x, int y) override;
  void OnMouseMove(int button, int shift, int x, int y) override;
  void OnCloseRequest() override { Close(); }

  platform::WindowId window() const { return window_; }
  bool Unloaded() const { return unloaded_; }
  const DialogFont& font() const { return font_; }
  const ButtonColours& colours() const { return colours_; }
  // Where each button's face is, in client pixels (hidden ones included).
  const std::vector<platform::Rect>& faces() const { return faces_; }
  platform::Rect LinkBox(int32_t link) const;  // 0 e-mail, 1 web site
  // Where the album's text TxtSetting(i) (0..5) is shown; FrmSet's title
  // shows the application title.
  platform::Rect SettingBox(int32_t i) const;
  const std::vector<std::string>& texts() const { return label_texts_; }

 protected:
  // The dialog's caption, buttons and flags; asked for once while loading.
  virtual DialogDesign Design() = 0;
  // Runs a button's action (the mouse was released over it).
  virtual void OnButton(int32_t index) = 0;
  // The imaging library did not start: the dialog tells the user or not.
  virtual void OnImagingFailed() {}
  // Asks the form to close; while an action runs, it closes when that ends.
  void Close();
  // An action runs (an export): buttons do nothing and a close waits meanwhile.
  void set_busy(bool busy);

  show::ShowContext& context_;
  platform::Platform& platform_;
  const album::AlbumSettings& settings_;
  const album::PropertyBag& store_;

 private:
  struct Label {
    platform::Rect box;
    std::string text;
    float pixels = 12;
    bool link = false;
    bool lit = false;
    bool centred = false;
    std::string shown = {};  // the text cut to one line of the box
  };
  enum class Hit { kForm, kAbout, kControl, kButton, kLink };

  // [SECTION] Loading
  bool Load();
  void LayOut();
  int32_t LayOutInformation(int32_t left, int32_t top, int32_t right);
  // Each text cut to what its box shows.
  void FitTexts();
  void LayOutButtons(int32_t frame_bottom);
  bool CreateWindowAndSurface();
  void DrawLogo();
  void Unload();
  // [SECTION] Mouse
  Hit HitTest(int32_t x, int32_t y, int32_t& index) const;
  void Redraw(const std::vector<ButtonRedraw>& redraws);
  void LightLink(int32_t link, bool lit);
  // [SECTION] Drawing
  void PaintAll();
  void PaintLabel(const Label& label);
  void DrawButton(int32_t index, ButtonState state);
  void DrawText(const platform::Rect& box, const std::string& text, float pixels, uint32_t argb,
                int32_t align);
  // One line of text that cannot reach outside `box`, whatever its length.
  void DrawClippedLine(const platform::Rect& box, const std::string& line, float pixels,
                       uint32_t argb, int32_t align);
  // A text box at (0, 0) of the given size in the dialog's font.
  platform::TextBox TextIn(const std::string& text, float pixels, uint32_t argb, int32_t align,
                           int32_t width, int32_t height) const;
  float Pixels(int32_t points_delta) const;
  float TextWidth(const std::string& text, float pixels) const;

  DialogDesign design_;
  DialogFont font_;
  ButtonColours colours_;
  int32_t height_ = 0;
  std::vector<Label>
      labels_;  // LblTitle, LblAuthor, LblEmail, LblWebsite, LblCopyright, LblSetting
  std::vector<std::string> label_texts_;
  platform::Rect text_box_;
  std::string text_;
  std::vector<std::string> text_lines_;  // the lines of text_ the box shows
  platform::Rect frame1_;
  platform::Rect about_;
  platform::Rect logo_;
  std::vector<platform::Rect> captions_;
  std::vector<platform::Rect> faces_;
  std::vector<ButtonState> states_;
  ButtonMouse mouse_;
  int32_t link_down_ = -1;
  platform::WindowId window_ = 0;
  std::unique_ptr<platform::SurfaceBuffer> surface_;
  std::unique_ptr<platform::SurfaceBuffer> logo_picture_;
  bool closing_ = false;
  bool busy_ = false;
  bool unloaded_ = false;
};

}  // namespace lantern::dialogs
