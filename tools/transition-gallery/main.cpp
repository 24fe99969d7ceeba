// transition-gallery NUMBER DIRECTION OUT.png [--size WxH] [--frames N]
//                    [--from PHOTO --to PHOTO] [--class V] [--all-frames DIR]
// transition-gallery --effect NUMBER DIRECTION OUT.png [--text STR]
//                    [--box X,Y,W,H] [--font-size N] [...]
// Runs one transition between two slides (or, with --effect, one text effect
// over the first slide) and writes N evenly spaced frames (the last one the
// finished frame) as a contact sheet; --all-frames also writes every frame at
// full size into DIR. Time is the test backend's virtual clock, so every
// frame the routine draws is kept; --from and --to are photos (JPEG, PNG,
// GIF, TIFF, BMP, turned upright) read by the native backend,
// which also draws the effects' text.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "imaging/raster.h"
#include "imaging/resample.h"
#include "platform/fake/fake_platform.h"
#include "platform/native/native_platform.h"
#include "texteffects/text_effects.h"
#include "tools/albumpack/png_writer.h"
#include "transitions/catalogue.h"

#ifndef _WIN32
// fontconfig keeps a little of its configuration for the life of the process
// and never frees it; under the leak checker that is not this program's leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace {

using namespace lantern;
using platform::HeapSurfaceBuffer;
using platform::Surface;

struct Options {
  int32_t number = -1, dir = 0, width = 1024, height = 768, frames = 8, version_class = 7;
  std::string out, from, to, all_frames;
  // A text effect instead of a transition: its text, box and font size.
  bool effect = false;
  std::string text = "Lantern";
  float box[4] = {-1, -1, -1, -1};  // default: a third of the slide, centred
  float font_size = 0;              // default: three quarters of the box's height
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "transition-gallery: %s\nusage: transition-gallery NUMBER DIRECTION OUT.png "
               "[--size WxH] [--frames N] [--from PHOTO --to PHOTO] [--class V] "
               "[--all-frames DIR]\n       transition-gallery --effect NUMBER DIRECTION OUT.png "
               "[--text STR] [--box X,Y,W,H] [--font-size N] [...]\n",
               why);
  std::exit(2);
}

Options Parse(int argc, char** argv) {
  Options o;
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value after " + a).c_str());
      return argv[++i];
    };
    if (a == "--size") {
      if (std::sscanf(value().c_str(), "%dx%d", &o.width, &o.height) != 2) Usage("bad --size");
    } else if (a == "--frames") {
      o.frames = std::atoi(value().c_str());
    } else if (a == "--from") {
      o.from = value();
    } else if (a == "--to") {
      o.to = value();
    } else if (a == "--class") {
      o.version_class = std::atoi(value().c_str());
    } else if (a == "--all-frames") {
      o.all_frames = value();
    } else if (a == "--effect") {
      o.effect = true;
    } else if (a == "--text") {
      o.text = value();
    } else if (a == "--box") {
      if (std::sscanf(value().c_str(), "%f,%f,%f,%f", &o.box[0], &o.box[1], &o.box[2], &o.box[3]) !=
          4)
        Usage("bad --box");
    } else if (a == "--font-size") {
      o.font_size = static_cast<float>(std::atof(value().c_str()));
    } else {
      plain.push_back(a);
    }
  }
  if (plain.size() != 3) Usage("expected NUMBER DIRECTION OUT.png");
  o.number = std::atoi(plain[0].c_str());
  o.dir = std::atoi(plain[1].c_str());
  o.out = plain[2];
  if (o.width < 1 || o.height < 1 || o.width > 8192 || o.height > 8192) Usage("bad size");
  if (o.frames < 1 || o.frames > 64) Usage("--frames must be 1-64");
  if (o.from.empty() != o.to.empty()) Usage("--from and --to go together");
  if (o.box[2] < 0) {
    o.box[2] = o.width / 3.0f;
    o.box[3] = o.height / 8.0f;
    o.box[0] = (o.width - o.box[2]) / 2;
    o.box[1] = (o.height - o.box[3]) / 2;
  }
  if (o.font_size <= 0) o.font_size = o.box[3] * 0.75f;
  return o;
}

// A built-in slide: a gradient with a grid, a disc and diagonal stripes, in
// two colour schemes, so movement and mirroring are easy to see.
void Sample(const Surface& s, bool second) {
  for (int32_t y = 0; y < s.height; ++y) {
    uint32_t* row = s.Row(y);
    for (int32_t x = 0; x < s.width; ++x) {
      const int32_t g = 255 * (second ? x : y) / std::max(1, (second ? s.width : s.height) - 1);
      uint32_t r = second ? 230 : 40, gr = second ? 120 + g / 3 : 60 + g / 3,
               b = second ? 40 : 120 + g / 2;
      const double dx = x - s.width * (second ? 0.65 : 0.3), dy = y - s.height * 0.45;
      const double disc = std::min(s.width, s.height) * 0.25;
      if (dx * dx + dy * dy < disc * disc) r = gr = b = second ? 30 : 245;
      if (((x + (second ? -y : y)) / 24) % 6 == 0) r = (r + 255) / 2, gr = (gr + 255) / 2;
      if (x % 64 == 0 || y % 64 == 0) r = gr = b = second ? 255 : 0;
      row[x] = (r << 16) | (gr << 8) | b;
    }
  }
}

// A photo upright, stretched over the whole slide.
bool ReadPhoto(platform::ToolPlatform& native, const std::string& path, const Surface& into) {
  const auto bytes = native.files().ReadFile(path);
  imaging::DecodedImage picture;
  std::vector<uint32_t> scratch;
  if (!bytes || !imaging::DecodeUpright(native.pictures(), *bytes, picture, scratch)) return false;
  imaging::Fill(into, 0, 0, into.width, into.height, 0);
  imaging::ResampleScratch rows;
  return imaging::DrawPicture(into, {0, 0, into.width, into.height}, picture, rows);
}

bool WritePng(const std::string& path, const Surface& s) {
  const std::vector<uint8_t> bytes = albumpack::EncodePng(s);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

struct Slides {
  explicit Slides(const Options& o)
      : dst(o.width, o.height),
        source(o.width, o.height),
        tmp(o.width, o.height),
        p4(o.width, o.height),
        p5(o.width, o.height) {}
  show::Surfaces surfaces() const {
    return {dst.surface(), source.surface(), tmp.surface(), p4.surface(), p5.surface()};
  }
  HeapSurfaceBuffer dst, source, tmp, p4, p5;
};

// The text of --effect: solid yellow with a dark border.
texteffects::EffectText EffectTextOf(const Options& o) {
  texteffects::EffectText t;
  t.text = o.text;
  t.style.font_name = "Arial";
  t.style.font_size = o.font_size;
  t.style.border_width = 2;
  t.style.argb1 = 0xFFFFD820;
  t.style.border_argb = 0xAA301000;
  t.style.align = 4;
  t.left = o.box[0];
  t.top = o.box[1];
  t.width = o.box[2];
  t.height = o.box[3];
  return t;
}

// Runs the transition once from `old_slide` and calls `frame` with each frame
// number (1-based) after it is drawn.
void Render(const Options& o, Slides& slides, platform::TextRenderer& text,
            const Surface& old_slide, const Surface& new_slide,
            const std::function<void(int32_t)>& frame) {
  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter(fake);
  show::Pacer pacer(fake, state, presenter);
  base::Rnd rnd;
  const show::FrameContext context{pacer, presenter, state, fake.clock(), rnd, o.version_class,
                                   1500,  false,     {}};
  int32_t count = 0;
  const Surface& d = slides.dst.surface();
  imaging::Copy(d, 0, 0, d.width, d.height, old_slide, 0, 0);
  imaging::Copy(slides.source.surface(), 0, 0, d.width, d.height, new_slide, 0, 0);
  if (o.effect) {
    texteffects::TextEffects effects(context, text);
    effects.context().on_frame = [&] { frame(++count); };
    effects.Run(o.number, slides.surfaces(), EffectTextOf(o), o.dir);
    return;
  }
  transitions::Catalogue catalogue(context);
  catalogue.context().on_frame = [&] { frame(++count); };
  catalogue.Run(o.number, slides.surfaces(), o.dir & 1, o.dir);
}

std::string NameOf(const Options& o) {
  if (o.effect) return std::string(texteffects::EffectName(o.number));
  const transitions::CatalogueEntry* entry = transitions::Catalogue::Entry(o.number, o.dir & 1);
  return entry != nullptr ? std::string(entry->name) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  if (NameOf(o).empty())
    std::fprintf(stderr, "transition-gallery: %d has no routine; the sheet shows the old slide\n",
                 o.number);
  platform::native::NativePlatform native;
  HeapSurfaceBuffer old_slide(o.width, o.height), new_slide(o.width, o.height);
  if (o.from.empty()) {
    Sample(old_slide.surface(), false);
    Sample(new_slide.surface(), true);
  } else if (!ReadPhoto(native, o.from, old_slide.surface()) ||
             !ReadPhoto(native, o.to, new_slide.surface())) {
    std::fprintf(stderr, "transition-gallery: cannot read %s or %s\n", o.from.c_str(),
                 o.to.c_str());
    return 1;
  }
  Slides slides(o);
  // First pass: count the frames.
  int32_t total = 0;
  Render(o, slides, native.text(), old_slide.surface(), new_slide.surface(),
         [&](int32_t f) { total = f; });

  // Thumbnails at most 320 pixels wide, four to a row.
  const int32_t tw = std::min(o.width, 320);
  const int32_t th = std::max(1, o.height * tw / o.width);
  const int32_t gap = 6, columns = std::min(o.frames, 4);
  const int32_t rows = (o.frames + columns - 1) / columns;
  HeapSurfaceBuffer sheet(columns * (tw + gap) + gap, rows * (th + gap) + gap);
  imaging::Fill(sheet.surface(), 0, 0, sheet.surface().width, sheet.surface().height, 0x202020);
  const auto place = [&](int32_t slot, const Surface& s) {
    const int32_t x = gap + (slot % columns) * (tw + gap), y = gap + (slot / columns) * (th + gap);
    imaging::StretchNearest(sheet.surface(), x, y, tw, th, s, 0, 0, s.width, s.height);
  };
  // Frames k * total / N for k = 1 .. N - 1, then the finished frame.
  std::vector<int32_t> wanted;
  for (int32_t k = 1; k < o.frames; ++k)
    wanted.push_back(std::max(1, static_cast<int32_t>(std::lround(double(k) * total / o.frames))));
  int32_t slot = 0;
  bool all_ok = true;
  Render(o, slides, native.text(), old_slide.surface(), new_slide.surface(), [&](int32_t f) {
    while (slot < static_cast<int32_t>(wanted.size()) && wanted[static_cast<size_t>(slot)] == f)
      place(slot++, slides.dst.surface());
    if (!o.all_frames.empty()) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame-%05d.png", f);
      all_ok = WritePng(o.all_frames + name, slides.dst.surface()) && all_ok;
    }
  });
  while (slot < o.frames)
    place(slot++, slides.dst.surface());
  if (!WritePng(o.out, sheet.surface()) || !all_ok) {
    std::fprintf(stderr, "transition-gallery: cannot write %s\n", o.out.c_str());
    return 1;
  }
  const std::string name = NameOf(o);
  std::printf("%s: %d frames, sheet of %d written to %s\n", name.empty() ? "none" : name.c_str(),
              total, o.frames, o.out.c_str());
  return 0;
}
