// The slide area's size, the rescaling of authored positions, and slide timing.
#include <gtest/gtest.h>

#include "player/layout.h"
#include "player/slide_timing.h"
#include "settings_fixture.h"

namespace lantern::player {
namespace {

TEST(LayoutTest, TheWindowedAreaIsAMultipleOfFourWideAndEvenHigh) {
  const DisplaySize d = WindowedDisplaySize(1366, 768, 0.8f);  // 1092.8 x 614.4
  EXPECT_EQ(d.width, 1092);
  EXPECT_EQ(d.height, 614);
  const DisplaySize full = WindowedDisplaySize(1920, 1080, 1.0f);
  EXPECT_EQ(full.width, 1920);
  EXPECT_EQ(full.height, 1080);
  const DisplaySize odd = WindowedDisplaySize(1023, 767, 1.0f);
  EXPECT_EQ(odd.width, 1020);
  EXPECT_EQ(odd.height, 766);
}

album::AlbumSettings AuthoredOn1024x768() {
  album::PropertyBagWriter w = album::fixture::MinimalAlbum();
  w.SetInt32("NowI", 2);
  w.SetInt16("ImgDrawScale", 1);
  w.SetText("ImgPosX(1)", "100");
  w.SetText("ImgPosY(1)", "0");
  album::fixture::SetCaption(w, 1, "cap", 100, 200, 300, 40);
  album::fixture::SetHeadline(w, 2, "head", 50);  // x 50, y 51, w 52, h 53, ... size 55, border 57
  return album::fixture::ReadAlbum(w);
}

TEST(LayoutTest, WithinThreePercentNothingIsRescaled) {
  album::AlbumSettings s = AuthoredOn1024x768();
  const album::AlbumSettings before = s;
  EXPECT_FALSE(RescaleLayout(s, {1000, 750}));
  EXPECT_EQ(s.fFontSize, before.fFontSize);
  EXPECT_EQ(s.CapPosX, before.CapPosX);
}

TEST(LayoutTest, PositionsScaleByAxisAndSizesByTheSmallerRatio) {
  album::AlbumSettings s = AuthoredOn1024x768();
  ASSERT_TRUE(RescaleLayout(s, {1092, 614}));  // rx 1.0664, ry 0.7995
  EXPECT_EQ(s.LyricPosX, 12);                  // 11 x 1.066 = 11.73
  EXPECT_EQ(s.LyricPosY, 10);                  // 12 x 0.799 = 9.59
  EXPECT_EQ(s.fFontSize[1], 803);              // 1005 x 0.7995 = 803.5
  EXPECT_EQ(s.ImgPosX[1], 107);
  EXPECT_EQ(s.ImgPosY[1], 0);
  EXPECT_EQ(s.CapPosX[1], 107);
  EXPECT_EQ(s.CapPosY[1], 160);
  EXPECT_EQ(s.CapPosW[1], 320);
  EXPECT_EQ(s.CapPosH[1], 32);
  EXPECT_EQ(s.HeadPosX[2], 52);  // 50 x 1.066 - 1 = 52.3
  EXPECT_EQ(s.HeadPosY[2], 40);  // 51 x 0.7995 - 1 = 39.8
  EXPECT_EQ(s.HeadPosW[2], 57);  // 52 x 1.066 + 2 = 57.5 -> 57.45
  EXPECT_EQ(s.HeadPosH[2], 44);  // 53 x 0.7995 + 2 = 44.4
  EXPECT_EQ(s.HeadSize[2], 44);  // 55 x 0.7995 = 43.97
}

TEST(SlideTimingTest, TheDefaultCycleAddsTransitionAndHeadlineTimeOnlyWithSynchronisedMusic) {
  album::AlbumSettings s;
  s.TimeInterval = 4.25f;
  s.EnableTransition = true;
  s.SelectedTransitionCount = 3;
  s.EnableHeadlineEffect = true;
  EXPECT_EQ(DefaultSlideMs(s), 4250);
  s.EnableSync = true;
  EXPECT_EQ(DefaultSlideMs(s), 4250);  // no songs
  s.NowM = 2;
  EXPECT_EQ(DefaultSlideMs(s), 6750);
  s.SelectedTransitionCount = 0;
  EXPECT_EQ(DefaultSlideMs(s), 5250);
  s.TimeInterval = 1e30f;
  EXPECT_EQ(DefaultSlideMs(s), 2147483647);
}

TEST(SlideTimingTest, APhotosDurationIsUsedOnlyWhenItIsANumberAndMusicDoesNotSetTheTime) {
  album::AlbumSettings s;
  s.NowI = 3;
  album::SizePhotoArrays(s);
  s.SlideDuration[1] = "2.5";
  s.SlideDuration[2] = "soon";
  EXPECT_EQ(SlideCycleMs(s, 1, 5000), 2500);
  EXPECT_EQ(SlideCycleMs(s, 2, 5000), 5000);
  EXPECT_EQ(SlideCycleMs(s, 3, 5000), 5000);
  EXPECT_EQ(SlideCycleMs(s, 4, 5000), 5000);
  s.EnableSync = true;
  EXPECT_EQ(SlideCycleMs(s, 1, 5000), 5000);
}

TEST(SlideTimingTest, WaitsCheckTheMusicOnlyWhileASynchronisedCycleIsCatchingUp) {
  album::AlbumSettings s;
  s.NowM = 2;
  s.EnableSync = true;
  show::MusicProgress m{.PassCount = 0, .SyncAlbumPasses = 2, .SyncMusicPasses = 1};
  EXPECT_EQ(SlideWaitKind(s, m, 1), SlideWait::kMusicChecks);
  m.PassComplete = true;
  m.PassCount = 1;
  EXPECT_EQ(SlideWaitKind(s, m, 1), SlideWait::kPlain);  // the music is through
  m.PassComplete = false;
  EXPECT_EQ(SlideWaitKind(s, m, 1), SlideWait::kMusicChecks);  // album passes still due
  EXPECT_EQ(SlideWaitKind(s, m, 2), SlideWait::kPlain);
  s.NowM = 1;
  m.PassCount = 0;
  EXPECT_EQ(SlideWaitKind(s, m, 1), SlideWait::kPlain);  // one song, one pass
  s.NowM = 2;
  s.MuteSound = true;
  EXPECT_EQ(SlideWaitKind(s, m, 1), SlideWait::kPlain);
}

}  // namespace
}  // namespace lantern::player
