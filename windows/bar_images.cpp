// Reading the bar's pictures from the album, and the drawn stand-ins.
#include "windows/bar_images.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "windows/bar_paint.h"

namespace lantern::windows {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kShade = 0x8C202020u;  // dark grey, alpha 140 (straight alpha)

// The picture of an item: nothing when the album lacks it, an empty picture
// when it cannot be decoded.
std::optional<platform::DecodedImage> AlbumImage(album::AlbumItems& items,
                                                 platform::PictureDecoder& decoder,
                                                 const std::string& name) {
  const std::optional<std::vector<uint8_t>> bytes = items.LoadItemBytes(name);
  if (!bytes || bytes->empty()) return std::nullopt;
  platform::DecodedImage image;
  if (!decoder.DecodeBytes(*bytes, image)) image = {};
  return image;
}

struct Point {
  float x, y;
};

// A small painter on a 32 x 32 picture, pixel centres tested against shapes.
class Glyph {
 public:
  explicit Glyph(platform::DecodedImage& image) : image_(image) {}
  template <typename Inside>
  void Fill(Inside&& inside) {
    for (int32_t y = 0; y < image_.height; ++y) {
      for (int32_t x = 0; x < image_.width; ++x) {
        if (inside(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f))
          image_.pixels[static_cast<size_t>(y * image_.width + x)] = kWhite;
      }
    }
  }
  void Box(float l, float t, float r, float b) {
    Fill([=](float x, float y) { return x >= l && x < r && y >= t && y < b; });
  }
  void Triangle(Point a, Point b, Point c) {
    const auto side = [](Point p, Point q, float x, float y) {
      return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    Fill([=](float x, float y) {
      const float d1 = side(a, b, x, y), d2 = side(b, c, x, y), d3 = side(c, a, x, y);
      return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
    });
  }
  void Line(Point a, Point b, float half_width) {
    Fill([=](float x, float y) {
      const float dx = b.x - a.x, dy = b.y - a.y;
      const float t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.f, 1.f);
      return std::hypot(a.x + t * dx - x, a.y + t * dy - y) <= half_width;
    });
  }

 private:
  platform::DecodedImage& image_;
};

void Speaker(Glyph& g) {
  g.Box(7, 13, 12, 19);
  g.Triangle({12, 13}, {18, 8}, {18, 24});
  g.Triangle({12, 13}, {18, 24}, {12, 19});
}

void DrawSymbol(Glyph& g, BarImage image) {
  switch (image) {
    case BarImage::kPrev:
      g.Box(9, 10, 12, 22);
      g.Triangle({23, 10}, {23, 22}, {12, 16});
      break;
    case BarImage::kPause:
      g.Box(11, 10, 14, 22);
      g.Box(18, 10, 21, 22);
      break;
    case BarImage::kPlay:
      g.Triangle({12, 9}, {12, 23}, {23, 16});
      break;
    case BarImage::kNext:
      g.Triangle({9, 10}, {9, 22}, {20, 16});
      g.Box(20, 10, 23, 22);
      break;
    case BarImage::kMuteOff:
      Speaker(g);
      g.Box(20, 13, 22, 19);
      g.Box(24, 10, 26, 22);
      break;
    case BarImage::kMuteOn:
      Speaker(g);
      g.Line({20, 12}, {26, 20}, 1.2f);
      g.Line({26, 12}, {20, 20}, 1.2f);
      break;
    case BarImage::kMusicNext:
      g.Triangle({9, 10}, {23, 10}, {16, 19});
      g.Box(9, 20, 23, 23);
      break;
    case BarImage::kMin:
      g.Box(9, 19, 23, 22);
      break;
    case BarImage::kSize:
      g.Box(9, 9, 23, 11);
      g.Box(9, 21, 23, 23);
      g.Box(9, 9, 11, 23);
      g.Box(21, 9, 23, 23);
      break;
    case BarImage::kClose:
      g.Line({10, 10}, {22, 22}, 1.5f);
      g.Line({22, 10}, {10, 22}, 1.5f);
      break;
  }
}

}  // namespace

platform::DecodedImage DefaultButtonImage(BarImage image) {
  platform::DecodedImage out;
  out.Resize(kButtonSize, kButtonSize);
  out.has_alpha = true;
  std::fill(out.pixels.begin(), out.pixels.end(), 0u);
  for (int32_t y = 2; y < kButtonSize - 2; ++y) {
    std::fill_n(out.pixels.begin() + y * kButtonSize + 2, kButtonSize - 4, kShade);
  }
  Glyph glyph(out);
  DrawSymbol(glyph, image);
  return out;
}

platform::DecodedImage DefaultSizeMenuImage(platform::Platform& platform) {
  platform::DecodedImage out;
  out.Resize(kMenuWidth, kMenuHeight);
  out.has_alpha = true;
  std::fill(out.pixels.begin(), out.pixels.end(), kShade);
  const auto text = platform.surfaces().CreateSurface(kMenuWidth, kMenuHeight);
  if (!text || !text->surface().valid()) return out;
  const platform::Surface& lit = text->surface();
  for (int32_t y = 0; y < lit.height; ++y)
    std::fill(lit.Row(y), lit.Row(y) + lit.width, 0xFF000000u);
  for (int i = 1; i <= kMenuChoices; ++i) {
    platform::TextBox box;
    box.text = std::to_string((i + 4) * 10) + "%";
    box.font_name = "Arial";
    box.font_size = 14;
    box.align = 4;  // centred both ways
    box.top = static_cast<float>((i - 1) * kMenuChoiceHeight);
    box.width = kMenuWidth;
    box.height = kMenuChoiceHeight;
    box.fill.kind = platform::TextFill::Kind::kSolid;
    box.fill.argb1 = 0xFFFFFFFF;
    platform.text().DrawTextBox(lit, box);
  }
  // The text's coverage over the shade, straight alpha.
  for (int32_t y = 0; y < kMenuHeight; ++y) {
    for (int32_t x = 0; x < kMenuWidth; ++x) {
      const uint32_t c = lit.Row(y)[x] & 0xFF;
      uint32_t& p = out.pixels[static_cast<size_t>(y * kMenuWidth + x)];
      if (c != 0) p = (std::max<uint32_t>(c, p >> 24) << 24) | 0xFFFFFF;
    }
  }
  return out;
}

void BarImages::Load(album::AlbumItems& items, platform::Platform& platform) {
  for (int i = 0; i < kBarImageCount; ++i) {
    const auto image = static_cast<BarImage>(i);
    auto read = AlbumImage(items, platform.pictures(), BarImageItem(image));
    buttons_[static_cast<size_t>(i)] = read ? std::move(*read) : DefaultButtonImage(image);
  }
  auto menu = AlbumImage(items, platform.pictures(), kSizeMenuItem);
  size_menu_ = menu ? std::move(*menu) : DefaultSizeMenuImage(platform);
}

void BarImages::Clear() {
  for (platform::DecodedImage& image : buttons_)
    image = {};
  size_menu_ = {};
}

}  // namespace lantern::windows
