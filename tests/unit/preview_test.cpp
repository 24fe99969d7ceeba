// The preview ("/P" and a host window) on the fake backend: the photos in
// turn every 5 seconds, shrunk to fit on black, inside the host's client
// area; the end when the host goes away or a close request comes, also in the
// middle of a tick; host handles that name no window.
#include <gtest/gtest.h>

#include <string>

#include "show_fixture.h"

namespace lantern::player {
namespace {

using platform::fake::FakeForeignWindow;
using show_fixture::ShowTest;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

class PreviewTest : public ShowTest {
 protected:
  // The host: the little monitor of the display settings, 160 x 120 inside.
  platform::NativeHandle Host() {
    return fake_.fake_system().AddWindow(
        FakeForeignWindow{.class_name = "PreviewHost", .bounds = {300, 200, 460, 320}});
  }
  // The window made inside `host`; 0 when none.
  platform::WindowId ChildOf(platform::NativeHandle host) const {
    for (platform::WindowId id = 1; id < 50; ++id) {
      const auto* w = fake_.window(id);
      if (w != nullptr && w->native_parent == host) return id;
    }
    return 0;
  }
  int RunPreview(platform::NativeHandle host) {
    return Run("/p " + std::to_string(host), /*close_at_ms=*/1'000'000);
  }
  void CloseHostAt(int64_t at_ms, platform::NativeHandle host) {
    At(at_ms, [this, host] { fake_.DestroyChildrenOf(host); });
  }
  void ExpectSlides(const std::vector<std::pair<double, uint32_t>>& expected) {
    const std::vector<Shown> shown = Slides();
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_NEAR(shown[i].at_ms, expected[i].first, 1) << i;
      EXPECT_EQ(shown[i].colour, expected[i].second) << i;
    }
  }
};

TEST_F(PreviewTest, ThePhotosTakeTurnsEveryFiveSecondsShrunkToFitOnBlackInsideTheHost) {
  Photos({kRed, kGreen, kBlue});
  const platform::NativeHandle host = Host();
  platform::WindowId preview = 0;
  At(1000, [&] {
    preview = ChildOf(host);
    ASSERT_NE(preview, 0u);
    const auto* w = fake_.window(preview);
    EXPECT_EQ(w->spec.bounds, (platform::Rect{0, 0, 160, 120}));
    EXPECT_TRUE(w->visible);
    EXPECT_EQ(fake_.active_window(), 0u);                    // shown without taking the activation
    EXPECT_EQ(w->spec.title, "屏幕保护: Lantern 电子相册");  // how another copy finds it
  });
  CloseHostAt(16000, host);
  EXPECT_EQ(RunPreview(host), 0);
  EXPECT_NEAR(fake_.now_ms_exact(), 16000, 1);
  ExpectSlides({{200, kRed}, {5000, kGreen}, {10000, kBlue}, {15000, kRed}});
  // The 8 x 6 photo is not enlarged: it sits in the middle of black.
  const auto& last = fake_.presents().back();
  EXPECT_EQ(last.pixels.at(0) & 0xFFFFFF, 0u);
  EXPECT_EQ(last.pixels.at(57 * 160 + 76) & 0xFFFFFF, kRed);
  EXPECT_EQ(last.pixels.at(56 * 160 + 76) & 0xFFFFFF, 0u);
  EXPECT_FALSE(fake_.Exists(preview));
  EXPECT_EQ(fake_.fake_system().application_title, "");  // a new copy need not wait
}

TEST_F(PreviewTest, OnePhotoIsShownAgainAtEveryTick) {
  Photos({kGreen});
  const platform::NativeHandle host = Host();
  CloseHostAt(10500, host);
  RunPreview(host);
  ExpectSlides({{200, kGreen}, {5000, kGreen}, {10000, kGreen}});
}

TEST_F(PreviewTest, ACloseRequestDuringATickLetsTheTickFinishThenEndsTheProgram) {
  Photos({kRed, kGreen, kBlue});
  const platform::NativeHandle host = Host();
  platform::WindowId preview = 0;
  // The preview closer's close request arrives while photo 2 is read.
  fake_.fake_resources().on_load = [&](const std::string& name) {
    if (name != "ImgNames(2)") return;
    preview = ChildOf(host);
    ASSERT_NE(preview, 0u);
    fake_.window(preview)->handler->OnCloseRequest();
  };
  RunPreview(host);
  ExpectSlides({{200, kRed}, {5000, kGreen}});  // photo 2 was still drawn and shown
  EXPECT_NEAR(fake_.now_ms_exact(), 5000, 1);
  EXPECT_NE(preview, 0u);
  EXPECT_FALSE(fake_.Exists(preview));
}

TEST_F(PreviewTest, AHandleThatNamesNoWindowEndsTheProgramQuietly) {
  Photos({kRed});
  const platform::NativeHandle host = Host();
  const std::string too_large = "/p " + std::to_string(host + 0x100000000ull);
  for (const std::string& line : {std::string("/p"), std::string("/p 0"), std::string("/p 12345"),
                                  too_large, std::string("/p x1")}) {
    EXPECT_EQ(Run(line, 1'000'000), 0) << line;
    EXPECT_EQ(ChildOf(host), 0u) << line;
    EXPECT_TRUE(fake_.presents().empty()) << line;
  }
}

}  // namespace
}  // namespace lantern::player
