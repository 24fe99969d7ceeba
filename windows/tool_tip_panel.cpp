// The tool-tip panel.
#include "windows/tool_tip_panel.h"

#include <algorithm>

#include "windows/bar_layout.h"
#include "windows/bar_paint.h"

namespace lantern::windows {

namespace {
// The system's dialog face, which has the Chinese characters of the tips.
constexpr char kToolTipFont[] = "宋体";
}  // namespace

ToolTipPanel::ToolTipPanel(platform::Platform& platform, show::KeySink& keys)
    : KeyForwardingHandler(keys), platform_(platform) {}

ToolTipPanel::~ToolTipPanel() {
  Destroy();
}

void ToolTipPanel::Show(platform::WindowId owner, const std::string& text, int32_t pointer_x,
                        int32_t pointer_y, const platform::Rect& client) {
  if (text.empty()) return;
  platform::TextRenderer& renderer = platform_.text();
  const ToolTipLayout layout = LayOutToolTip(text, kLineHeight, [&](const std::string& line) {
    return renderer.MeasureWidth(line, kToolTipFont, kFontSize, 0);
  });
  const platform::Rect place =
      PlaceToolTip(pointer_x - client.left, pointer_y - client.top, layout.width, layout.height,
                   client.width(), client.height());
  const platform::Rect bounds{client.left + place.left, client.top + place.top,
                              client.left + place.right, client.top + place.bottom};
  if (!EnsureWindow(owner, bounds)) return;
  Draw(layout.text);
  platform::WindowSystem& windows = platform_.windows();
  windows.SetBounds(window_, bounds);
  windows.Show(window_, /*activate=*/false);
  platform_.painting().Present(window_, surface_->surface().bounds());
  visible_ = true;
}

bool ToolTipPanel::EnsureWindow(platform::WindowId owner, const platform::Rect& bounds) {
  platform::WindowSystem& windows = platform_.windows();
  if (window_ == 0 || owner != owner_ || !windows.Exists(window_)) {
    Destroy();
    owner_ = owner;
    window_ = windows.Create({platform::WindowKind::kTool, "", bounds, false, owner}, *this);
    if (window_ == 0) return false;
  }
  const platform::Surface* now = surface_ ? &surface_->surface() : nullptr;
  if (now == nullptr || now->width != bounds.width() || now->height != bounds.height()) {
    platform_.painting().AttachSurface(window_, nullptr);
    surface_ = platform_.surfaces().CreateSurface(bounds.width(), bounds.height());
    if (!surface_ || !surface_->surface().valid()) {
      Destroy();
      return false;
    }
    platform_.painting().AttachSurface(window_, &surface_->surface());
  }
  return true;
}

void ToolTipPanel::Draw(const std::string& text) {
  const platform::Surface& s = surface_->surface();
  const uint32_t background =
      OpaqueFromBgr(platform_.desktop().SystemColourOf(platform::SystemColour::kInfoBackground));
  for (int32_t y = 0; y < s.height; ++y)
    std::fill(s.Row(y), s.Row(y) + s.width, background);
  platform::TextBox box;
  box.text = text;
  box.font_name = kToolTipFont;
  box.font_size = kFontSize;
  box.left = kToolTipMargin;
  box.top = kToolTipMargin;
  // The lines are laid out already: a box wider than the panel keeps the
  // renderer from wrapping a line its own measure finds a pixel too wide.
  box.width = static_cast<float>(2 * s.width);
  box.height = static_cast<float>(s.height - 2 * kToolTipMargin);
  box.fill.kind = platform::TextFill::Kind::kSolid;
  box.fill.argb1 =
      OpaqueFromBgr(platform_.desktop().SystemColourOf(platform::SystemColour::kInfoText));
  platform_.text().DrawTextBox(s, box);
}

void ToolTipPanel::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (window_ != 0) platform_.windows().Hide(window_);
}

void ToolTipPanel::Destroy() {
  visible_ = false;
  if (window_ != 0 && platform_.windows().Exists(window_)) platform_.windows().Destroy(window_);
  window_ = 0;
  surface_.reset();
}

void ToolTipPanel::OnMouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
  Hide();
}

}  // namespace lantern::windows
