// A font file from an album, as arbitrary bytes, added to the native text
// renderer and drawn: a line in each of its family names (and in one it
// lacks, so characters fall back to the system's faces), filled and
// outlined, at a size and in a style the input's last bytes choose (so a
// font file as it is makes a seed), into a surface or a layer; then measured. Nothing may read or
// write out of bounds, overflow or hang, whatever the font's tables and outlines say.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/native/native_text.h"
#include "platform/surface.h"

namespace {

using lantern::platform::HeapSurfaceBuffer;
using lantern::platform::TextBox;
using lantern::platform::TextFill;

constexpr size_t kSettings = 4;

TextBox BoxFor(const uint8_t* settings, const std::string& family) {
  TextBox box;
  box.text = "Hamburgefonstiv 0123\nfi ffl \xE2\x80\x94 \xC3\xA9";
  box.font_name = family;
  // 0 to 255 pixels, and now and then a size far beyond any caption's.
  box.font_size = settings[0] == 255 ? 12000.0f : static_cast<float>(settings[0]);
  box.font_style = settings[1] & 15;
  box.align = settings[1] >> 4;
  box.border_width = static_cast<float>(settings[2] % 16);
  box.border_argb = 0xAA000000;
  box.smooth = (settings[3] & 1) != 0;
  box.premultiplied = (settings[3] & 2) != 0;
  box.clear = box.premultiplied;
  box.one_line = (settings[3] & 4) != 0;
  box.fill.kind = (settings[3] & 8) != 0 ? TextFill::Kind::kGradient : TextFill::Kind::kSolid;
  box.fill.argb1 = 0xFFFFFFFF;
  box.fill.argb2 = 0x80FF0000;
  box.fill.gradient_mode = settings[3] >> 4 & 3;
  box.fill.gradient_width = 40;
  box.fill.gradient_height = 20;
  box.left = -10;
  box.top = 4;
  box.width = 150;
  box.height = 60;
  return box;
}

}  // namespace

// Fontconfig 2.14 loses a few hundred bytes once, while it parses its
// configuration; that is not the renderer's.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSettings) return 0;
  lantern::platform::native::NativeTextRenderer renderer;
  const uint8_t* settings = data + size - kSettings;
  std::vector<std::string> families = renderer.AddFontBytes(std::vector<uint8_t>(data, settings));
  families.push_back("Not In This Font");
  HeapSurfaceBuffer target(160, 80);
  for (const std::string& family : families) {
    const TextBox box = BoxFor(settings, family);
    renderer.DrawTextBox(target.surface(), box);
    renderer.MeasureWidth(box.text, family, box.font_size, box.font_style);
    renderer.MeasureString(box.text, family, box.font_size, box.font_style, box.width, box.height);
  }
  return 0;
}
