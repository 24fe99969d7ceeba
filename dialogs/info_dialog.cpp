// The dialogs' shared form: loading in its fixed order, the modal run, the
// mouse over buttons and links, and drawing.
#include "dialogs/info_dialog.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "album/picture_source.h"
#include "base/texts.h"
#include "dialogs/paint.h"
#include "dialogs/text_fit.h"
#include "imaging/album_pictures.h"
#include "imaging/raster.h"

namespace lantern::dialogs {

namespace {

constexpr int32_t kLogoSize = 96;
constexpr int32_t kMargin = 20;
// The labels' order: title, author, e-mail, web site, copyright, then the captions.
constexpr int32_t kFirstLink = 2;  // the e-mail label; the web site's follows
constexpr int32_t kCentreAlign = 4;
constexpr uint32_t kBlack = 0xFF000000;
constexpr int32_t kFitAndCentre = 3;
constexpr int32_t kIdleWaitMs = 1000;
constexpr int32_t kDescriptionLines = 5;

int32_t LineHeight(float pixels) {
  return static_cast<int32_t>(std::ceil(pixels * 1.5f));
}

// The description's lines are set closer than the labels' rows.
int32_t DescriptionLineHeight(float pixels) {
  return static_cast<int32_t>(std::ceil(pixels * 1.25f));
}

// The description's lines sit inside the box's sunken edge.
platform::Rect DescriptionInside(const platform::Rect& box) {
  return {box.left + 4, box.top + 3, box.right - 4, box.bottom - 3};
}

bool Inside(const platform::Rect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

InfoDialog::InfoDialog(show::ShowContext& context, const album::AlbumSettings& settings,
                       const album::PropertyBag& store)
    : context_(context), platform_(context.platform), settings_(settings), store_(store) {}

InfoDialog::~InfoDialog() {
  Unload();
}

// [SECTION] Loading

void InfoDialog::Run() {
  bool loaded = false;
  try {
    loaded = Load();
  } catch (const std::exception&) {
  }
  if (loaded) {
    platform_.windows().Show(window_, true);
    platform_.windows().SetForeground(window_);
    while (!closing_ || busy_)
      context_.pacer.WaitForMessage(kIdleWaitMs);
  }
  Unload();
}

bool InfoDialog::Load() {
  if (!platform_.pictures().Start()) {
    OnImagingFailed();
    return false;
  }
  design_ = Design();
  font_ = ReadDialogFont(platform_.fonts(), platform_.desktop().Screen().pixels_per_inch_y);
  context_.values.SharedDialogFont = font_;
  colours_ = ReadButtonColours(platform_.desktop());
  LayOut();
  if (!CreateWindowAndSurface()) return false;
  if (design_.logo) DrawLogo();
  PaintAll();
  return true;
}

float InfoDialog::Pixels(int32_t points_delta) const {
  return PointsToPixels(font_.points + points_delta,
                        platform_.desktop().Screen().pixels_per_inch_y);
}

float InfoDialog::TextWidth(const std::string& text, float pixels) const {
  // Blanks around a caption have no outline to measure: each counts a third of an em.
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return text.size() * pixels / 3;
  const size_t last = text.find_last_not_of(' ');
  const std::string inner = text.substr(first, last - first + 1);
  const float blanks = static_cast<float>(text.size() - inner.size()) * pixels / 3;
  return platform_.text().MeasureString(inner, font_.name, pixels, 0, 0, 0) + blanks;
}

void InfoDialog::LayOut() {
  const int32_t left = design_.logo ? kMargin + kLogoSize + 12 : kMargin;
  logo_ = {kMargin, kMargin, kMargin + kLogoSize, kMargin + kLogoSize};
  int32_t bottom = LayOutInformation(left, kMargin, design_.width - kMargin);
  frame1_ = {8, 8, design_.width - 8, bottom + 10};
  about_ = {frame1_.left + 1, frame1_.top + 1, frame1_.right - 1, frame1_.bottom - 1};
  LayOutButtons(frame1_.bottom);
  FitTexts();
}

void InfoDialog::FitTexts() {
  const auto fit = [this](const std::string& text, int32_t width, int32_t lines, float pixels) {
    return FitLines(text, static_cast<float>(width), lines, pixels,
                    [&](const std::string& line) { return TextWidth(line, pixels); });
  };
  for (Label& label : labels_) {
    const std::vector<std::string> lines = fit(label.text, label.box.width(), 1, label.pixels);
    label.shown = lines.empty() ? std::string() : lines.front();
  }
  const platform::Rect inside = DescriptionInside(text_box_);
  const float pixels = Pixels(0);
  const int32_t rows = inside.height() / DescriptionLineHeight(pixels);
  text_lines_ = fit(text_, inside.width(), std::min(rows, kDescriptionLines), pixels);
}

// The labels and the text box, from `top` down; returns the bottom of the last.
int32_t InfoDialog::LayOutInformation(int32_t left, int32_t top, int32_t right) {
  const float pixels = Pixels(0);
  const int32_t line = LineHeight(pixels);
  const auto& txt = settings_.TxtSetting;
  const float title_pixels = Pixels(design_.title_points_delta);
  labels_.clear();
  labels_.push_back(
      {{left, top, right, top + LineHeight(title_pixels)}, design_.title, title_pixels});
  const char* captions[] = {texts::kLabelAuthor, texts::kLabelEmail, texts::kLabelWebsite};
  int32_t caption_width = 0;
  for (const char* caption : captions)
    caption_width = std::max(caption_width, static_cast<int32_t>(TextWidth(caption, pixels)) + 4);
  int32_t y = labels_[0].box.bottom + 6;
  for (int32_t i = 0; i < 3; ++i, y += line) {
    labels_.push_back({{left + caption_width, y, right, y + line}, txt[1 + i], pixels, i > 0});
  }
  y = std::max(y, design_.logo ? logo_.bottom : 0) + 8;
  text_box_ = {kMargin, y, right, y + kDescriptionLines * DescriptionLineHeight(pixels) + 6};
  text_ = txt[4];
  y = text_box_.bottom + 6;
  labels_.push_back({{kMargin, y, right, y + line}, txt[5], pixels});
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t row = labels_[1 + i].box.top;
    labels_.push_back({{left, row, left + caption_width, row + line}, captions[i], pixels});
  }
  label_texts_.clear();
  for (const Label& label : labels_)
    label_texts_.push_back(label.text);
  label_texts_.push_back(text_);
  return y + line;
}

void InfoDialog::LayOutButtons(int32_t frame_bottom) {
  const float pixels = Pixels(0);
  const int32_t padding = ButtonPadding(font_.points);
  const int32_t line = LineHeight(pixels);
  const size_t count = design_.buttons.size();
  captions_.assign(count, {});
  for (size_t i = 0; i < count; ++i) {
    const int32_t width = static_cast<int32_t>(std::ceil(TextWidth(design_.buttons[i], pixels)));
    captions_[i] = {0, 0, width, line};
  }
  if (count == 0) return;
  // As designed: the row runs from one margin to the other, faces included.
  const int32_t first_left = kMargin + 2 * padding;
  captions_[0] = {first_left, 0, first_left + captions_[0].width(), line};
  const int32_t last_right = design_.width - kMargin - 2 * padding;
  captions_.back() = {last_right - captions_.back().width(), 0, last_right, line};
  const int32_t face_height = line + 3 * padding;
  height_ = frame_bottom + face_height + 28;
  LayOutButtonRow(captions_, frame_bottom, height_);
  faces_.clear();
  for (const platform::Rect& caption : captions_)
    faces_.push_back(ButtonFace(caption, padding));
  states_.assign(count, ButtonState::kNormal);
  design_.button_visible.resize(count, true);
}

bool InfoDialog::CreateWindowAndSurface() {
  platform::WindowSystem& windows = platform_.windows();
  const platform::ScreenMetrics screen = platform_.desktop().Screen();
  const int32_t x = std::max(0, (screen.width - design_.width) / 2);
  const int32_t y = std::max(0, (screen.height - height_) / 2);
  platform::WindowSpec spec;
  spec.kind = platform::WindowKind::kFramed;
  spec.title = design_.caption;
  spec.bounds = {x, y, x + design_.width, y + height_};
  window_ = windows.Create(spec, *this);
  if (window_ == 0) return false;
  // The design gives the client area: the frame goes around it.
  const platform::Rect outer = windows.Bounds(window_);
  const platform::Rect client = windows.ClientBounds(window_);
  const int32_t extra_w = outer.width() - client.width();
  const int32_t extra_h = outer.height() - client.height();
  windows.SetBounds(window_, {x, y, x + design_.width + extra_w, y + height_ + extra_h});
  surface_ = platform_.surfaces().CreateSurface(design_.width, height_);
  if (!surface_ || !surface_->surface().valid()) return false;
  platform_.painting().AttachSurface(window_, &surface_->surface());
  for (size_t i = 0; i < faces_.size() && i < design_.tool_tips.size(); ++i) {
    if (design_.button_visible[i])
      platform_.desktop().AddToolTip(window_, faces_[i], design_.tool_tips[i]);
  }
  return true;
}

// The album's logo fitted into its box on the button face; without one the
// dialog shows its own emblem.
void InfoDialog::DrawLogo() {
  logo_picture_ = platform_.surfaces().CreateSurface(logo_.width(), logo_.height());
  if (!logo_picture_) return;
  const platform::Surface& picture = logo_picture_->surface();
  const uint32_t face =
      OpaqueArgb(platform_.desktop().SystemColourOf(platform::SystemColour::kButtonFace)) &
      0xFFFFFF;
  imaging::Fill(picture, 0, 0, picture.width, picture.height, face);
  const bool has_logo = settings_.PackageMode() ? !store_.ReadText("LogoImage_Type").empty()
                                                : !settings_.LogoImage.empty();
  if (has_logo) {
    album::AlbumData album{settings_, store_, context_.items, platform_.files()};
    imaging::AlbumPictures pictures(platform_, context_.rnd);
    if (pictures.DrawAlbumImage(picture, album, "LogoImage", kFitAndCentre)) return;
  }
  const uint32_t highlight =
      OpaqueArgb(platform_.desktop().SystemColourOf(platform::SystemColour::kHighlight));
  DrawRoundedFace(picture, picture.bounds(), 12, face, highlight, highlight);
  DrawRoundedFace(picture, {20, 24, 76, 72}, 3, highlight, 0xFFFFFF, 0xFFFFFF);
  DrawRoundedFace(picture, {26, 30, 70, 66}, 2, 0xFFFFFF, highlight, highlight);
}

void InfoDialog::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (window_ != 0) {
    platform_.painting().AttachSurface(window_, nullptr);
    platform_.windows().Destroy(window_);
  }
}

// [SECTION] Running

void InfoDialog::Close() {
  closing_ = true;
}

void InfoDialog::set_busy(bool busy) {
  busy_ = busy;
}

// [SECTION] Mouse

InfoDialog::Hit InfoDialog::HitTest(int32_t x, int32_t y, int32_t& index) const {
  for (size_t i = 0; i < faces_.size(); ++i) {
    if (design_.button_visible[i] && Inside(faces_[i], x, y)) {
      index = static_cast<int32_t>(i);
      return Hit::kButton;
    }
  }
  for (int32_t link = 0; link < 2; ++link) {
    if (Inside(LinkBox(link), x, y)) {
      index = link;
      return Hit::kLink;
    }
  }
  for (const Label& label : labels_) {
    if (Inside(label.box, x, y)) return Hit::kControl;
  }
  if (Inside(text_box_, x, y) || (design_.logo && Inside(logo_, x, y))) return Hit::kControl;
  if (design_.about_region && Inside(about_, x, y)) return Hit::kAbout;
  return Hit::kForm;
}

platform::Rect InfoDialog::SettingBox(int32_t i) const {
  // The labels hold TxtSetting 0..3 in order, then 5; the text box holds 4.
  if (i == 4) return DescriptionInside(text_box_);
  const size_t label = static_cast<size_t>(i == 5 ? 4 : i);
  return i >= 0 && i <= 5 && label < labels_.size() ? labels_[label].box : platform::Rect{};
}

platform::Rect InfoDialog::LinkBox(int32_t link) const {
  const size_t i = static_cast<size_t>(kFirstLink + link);
  return i < labels_.size() ? labels_[i].box : platform::Rect{};
}

void InfoDialog::OnMouseDown(int button, int, int x, int y) {
  if (button != platform::kLeftButton) return;
  int32_t index = -1;
  const Hit hit = HitTest(x, y, index);
  link_down_ = hit == Hit::kLink ? index : -1;
  if (hit == Hit::kButton) Redraw(mouse_.Down(index));
}

void InfoDialog::OnMouseUp(int button, int, int x, int y) {
  if (button != platform::kLeftButton) return;
  int32_t index = -1;
  const Hit hit = HitTest(x, y, index);
  if (hit == Hit::kLink && index == link_down_) {
    const std::string& text = labels_[static_cast<size_t>(kFirstLink + index)].text;
    // A failing shell is no concern of the dialog's.
    if (!text.empty())
      platform_.registry().ShellRun("open", index == 0 ? "mailto:" + text : text, "", false);
  }
  link_down_ = -1;
  bool action = false;
  Redraw(mouse_.Up(hit == Hit::kButton ? index : -1, action));
  if (action && !busy_) OnButton(index);
}

void InfoDialog::OnMouseMove(int, int, int x, int y) {
  int32_t index = -1;
  switch (HitTest(x, y, index)) {
    case Hit::kButton:
      Redraw(mouse_.Move(index));
      break;
    case Hit::kLink:
      LightLink(index, true);
      break;
    case Hit::kControl:
      break;
    case Hit::kAbout:
      LightLink(0, false);
      LightLink(1, false);
      break;
    case Hit::kForm:
      if (!design_.about_region) {
        LightLink(0, false);
        LightLink(1, false);
      }
      Redraw(mouse_.Leave());
      break;
  }
}

void InfoDialog::Redraw(const std::vector<ButtonRedraw>& redraws) {
  for (const ButtonRedraw& r : redraws)
    DrawButton(r.index, r.state);
}

void InfoDialog::LightLink(int32_t link, bool lit) {
  if (!surface_ || labels_.size() <= static_cast<size_t>(kFirstLink + link)) return;
  Label& label = labels_[static_cast<size_t>(kFirstLink + link)];
  if (label.lit == lit) return;
  label.lit = lit;
  PaintLabel(label);
  platform_.painting().Present(window_, label.box);
}

// [SECTION] Drawing

void InfoDialog::PaintAll() {
  const platform::Surface& s = surface_->surface();
  using C = platform::SystemColour;
  const uint32_t face = OpaqueArgb(platform_.desktop().SystemColourOf(C::kButtonFace)) & 0xFFFFFF;
  const uint32_t shadow =
      OpaqueArgb(platform_.desktop().SystemColourOf(C::kButtonShadow)) & 0xFFFFFF;
  const uint32_t light =
      OpaqueArgb(platform_.desktop().SystemColourOf(C::kButtonHighlight)) & 0xFFFFFF;
  imaging::Fill(s, 0, 0, s.width, s.height, face);
  DrawEtchedFrame(s, frame1_, shadow, light);
  if (logo_picture_) {
    imaging::Copy(s, logo_.left, logo_.top, logo_.width(), logo_.height(), logo_picture_->surface(),
                  0, 0);
  }
  for (const Label& label : labels_)
    PaintLabel(label);
  DrawSunkenBox(s, text_box_, OpaqueArgb(platform_.desktop().SystemColourOf(C::kWindow)), shadow,
                light);
  const platform::Rect inside = DescriptionInside(text_box_);
  const int32_t line = DescriptionLineHeight(Pixels(0));
  for (size_t i = 0; i < text_lines_.size(); ++i) {
    const int32_t top = inside.top + static_cast<int32_t>(i) * line;
    DrawClippedLine(platform::Intersect({inside.left, top, inside.right, top + line}, inside),
                    text_lines_[i], Pixels(0), kBlack, 0);
  }
  for (size_t i = 0; i < faces_.size(); ++i) {
    if (design_.button_visible[i]) DrawButton(static_cast<int32_t>(i), states_[i]);
  }
  platform_.painting().Present(window_, s.bounds());
}

void InfoDialog::PaintLabel(const Label& label) {
  const platform::Surface& s = surface_->surface();
  const uint32_t face =
      OpaqueArgb(platform_.desktop().SystemColourOf(platform::SystemColour::kButtonFace));
  imaging::Fill(s, label.box.left, label.box.top, label.box.width(), label.box.height(),
                face & 0xFFFFFF);
  const uint32_t colour =
      label.lit ? OpaqueArgb(platform_.desktop().SystemColourOf(platform::SystemColour::kHighlight))
                : kBlack;
  DrawClippedLine(label.box, label.shown, label.pixels, colour, label.centred ? kCentreAlign : 0);
}

void InfoDialog::DrawButton(int32_t index, ButtonState state) {
  if (!surface_ || index < 0 || static_cast<size_t>(index) >= faces_.size()) return;
  const size_t i = static_cast<size_t>(index);
  states_[i] = state;
  if (!design_.button_visible[i]) return;
  const platform::Surface& s = surface_->surface();
  const uint32_t face =
      OpaqueArgb(platform_.desktop().SystemColourOf(platform::SystemColour::kButtonFace));
  const int32_t corner = ButtonCorner(font_.points);
  uint32_t text = kBlack;
  switch (state) {
    case ButtonState::kNormal:
      DrawRoundedFace(s, faces_[i], corner, face, colours_.normal_fill, colours_.normal_border);
      break;
    case ButtonState::kHover:
      DrawRoundedFace(s, faces_[i], corner, face, colours_.hover_fill, colours_.hot_border);
      text = colours_.hover_text;
      break;
    case ButtonState::kPressed:
      DrawRoundedFace(s, faces_[i], corner, face, colours_.pressed_fill, colours_.hot_border);
      text = colours_.pressed_text;
      break;
    case ButtonState::kPlain:
      imaging::Fill(s, faces_[i].left, faces_[i].top, faces_[i].width(), faces_[i].height(),
                    face & 0xFFFFFF);
      break;
  }
  DrawText(captions_[i], design_.buttons[i], Pixels(0), text, kCentreAlign);
  platform_.painting().Present(window_, faces_[i]);
}

void InfoDialog::DrawText(const platform::Rect& box, const std::string& text, float pixels,
                          uint32_t argb, int32_t align) {
  if (text.empty() || box.empty()) return;
  platform::TextBox t = TextIn(text, pixels, argb, align, box.width(), box.height());
  t.left = static_cast<float>(box.left);
  t.top = static_cast<float>(box.top);
  platform_.text().DrawTextBox(surface_->surface(), t);
}

// Drawn into a view of the box alone, so not even a glyph's edge lands on a
// neighbour. A line laid out to fit is drawn in a box wider than its own
// when it starts at the left, so that the renderer, measuring a little
// differently, never breaks it again.
void InfoDialog::DrawClippedLine(const platform::Rect& box, const std::string& line, float pixels,
                                 uint32_t argb, int32_t align) {
  const platform::Surface view = platform::SubSurface(surface_->surface(), box);
  if (line.empty() || !view.valid()) return;
  const int32_t width = align % 3 == 0 ? 2 * view.width : view.width;
  platform_.text().DrawTextBox(view, TextIn(line, pixels, argb, align, width, view.height));
}

platform::TextBox InfoDialog::TextIn(const std::string& text, float pixels, uint32_t argb,
                                     int32_t align, int32_t width, int32_t height) const {
  platform::TextBox t;
  t.text = text;
  t.font_name = font_.name;
  t.font_size = pixels;
  t.align = align;
  t.width = static_cast<float>(width);
  t.height = static_cast<float>(height);
  t.fill.kind = platform::TextFill::Kind::kSolid;
  t.fill.argb1 = 0xFF000000u | argb;
  return t;
}

}  // namespace lantern::dialogs
