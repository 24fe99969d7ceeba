// The transition tests' shared helpers that need no templates: guarded runs,
// checksums, and the report of a picture that differs, with its PNG files.
#include "tests/unit/transitions_test_support.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "tools/albumpack/png_writer.h"

namespace lantern::transitions::testing {

std::string Hex(uint32_t pixel) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", pixel);
  return text;
}

std::string Stage::BrokenSentinel(bool written_only) const {
  struct Named {
    const char* name;
    const BorderedSurface* surface;
    bool written;
  };
  for (const Named& s :
       {Named{"PicDst", &dst, true}, Named{"PicSource", &source, false},
        Named{"PicTmp", &tmp, true}, Named{"P4", &p4, true}, Named{"P5", &p5, false}}) {
    if (written_only && !s.written) continue;
    const std::string broken = s.surface->BrokenSentinel();
    if (!broken.empty()) return std::string(s.name) + " border " + broken;
  }
  return {};
}

std::string Label(int32_t number, int32_t dir, Size size) {
  const CatalogueEntry* entry = Catalogue::Entry(number, dir & 1);
  const std::string name = entry ? std::string(entry->name) : "#" + std::to_string(number);
  return name + " dir " + std::to_string(dir) + " at " + std::to_string(size.w) + "x" +
         std::to_string(size.h);
}

std::vector<int32_t> Built() {
  std::vector<int32_t> numbers;
  for (int32_t n = 0; n <= kLastTransition; ++n)
    if (Catalogue::Has(n)) numbers.push_back(n);
  return numbers;
}

int32_t Variants(int32_t number) {
  return number == 32 ? 2 : Catalogue::DirectionCount(number);
}

int32_t RunGuarded(Stage& stage, int32_t number, int32_t dir, int32_t too_many) {
  stage.catalogue.context().waits = false;
  std::string broken;
  int32_t broken_at = 0;
  const int32_t frames = stage.Run(number, dir, [&](int32_t f) {
    if (broken.empty() && (f <= 1000 || f % 100 == 0)) {
      broken = stage.BrokenSentinel(true);
      if (!broken.empty()) broken_at = f;
    }
    if (f == too_many) stage.state.NextRequested = true;
  });
  if (broken.empty()) broken = stage.BrokenSentinel(false);
  if (!broken.empty()) {
    ADD_FAILURE() << broken << ", seen after frame " << (broken_at > 0 ? broken_at : frames)
                  << " of " << frames;
  }
  return frames;
}

uint64_t Checksum(const BorderedSurface& s) {
  uint64_t h = 1469598103934665603u;
  for (int32_t y = 0; y < s.surface().height; ++y)
    for (int32_t x = 0; x < s.surface().width; ++x)
      h = (h ^ s.at(x, y)) * 1099511628211u;
  return h;
}

std::vector<uint64_t> FrameChecksums(Stage& stage, int32_t number, int32_t dir) {
  stage.catalogue.context().waits = false;
  std::vector<uint64_t> sums;
  stage.Run(number, dir, [&](int32_t) { sums.push_back(Checksum(stage.dst)); });
  return sums;
}

double ElapsedMs(const Stage& stage, int64_t since) {
  return static_cast<double>(stage.fake.now_ticks() - since) / platform::fake::kTicksPerMs;
}

int32_t CountDiffering(const BorderedSurface& s,
                       const std::function<uint32_t(int32_t, int32_t)>& want) {
  int32_t differing = 0;
  for (int32_t y = 0; y < s.surface().height; ++y)
    for (int32_t x = 0; x < s.surface().width; ++x)
      differing += s.at(x, y) != want(x, y);
  return differing;
}

namespace {

// Where failing comparisons leave their pictures: the test runner's folder
// for undeclared outputs when it names one, else a folder in the build tree,
// else one in the system's temporary folder.
std::filesystem::path PictureFolder() {
  std::filesystem::path folder;
  if (const char* outputs = std::getenv("TEST_UNDECLARED_OUTPUTS_DIR"); outputs && *outputs)
    folder = outputs;
#ifdef LANTERN_TEST_OUTPUT_DIR
  else
    folder = LANTERN_TEST_OUTPUT_DIR;
#endif
  std::error_code error;
  if (!folder.empty() && (std::filesystem::create_directories(folder, error), !error))
    return folder;
  folder = std::filesystem::temp_directory_path(error) / "lantern-transition-failures";
  std::filesystem::create_directories(folder, error);
  return folder;
}

// `what` as a file name: letters and digits, runs of anything else as one '_'.
std::string FileStem(const std::string& what) {
  std::string stem;
  for (const char c : what) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      stem += c;
    else if (!stem.empty() && stem.back() != '_')
      stem += '_';
  }
  while (!stem.empty() && stem.back() == '_')
    stem.pop_back();
  return stem;
}

// Writes w x h pixels as a PNG file; returns its path, or a note why not.
std::string WritePng(const std::vector<uint32_t>& pixels, int32_t w, int32_t h,
                     const std::filesystem::path& path) {
  std::vector<uint32_t> copy = pixels;  // the view wants writable memory
  const platform::Surface view{reinterpret_cast<uint8_t*>(copy.data()), w, h, w * 4};
  const std::vector<uint8_t> png = albumpack::EncodePng(view);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return out ? path.string() : "(could not write " + path.string() + ")";
}

}  // namespace

::testing::AssertionResult PictureDiffers(const BorderedSurface& actual,
                                          const std::vector<uint32_t>& expected,
                                          const std::vector<bool>& tolerated,
                                          const std::string& what) {
  const platform::Surface& v = actual.surface();
  std::vector<uint32_t> seen, differences;
  int32_t wrong = 0;
  platform::Rect box;  // around the differing pixels
  std::ostringstream first;
  for (int32_t y = 0; y < v.height; ++y)
    for (int32_t x = 0; x < v.width; ++x) {
      const size_t i = static_cast<size_t>(y) * v.width + x;
      seen.push_back(actual.at(x, y));
      const bool may = !tolerated.empty() && tolerated[i];
      const bool differs = seen.back() != expected[i] && !may;
      // Red where it differs, grey where it may, black where it agrees.
      differences.push_back(differs ? 0x00FF0000u : may ? 0x00606060u : 0u);
      if (!differs) continue;
      if (wrong++ == 0)
        first << "the first at " << x << "," << y << " is " << Hex(seen.back()) << " instead of "
              << Hex(expected[i]);
      box = platform::Union(box, {x, y, x + 1, y + 1});
    }
  const std::filesystem::path stem = PictureFolder() / FileStem(what);
  return ::testing::AssertionFailure()
         << what << ": " << wrong << " pixels differ, within " << box.left << "," << box.top
         << " - " << box.right << "," << box.bottom << "; " << first.str()
         << "\n  actual:      " << WritePng(seen, v.width, v.height, stem.string() + "-actual.png")
         << "\n  expected:    "
         << WritePng(expected, v.width, v.height, stem.string() + "-expected.png")
         << "\n  differences: "
         << WritePng(differences, v.width, v.height, stem.string() + "-differences.png");
}

}  // namespace lantern::transitions::testing
