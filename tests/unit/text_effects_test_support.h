// Test support for the text effects: a text renderer that takes its time,
// the effects on the fake backend with five bordered surfaces, and the final
// look an effect must end on.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/text_box.h"
#include "platform/fake/fake_platform.h"
#include "texteffects/text_effects.h"
#include "transitions_test_support.h"

namespace lantern::texteffects::testing_support {

using transitions::testing::BorderedSurface;

// The picture the effects draw on: position-dependent and never black.
inline uint32_t Background(int32_t x, int32_t y) {
  return transitions::testing::OldPixel(x, y);
}

// The fake's text, drawn after `ms` of virtual time.
class SlowText final : public platform::TextRenderer {
 public:
  SlowText(platform::fake::FakePlatform& fake, int32_t ms) : fake_(fake), ms_(ms) {}
  void DrawTextBox(const platform::Surface& surface, const platform::TextBox& box) override {
    fake_.AdvanceMs(ms_);
    inner_.DrawTextBox(surface, box);
  }
  float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                     int32_t font_style) override {
    return inner_.MeasureWidth(text, font_name, font_size, font_style);
  }
  float MeasureString(const std::string& text, const std::string& font_name, float font_size,
                      int32_t font_style, float box_width, float box_height) override {
    return inner_.MeasureString(text, font_name, font_size, font_style, box_width, box_height);
  }
  const std::vector<platform::TextBox>& drawn() const { return inner_.drawn(); }

 private:
  platform::fake::FakePlatform& fake_;
  int32_t ms_;
  platform::fake::FakeTextRenderer inner_;
};

// A bordered surface holding the given pixels, row by row.
struct Pixels : BorderedSurface {
  Pixels(int32_t w, int32_t h, const std::vector<uint32_t>& pixels) : BorderedSurface(w, h) {
    Paint([&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y * w + x)]; });
  }
};

struct EffectStage {
  EffectStage(int32_t w, int32_t h, int32_t draw_ms = 0)
      : text(fake, draw_ms),
        dst(w, h),
        source(w, h),
        tmp(w, h),
        p4(w, h),
        p5(w, h),
        effects({pacer, presenter, state, fake.clock(), rnd, 7, 1500}, text) {
    dst.Paint(Background);
    for (BorderedSurface* s : {&source, &tmp, &p4, &p5})
      s->Paint([](int32_t, int32_t) { return 0x00123456u; });
  }
  show::Surfaces surfaces() const {
    return {dst.surface(), source.surface(), tmp.surface(), p4.surface(), p5.surface()};
  }
  std::vector<uint32_t> Dst() const {
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < dst.surface().height; ++y)
      for (int32_t x = 0; x < dst.surface().width; ++x)
        pixels.push_back(dst.at(x, y));
    return pixels;
  }
  // PicDst with the text drawn on it statically.
  std::vector<uint32_t> FinalLook(const EffectText& t) const {
    BorderedSurface look(dst.surface().width, dst.surface().height);
    look.Paint([&](int32_t x, int32_t y) { return dst.at(x, y); });
    platform::fake::FakeTextRenderer renderer;
    imaging::DrawTextBox(renderer, look.surface(), t.text, t.style, t.left, t.top, t.width,
                         t.height, t.texture);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < look.surface().height; ++y)
      for (int32_t x = 0; x < look.surface().width; ++x)
        pixels.push_back(look.at(x, y));
    return pixels;
  }
  bool SentinelsIntact() const {
    return dst.SentinelIntact() && source.SentinelIntact() && tmp.SentinelIntact() &&
           p4.SentinelIntact() && p5.SentinelIntact();
  }
  // Runs an effect; `each_frame` sees the frame number (1-based) after each frame.
  int32_t Run(int32_t number, const EffectText& t, int32_t dir,
              const std::function<void(int32_t)>& each_frame = {}) {
    int32_t frames = 0;
    effects.context().on_frame = [&] {
      ++frames;
      if (each_frame) each_frame(frames);
    };
    effects.Run(number, surfaces(), t, dir);
    effects.context().on_frame = {};
    return frames;
  }

  platform::fake::FakePlatform fake;
  show::ShowState state;
  show::Presenter presenter{fake};
  show::Pacer pacer{fake, state, presenter};
  base::Rnd rnd;
  SlowText text;
  BorderedSurface dst, source, tmp, p4, p5;
  TextEffects effects;
};

}  // namespace lantern::texteffects::testing_support
