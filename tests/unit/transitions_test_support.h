// Test support for the transitions: slides inside a sentinel border, the
// player pieces on the fake backend, and a catalogue wired to them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "show/pacing.h"
#include "show/presenter.h"
#include "show/show_state.h"
#include "show/surfaces.h"
#include "transitions/catalogue.h"

namespace lantern::transitions::testing {

// A surface of w x h inside a border of kBorder pixels of a sentinel value
// that no drawing may change.
class BorderedSurface {
 public:
  static constexpr int32_t kBorder = 3;
  static constexpr uint32_t kSentinel = 0xA5C3E1F7;
  BorderedSurface(int32_t w, int32_t h)
      : outer_w_(w + 2 * kBorder),
        outer_h_(h + 2 * kBorder),
        memory_(static_cast<size_t>(outer_w_) * outer_h_, kSentinel) {
    view_.width = w;
    view_.height = h;
    view_.stride = outer_w_ * 4;
    view_.pixels = reinterpret_cast<uint8_t*>(memory_.data() + kBorder * outer_w_ + kBorder);
  }
  const platform::Surface& surface() const { return view_; }
  uint32_t at(int32_t x, int32_t y) const { return view_.Row(y)[x]; }
  void Paint(const std::function<uint32_t(int32_t, int32_t)>& colour) {
    for (int32_t y = 0; y < view_.height; ++y)
      for (int32_t x = 0; x < view_.width; ++x)
        view_.Row(y)[x] = colour(x, y);
  }
  bool SentinelIntact() const {
    for (int32_t y = 0; y < outer_h_; ++y)
      for (int32_t x = 0; x < outer_w_; ++x) {
        const bool inside =
            x >= kBorder && x < outer_w_ - kBorder && y >= kBorder && y < outer_h_ - kBorder;
        if (!inside && memory_[static_cast<size_t>(y) * outer_w_ + x] != kSentinel) return false;
        if (!inside || y == kBorder || y == outer_h_ - kBorder - 1) continue;
        x = outer_w_ - kBorder - 1;  // skip the inside of the row
      }
    return true;
  }

 private:
  int32_t outer_w_, outer_h_;
  std::vector<uint32_t> memory_;
  platform::Surface view_;
};

// Distinct, position-dependent pictures, so that a pixel from the wrong place
// or the wrong slide shows.
inline uint32_t OldPixel(int32_t x, int32_t y) {
  return 0x00100000u | static_cast<uint32_t>((x * 7 + y * 131) & 0xFFFF);
}
inline uint32_t NewPixel(int32_t x, int32_t y) {
  return 0x00E00000u | static_cast<uint32_t>((x * 13 + y * 257 + 5) & 0xFFFF);
}

// The player's pieces on the fake backend and five bordered slides.
struct Stage {
  Stage(int32_t w, int32_t h, int32_t version_class = 7)
      : dst(w, h),
        source(w, h),
        tmp(w, h),
        p4(w, h),
        p5(w, h),
        catalogue({pacer, presenter, state, fake.clock(), rnd, version_class, 1500}) {
    dst.Paint(OldPixel);
    source.Paint(NewPixel);
    for (BorderedSurface* s : {&tmp, &p4, &p5})
      s->Paint([](int32_t, int32_t) { return 0x00123456u; });
  }
  show::Surfaces surfaces() const {
    return {dst.surface(), source.surface(), tmp.surface(), p4.surface(), p5.surface()};
  }
  // The surfaces a transition writes (PicSource is only read).
  bool WrittenSentinelsIntact() const {
    return dst.SentinelIntact() && tmp.SentinelIntact() && p4.SentinelIntact();
  }
  bool SentinelsIntact() const {
    return dst.SentinelIntact() && source.SentinelIntact() && tmp.SentinelIntact() &&
           p4.SentinelIntact() && p5.SentinelIntact();
  }
  // Runs a transition; `each_frame` sees the frame number (1-based) after each frame.
  int32_t Run(int32_t number, int32_t dir, const std::function<void(int32_t)>& each_frame = {}) {
    int32_t frames = 0;
    catalogue.context().on_frame = [&] {
      ++frames;
      if (each_frame) each_frame(frames);
    };
    catalogue.Run(number, surfaces(), dir & 1, dir);
    catalogue.context().on_frame = {};
    return frames;
  }

  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter{fake};
  show::Pacer pacer{fake, state, presenter};
  base::Rnd rnd;
  BorderedSurface dst, source, tmp, p4, p5;
  Catalogue catalogue;
};

}  // namespace lantern::transitions::testing
