// slide-compare: compares two renderings of the same slide (PNG files, read
// with the native backend's libpng decoder), as the end-to-end test of the
// two renderers does.
//
//   slide-compare photo A.png B.png X,Y,W,H [--limit L]
//     The mean absolute difference of the area, in levels (0-255) per
//     channel; fails above L (default 2).
//   slide-compare text A.png A_PLAIN.png B.png B_PLAIN.png X,Y,W,H [--tolerance T]
//     The text's ink on each side: the pixels of the area where the picture
//     with text differs from the same slide without it. Ink rows are grouped
//     into lines (runs of rows with ink), each line gets its ink bounding
//     box; fails when the two sides have a different number of lines or an
//     edge of a line's box lies more than T pixels (default 3) apart.
//
// Prints what it measured; exit code 0 when within limits, 1 when not, 2 for
// a wrong command line or a picture that cannot be read.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/native/native_pictures.h"

namespace {

using lantern::platform::DecodedImage;

struct Area {
  int32_t left = 0, top = 0, width = 0, height = 0;
};

// A line's ink bounding box, edges inclusive.
struct InkBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Differences of a channel above this count as ink: far above the rounding
// of the pictures, below what a glyph's fill or outline changes.
constexpr int kInkLevels = 48;

std::optional<DecodedImage> Read(const std::string& path) {
  lantern::platform::native::NativePictureDecoder decoder;
  DecodedImage image;
  if (!decoder.DecodeFile(path, image) || image.empty()) {
    std::fprintf(stderr, "slide-compare: %s: cannot read it as a picture\n", path.c_str());
    return std::nullopt;
  }
  return image;
}

std::optional<Area> ParseArea(const std::string& text) {
  Area a;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &a.left, &a.top, &a.width, &a.height) != 4 ||
      a.width < 1 || a.height < 1) {
    std::fprintf(stderr, "slide-compare: an area is X,Y,W,H, not \"%s\"\n", text.c_str());
    return std::nullopt;
  }
  return a;
}

// The area clipped to the pictures, which must all be of one size.
std::optional<Area> Within(const Area& area, const std::vector<const DecodedImage*>& images) {
  for (const DecodedImage* image : images) {
    if (image->width != images[0]->width || image->height != images[0]->height) {
      std::fprintf(stderr, "slide-compare: the pictures differ in size\n");
      return std::nullopt;
    }
  }
  const int32_t left = std::max(area.left, 0), top = std::max(area.top, 0);
  const int32_t right = std::min(area.left + area.width, images[0]->width);
  const int32_t bottom = std::min(area.top + area.height, images[0]->height);
  if (right <= left || bottom <= top) {
    std::fprintf(stderr, "slide-compare: the area lies outside the pictures\n");
    return std::nullopt;
  }
  return Area{left, top, right - left, bottom - top};
}

uint32_t At(const DecodedImage& image, int32_t x, int32_t y) {
  return image
      .pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
}

int ChannelDifference(uint32_t a, uint32_t b, int channel) {
  return std::abs(static_cast<int>((a >> (8 * channel)) & 0xFF) -
                  static_cast<int>((b >> (8 * channel)) & 0xFF));
}

double MeanDifference(const DecodedImage& a, const DecodedImage& b, const Area& area) {
  double sum = 0;
  for (int32_t y = area.top; y < area.top + area.height; ++y) {
    for (int32_t x = area.left; x < area.left + area.width; ++x) {
      for (int channel = 0; channel < 3; ++channel)
        sum += ChannelDifference(At(a, x, y), At(b, x, y), channel);
    }
  }
  return sum / (3.0 * area.width * area.height);
}

bool IsInk(const DecodedImage& text, const DecodedImage& plain, int32_t x, int32_t y) {
  for (int channel = 0; channel < 3; ++channel) {
    if (ChannelDifference(At(text, x, y), At(plain, x, y), channel) > kInkLevels) return true;
  }
  return false;
}

// The ink of each line in the area, top to bottom.
std::vector<InkBox> InkLines(const DecodedImage& text, const DecodedImage& plain,
                             const Area& area) {
  std::vector<InkBox> lines;
  bool in_line = false;
  for (int32_t y = area.top; y < area.top + area.height; ++y) {
    int32_t first = -1, last = -1;
    for (int32_t x = area.left; x < area.left + area.width; ++x) {
      if (!IsInk(text, plain, x, y)) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) {
      in_line = false;
      continue;
    }
    if (!in_line) lines.push_back({first, y, last, y});
    InkBox& line = lines.back();
    line = {std::min(line.left, first), line.top, std::max(line.right, last), y};
    in_line = true;
  }
  return lines;
}

int32_t LargestEdgeGap(const InkBox& a, const InkBox& b) {
  return std::max({std::abs(a.left - b.left), std::abs(a.top - b.top), std::abs(a.right - b.right),
                   std::abs(a.bottom - b.bottom)});
}

void PrintBox(const char* side, const InkBox& box) {
  std::printf("  %s %d,%d-%d,%d (%dx%d)\n", side, box.left, box.top, box.right, box.bottom,
              box.right - box.left + 1, box.bottom - box.top + 1);
}

// The number after option `name` among args[from..], or `fallback`.
double Option(const std::vector<std::string>& args, size_t from, const std::string& name,
              double fallback) {
  for (size_t i = from; i + 1 < args.size(); ++i) {
    if (args[i] == name) return std::strtod(args[i + 1].c_str(), nullptr);
  }
  return fallback;
}

int ComparePhoto(const std::vector<std::string>& args) {
  const auto a = Read(args[2]), b = Read(args[3]);
  const auto asked = ParseArea(args[4]);
  if (!a || !b || !asked) return 2;
  const auto area = Within(*asked, {&*a, &*b});
  if (!area) return 2;
  const double limit = Option(args, 5, "--limit", 2);
  const double mad = MeanDifference(*a, *b, *area);
  std::printf("photo %d,%d %dx%d: mean absolute difference %.3f levels (limit %.3f)\n", area->left,
              area->top, area->width, area->height, mad, limit);
  return mad <= limit ? 0 : 1;
}

int CompareText(const std::vector<std::string>& args) {
  const auto a = Read(args[2]), a_plain = Read(args[3]), b = Read(args[4]), b_plain = Read(args[5]);
  const auto asked = ParseArea(args[6]);
  if (!a || !a_plain || !b || !b_plain || !asked) return 2;
  const auto area = Within(*asked, {&*a, &*a_plain, &*b, &*b_plain});
  if (!area) return 2;
  const auto tolerance = static_cast<int32_t>(Option(args, 7, "--tolerance", 3));
  const std::vector<InkBox> lines_a = InkLines(*a, *a_plain, *area);
  const std::vector<InkBox> lines_b = InkLines(*b, *b_plain, *area);
  std::printf("text %d,%d %dx%d: %zu and %zu lines (tolerance %d px)\n", area->left, area->top,
              area->width, area->height, lines_a.size(), lines_b.size(), tolerance);
  int32_t largest = 0;
  for (size_t i = 0; i < std::max(lines_a.size(), lines_b.size()); ++i) {
    std::printf(" line %zu\n", i + 1);
    if (i < lines_a.size()) PrintBox("a", lines_a[i]);
    if (i < lines_b.size()) PrintBox("b", lines_b[i]);
    if (i < lines_a.size() && i < lines_b.size())
      largest = std::max(largest, LargestEdgeGap(lines_a[i], lines_b[i]));
  }
  std::printf(" largest edge difference %d px\n", largest);
  return !lines_a.empty() && lines_a.size() == lines_b.size() && largest <= tolerance ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  if (args.size() >= 5 && args[1] == "photo") return ComparePhoto(args);
  if (args.size() >= 7 && args[1] == "text") return CompareText(args);
  std::fprintf(stderr,
               "usage: slide-compare photo A.png B.png X,Y,W,H [--limit LEVELS]\n"
               "       slide-compare text A.png A_PLAIN.png B.png B_PLAIN.png X,Y,W,H "
               "[--tolerance PIXELS]\n");
  return 2;
}
