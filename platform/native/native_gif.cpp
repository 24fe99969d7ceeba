// GIF through giflib: the first frame on the logical screen, as the system's
// imaging library shows frame 1. The screen around a smaller frame is
// transparent when the frame has a transparent colour, the screen's
// background colour otherwise; transparent pixels keep their palette colour
// at alpha 0. A frame reaching past the screen is cut to it.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/native/native_formats.h"

namespace lantern::platform::native {

namespace {

struct Source {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* data, int length) {
  auto* source = static_cast<Source*>(gif->UserData);
  const size_t n =
      std::min(static_cast<size_t>(std::max(length, 0)), source->bytes.size() - source->at);
  std::memcpy(data, source->bytes.data() + source->at, n);
  source->at += n;
  return static_cast<int>(n);
}

struct CloseGif {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Gif = std::unique_ptr<GifFileType, CloseGif>;

// 256 opaque colours, and which of them is transparent. A picture without a
// colour table is grey, index for index.
struct Palette {
  std::array<uint32_t, 256> colours{};
  int transparent = NO_TRANSPARENT_COLOR;

  explicit Palette(const ColorMapObject* map) {
    for (size_t i = 0; i < colours.size(); ++i) {
      const auto v = static_cast<uint32_t>(i);
      colours[i] = map != nullptr ? 0xFF000000u : 0xFF000000u | v << 16 | v << 8 | v;
    }
    if (map == nullptr) return;
    const size_t count = std::min<size_t>(static_cast<size_t>(std::max(map->ColorCount, 0)), 256);
    for (size_t i = 0; i < count; ++i) {
      const GifColorType& c = map->Colors[i];
      colours[i] = 0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue;
    }
  }
  uint32_t operator[](int index) const {
    const uint32_t c = colours[static_cast<size_t>(index)];
    return index == transparent ? c & 0x00FFFFFFu : c;
  }
};

// Reads the records up to the first frame's descriptor, keeping the
// transparent colour its graphic control block names.
bool FindFirstFrame(GifFileType* gif, int& transparent) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (type != EXTENSION_RECORD_TYPE) return false;  // the trailer: no frame at all
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    GraphicsControlBlock control{};
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr &&
        DGifExtensionToGCB(block[0], block + 1, &control) != GIF_ERROR) {
      transparent = control.TransparentColor;
    }
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
  }
}

// The frame's rows in the order they are stored.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y)
      rows.push_back(y);
    return rows;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass])
      rows.push_back(y);
  }
  return rows;
}

bool DrawFrame(GifFileType* gif, const Palette& palette, DecodedImage& out) {
  const GifImageDesc& frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0 ||
      int64_t{frame.Width} * frame.Height > kMaxPicturePixels) {
    return false;
  }
  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  for (const int y : RowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
    const int64_t screen_y = int64_t{frame.Top} + y;
    if (screen_y >= out.height) continue;
    uint32_t* row =
        out.pixels.data() + static_cast<size_t>(screen_y) * static_cast<size_t>(out.width);
    const int64_t visible = std::min<int64_t>(frame.Width, int64_t{out.width} - frame.Left);
    for (int64_t x = 0; x < visible; ++x)
      row[frame.Left + x] = palette[line[static_cast<size_t>(x)]];
  }
  return true;
}

}  // namespace

bool DecodeGif(std::span<const uint8_t> bytes, DecodedImage& out) {
  Source source{bytes};
  int error = 0;
  const Gif gif(DGifOpen(&source, ReadBytes, &error));
  if (!gif || !out.Resize(gif->SWidth, gif->SHeight)) return false;
  int transparent = NO_TRANSPARENT_COLOR;
  if (!FindFirstFrame(gif.get(), transparent)) return false;
  const GifImageDesc& frame = gif->Image;
  Palette palette(frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap);
  palette.transparent = transparent;
  const bool covers =
      frame.Left == 0 && frame.Top == 0 && frame.Width >= out.width && frame.Height >= out.height;
  if (!covers) {
    const uint32_t around = transparent != NO_TRANSPARENT_COLOR
                                ? 0
                                : Palette(gif->SColorMap)[gif->SBackGroundColor & 0xFF];
    std::fill(out.pixels.begin(), out.pixels.end(), around);
  }
  if (!DrawFrame(gif.get(), palette, out)) return false;
  FindAlpha(out);
  return true;
}

}  // namespace lantern::platform::native
