// The player form on the fake backend, in virtual time: slides in order and
// on time, the requests input leaves in the flags, damaged albums, the end of
// the show.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "player/frm_pb.h"
#include "show_fixture.h"

namespace lantern::player {
namespace {

using show_fixture::kBackground;
using show_fixture::ShowTest;
namespace k = platform::keys;
using platform::fake::EventType;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

std::vector<uint32_t> Colours(const std::vector<ShowTest::Shown>& shown) {
  std::vector<uint32_t> c;
  for (const auto& s : shown)
    c.push_back(s.colour);
  return c;
}

TEST_F(ShowTest, ScreenSaverShowsEveryPhotoInOrderAtTheSlideInterval) {
  Photos({kRed, kGreen, kBlue});
  platform::WindowId window = 0;
  RunForm("/S", 7000, [&](FrmPb& form) {
    At(100, [&] {
      window = form.window();
      const auto* w = fake_.window(window);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->spec.bounds, (platform::Rect{0, 0, 320, 240}));
      EXPECT_TRUE(w->spec.topmost);
      EXPECT_TRUE(w->visible);
      EXPECT_EQ(fake_.active_window(), window);
    });
  });
  const auto shown = Slides();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(Colours(shown), (std::vector<uint32_t>{kRed, kGreen, kBlue, kRed}));
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_NEAR(shown[i].at_ms, 2000.0 * static_cast<double>(i), 2.0) << "slide " << i;
  EXPECT_FALSE(fake_.Exists(window));
  // The cursor was hidden for the show and shown again; so was the running flag.
  EXPECT_EQ(fake_.fake_system().cursor_calls, (std::vector<bool>{false, true}));
  EXPECT_EQ(fake_.fake_system().saver_running_calls, (std::vector<bool>{true, false}));
  EXPECT_EQ(fake_.fake_system().application_title, "");
  EXPECT_FALSE(values_.WindowedMode);
}

TEST_F(ShowTest, APhotosOwnDurationSetsItsCycle) {
  Photos({kRed, kGreen, kBlue, kWhite});
  writer_.SetText("SlideDuration(3)", "2.5");
  RunForm("/S", 8800);
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 5u);
  EXPECT_NEAR(shown[1].at_ms - shown[0].at_ms, 2000, 2);
  EXPECT_NEAR(shown[2].at_ms - shown[1].at_ms, 2000, 2);
  EXPECT_NEAR(shown[3].at_ms - shown[2].at_ms, 2500, 2);  // photo 3
  EXPECT_NEAR(shown[4].at_ms - shown[3].at_ms, 2000, 2);
}

TEST_F(ShowTest, SynchronisationWithoutSongsIsSwitchedOffSoPhotosKeepTheirOwnDurations) {
  Photos({kRed, kGreen, kBlue});
  writer_.SetText("SlideDuration(1)", "7");
  writer_.SetFlag("EnableSync", true);
  RunForm("/S", 9500);
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_NEAR(shown[1].at_ms - shown[0].at_ms, 7000, 2);
}

TEST_F(ShowTest, ANextRequestDuringTheWaitShowsTheNextSlideAtOnceWithoutTransition) {
  Photos({kRed, kGreen, kBlue});
  writer_.SetFlag("EnableTransition", true);
  writer_.SetText("StyleSelect", "00000000001");  // transition 10 only
  std::vector<double> transitions;
  TestParts parts;
  parts.transition = [&](int32_t number, const show::Surfaces&, int32_t, int32_t) {
    EXPECT_EQ(number, 10);
    transitions.push_back(fake_.now_ms_exact());
  };
  bool cleared = false;
  RunForm(
      "/S", 3000,
      [&](FrmPb& form) {
        At(700, [&] { form.state().NextRequested = true; });
        At(750, [&] { cleared = !form.state().NextRequested; });
      },
      std::move(parts));
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[1].colour, kGreen);
  EXPECT_NEAR(shown[1].at_ms, 700, 2);
  EXPECT_TRUE(cleared);
  // Slide 1 came with its transition, slide 2 without; slide 3 with one again.
  ASSERT_EQ(transitions.size(), 2u);
  EXPECT_LT(transitions[0], 1);
  EXPECT_NEAR(transitions[1], 2700, 2);
}

TEST_F(ShowTest, APauseHoldsTheShowAndTheSlideTimeStartsWhenItEnds) {
  Photos({kRed, kGreen, kBlue});
  RunForm("/S", 6000, [&](FrmPb& form) {
    At(500, [&] { form.state().ShowPaused = true; });
    At(3000, [&] { form.state().ShowPaused = false; });
  });
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[1].colour, kGreen);
  EXPECT_NEAR(shown[1].at_ms, 3000, 2);
  EXPECT_NEAR(shown[2].at_ms - shown[1].at_ms, 2000, 2);
}

// While paused nothing of the show is due: the loop sleeps until a message
// comes (here the form's one-second window timer, and its own look at the
// flags once a second), not every few milliseconds; a request that resumes
// the show shows the next slide at its own moment; and every wait of the
// show reuses one wait timer.
TEST_F(ShowTest, APausedShowSleepsUntilAMessageAndResumesAtOnce) {
  Photos({kRed, kGreen});
  int waits_at_start = 0;
  int waits_at_end = 0;
  bool paused_before_resume = false;
  RunForm("/S", 6000, [&](FrmPb& form) {
    At(500, [&] { form.state().ShowPaused = true; });
    At(1000, [&] { waits_at_start = fake_.waits(); });
    At(3000, [&] { waits_at_end = fake_.waits(); });
    At(3332, [&] { paused_before_resume = form.state().ShowPaused; });
    At(3333, [&] { form.state().ShowPaused = false; });
  });
  EXPECT_TRUE(paused_before_resume);
  EXPECT_GE(waits_at_end - waits_at_start, 1);  // the wake that delivered the call at 3000
  EXPECT_LE(waits_at_end - waits_at_start, 5);
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[1].colour, kGreen);
  EXPECT_NEAR(shown[1].at_ms, 3333, 1);
  EXPECT_LE(fake_.wait_timers_made(), 2);  // the form's pacer's and start-up's
}

// A close while a long song is being extracted cuts the extraction at its
// next piece: nothing more is written, the song is never played, and the
// show ends at once.
TEST_F(ShowTest, ACloseDuringASongsExtractionCutsIt) {
  Photos({kRed, kGreen});
  Item("MusicNames(1)", "MP3", std::vector<uint8_t>(3 * album::AlbumItems::kExtractPieceBytes, 7));
  writer_.SetInt32("NowM", 1);
  writer_.SetFlag("MuteSound", false);
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake_.files().CreateFolder(folder);
  bool reached = false;
  double closed_at = -1;
  int writes_at_close = -1;
  fake_.fake_resources().on_load = [&](const std::string& name) {
    if (name != "MusicNames(1)" || closed_at >= 0) return;
    closed_at = fake_.now_ms_exact();
    writes_at_close = fake_.fake_files().mapped_writes();
    // Delivered at the extraction's first dispatch, before its first piece.
    At(static_cast<int64_t>(closed_at), [&] { reached = true; });
    fake_.Script({.at_ms = static_cast<int64_t>(closed_at), .type = EventType::kClose});
  };
  RunForm("/S", 6000);
  ASSERT_TRUE(reached);
  EXPECT_EQ(fake_.fake_files().mapped_writes(), writes_at_close);  // no piece written after it
  EXPECT_TRUE(fake_.fake_media().rendered().empty());
  EXPECT_LT(fake_.now_ms_exact() - closed_at, 5.0);
}

// A packed texture is taken by its bytes: a BMP, or an item without a type
// word, fills pattern-2 captions, a single-pixel picture included.
class TextureTest : public ShowTest {
 protected:
  platform::TextFill::Kind CaptionFill(const std::string& texture_type) {
    Photos({kRed});
    writer_.SetFlag("EnableCaption", true);
    writer_.SetText("ImgCaption(1)", "ab");
    writer_.SetInt32("CapPosX(1)", 0);
    writer_.SetInt32("CapPosY(1)", 0);
    writer_.SetInt32("CapPosW(1)", 100);
    writer_.SetInt32("CapPosH(1)", 40);
    writer_.SetInt32("fFontPattern(1)", 2);
    imaging::DecodedImage pixel;
    pixel.Resize(1, 1);
    Item("TextureImage", texture_type, platform::fake::FakePictureDecoder::Encode(pixel));
    RunForm("/S", 500);
    const auto& drawn = fake_.fake_text().drawn();
    return drawn.empty() ? platform::TextFill::Kind::kNone : drawn.front().fill.kind;
  }
};

TEST_F(TextureTest, APackedBmpTextureFillsTheCaption) {
  EXPECT_EQ(CaptionFill("BMP"), platform::TextFill::Kind::kTexture);
}

TEST_F(TextureTest, ATextureWithoutATypeWordFillsTheCaption) {
  EXPECT_EQ(CaptionFill(""), platform::TextFill::Kind::kTexture);
}

TEST_F(ShowTest, RandomOrderIsANewPermutationEveryPass) {
  const std::vector<uint32_t> colours = {0x000001, 0x000002, 0x000003,
                                         0x000004, 0x000005, 0x000006};
  Photos(colours);
  writer_.SetFlag("PlayPhotoInRamdomOrder", true);
  writer_.SetSingle("TimeInterval", 1.0f);
  RunForm("/S", 6 * 1000 * 4 - 500);  // four passes
  const auto shown = Colours(Slides());
  ASSERT_EQ(shown.size(), 24u);
  std::set<std::vector<uint32_t>> orders;
  for (size_t pass = 0; pass < 4; ++pass) {
    std::vector<uint32_t> order(shown.begin() + static_cast<ptrdiff_t>(pass * 6),
                                shown.begin() + static_cast<ptrdiff_t>(pass * 6 + 6));
    orders.insert(order);
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, colours) << "pass " << pass << " shows every photo once";
  }
  EXPECT_GE(orders.size(), 3u);
}

TEST_F(ShowTest, WithoutASelectedTransitionSlidesChangeByPlainCopy) {
  Photos({kRed, kGreen});
  writer_.SetFlag("EnableTransition", true);
  writer_.SetText("StyleSelect", "0000000");
  int transitions = 0;
  TestParts parts;
  parts.transition = [&](int32_t, const show::Surfaces&, int32_t, int32_t) { ++transitions; };
  RunForm("/S", 4500, {}, std::move(parts));
  EXPECT_EQ(transitions, 0);
  EXPECT_EQ(Colours(Slides()), (std::vector<uint32_t>{kRed, kGreen, kRed}));
}

TEST_F(ShowTest, EverySelectedTransitionRunsOnceBeforeAnyRepeats) {
  Photos({kRed, kGreen, kBlue});
  writer_.SetFlag("EnableTransition", true);
  writer_.SetText("StyleSelect", "00000000001000010000000000000000000000001");  // 10, 15, 40
  writer_.SetSingle("TimeInterval", 1.0f);
  std::vector<int32_t> numbers;
  TestParts parts;
  parts.transition = [&](int32_t number, const show::Surfaces& s, int32_t pick2, int32_t pick4) {
    EXPECT_EQ(s.PicDst.width, 320);
    EXPECT_TRUE(pick2 == 0 || pick2 == 1);
    EXPECT_TRUE(pick4 >= 0 && pick4 <= 3);
    numbers.push_back(number);
  };
  RunForm("/S", 9 * 1000 - 500, {}, std::move(parts));
  ASSERT_EQ(numbers.size(), 9u);
  for (size_t round = 0; round < 3; ++round) {
    std::vector<int32_t> used(numbers.begin() + static_cast<ptrdiff_t>(round * 3),
                              numbers.begin() + static_cast<ptrdiff_t>(round * 3 + 3));
    std::sort(used.begin(), used.end());
    EXPECT_EQ(used, (std::vector<int32_t>{10, 15, 40})) << "round " << round;
  }
}

TEST_F(ShowTest, APhotoThatDoesNotDecodeShowsTheBackgroundAndTheShowGoesOn) {
  Photos({kRed, kGreen, kBlue});
  Item("ImgNames(2)", "PNG", {1, 2, 3, 4});  // not a picture
  RunForm("/S", 5000);
  EXPECT_EQ(Colours(Slides()), (std::vector<uint32_t>{kRed, kBackground, kBlue}));
}

TEST_F(ShowTest, AStepThatThrowsIsRetriedOnceThenSkippedAndTheShowGoesOn) {
  Photos({kRed, kGreen, kBlue, kWhite});
  int decodes = 0;
  fake_.fake_pictures().set_extra([&](std::span<const uint8_t>, imaging::DecodedImage&) -> bool {
    ++decodes;
    throw std::runtime_error("decoder failure");
  });
  Item("ImgNames(3)", "PNG", {1, 2, 3, 4});  // goes to the throwing decoder
  RunForm("/S", 7000);
  EXPECT_EQ(decodes, 2);  // tried, tried again, skipped
  EXPECT_EQ(Colours(Slides()), (std::vector<uint32_t>{kRed, kGreen, kBackground, kWhite}));
}

TEST(SlideErrorsTest, AStepIsTriedTwiceAndTheShowStopsAfterThreeErrorsPerPhoto) {
  int stops = 0;
  SlideErrors errors([&] { ++stops; });
  errors.StartPass(4);
  int tries = 0;
  const auto failing = [&] {
    ++tries;
    throw std::runtime_error("x");
  };
  for (int step = 1; step <= 6; ++step) {
    errors.Run(failing);
    EXPECT_EQ(tries, 2 * step);
  }
  EXPECT_EQ(errors.count(), 12);
  EXPECT_EQ(stops, 0);
  errors.Run(failing);  // the 13th error
  EXPECT_EQ(errors.count(), 13);
  EXPECT_EQ(tries, 13);
  EXPECT_EQ(stops, 1);
  errors.Run(failing);
  EXPECT_EQ(stops, 1);

  // A step that fails once and then works costs one error; the next failure,
  // landing on an even count, is skipped without a second try.
  errors.StartPass(4);
  int calls = 0;
  errors.Run([&] {
    if (++calls == 1) throw std::runtime_error("once");
  });
  EXPECT_EQ(calls, 2);
  tries = 0;
  errors.Run(failing);
  EXPECT_EQ(tries, 1);
  EXPECT_EQ(errors.count(), 2);
}

TEST_F(ShowTest, WindowedPlayerUsesFourFifthsOfTheScreenCentred) {
  fake_.set_screen({1366, 768, 15, 15, 60});
  Photos({kRed});
  platform::Rect bounds;
  RunForm("", 500, [&](FrmPb& form) {
    At(100, [&] {
      bounds = fake_.Bounds(form.window());
      EXPECT_FALSE(fake_.window(form.window())->spec.topmost);
      EXPECT_EQ(fake_.window(form.window())->timers.count(FrmPb::kTimer3), 1u);
    });
  });
  EXPECT_TRUE(values_.WindowedMode);
  EXPECT_EQ(bounds, (platform::Rect{137, 77, 137 + 1092, 77 + 614}));
  EXPECT_TRUE(fake_.fake_system().cursor_calls == std::vector<bool>{true});
  EXPECT_TRUE(fake_.fake_system().saver_running_calls.empty());
}

TEST_F(ShowTest, ARelayoutRequestResizesTheWindowAndRedrawsTheSlide) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed, kGreen});
  writer_.SetSingle("TimeInterval", 10.0f);
  platform::Rect bounds;
  RunForm("", 2000, [&](FrmPb& form) {
    At(500, [&] {
      form.state().WindowSizeIndex = 1;  // 50 %
      form.state().RelayoutPending = true;
    });
    At(1000, [&] {
      bounds = fake_.Bounds(form.window());
      EXPECT_FALSE(form.state().RelayoutPending);
      EXPECT_EQ(form.PicDst().width, 500);
      EXPECT_EQ(form.PicDst().Row(200)[250] & 0xFFFFFF, kRed);
    });
  });
  EXPECT_EQ(bounds, (platform::Rect{250, 200, 750, 600}));
}

TEST_F(ShowTest, ThePerRunFolderOfAnAlbumWithSongsIsGoneWhenTheShowEnds) {
  Photos({kRed});
  writer_.SetInt32("NowM", 1);
  writer_.SetText("PlayMusicOrder", "0");
  const std::string folder = "C:\\users\\me\\Temp\\~Pemo\\";
  fake_.fake_files().CreateFolder("C:\\users");
  fake_.fake_files().CreateFolder("C:\\users\\me");
  fake_.fake_files().CreateFolder("C:\\users\\me\\Temp");
  bool existed = false;
  RunForm("/S", 1000, [&](FrmPb& form) {
    At(500, [&] {
      existed = fake_.files().IsFolder(folder);
      EXPECT_EQ(form.ExtractionFolder(), folder);
    });
  });
  EXPECT_TRUE(existed);
  EXPECT_FALSE(fake_.files().Exists(folder));
  EXPECT_EQ(values_.TempFolder, folder);
}

TEST_F(ShowTest, ASynchronisedCycleOpensOnlyAtItsStartAndEndsOnlyAtItsEnd) {
  // Two songs of 35 s and three photos: one playlist pass takes two album
  // passes (11.67 s a photo), so a cycle is two passes long.
  Photos({kRed, kGreen, kBlue});
  for (int n = 1; n <= 2; ++n)
    Item(album::IndexedKey("MusicNames(", n), "MP3", {'I', 'D', '3', 0});
  writer_.SetInt32("NowM", 2);
  writer_.SetText("PlayMusicOrder", "0");
  writer_.SetInt32("SongDurationTotal", 70);
  writer_.SetFlag("MuteSound", false);
  writer_.SetFlag("EnableSync", true);
  writer_.SetFlag("EnableOpening", true);
  writer_.SetFlag("EnableEnding", true);
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake_.files().CreateFolder(folder);
  for (int n = 1; n <= 2; ++n)
    fake_.fake_media().SetDuration("C:\\users\\me\\Temp\\~Pemo\\" + std::to_string(n) + ".MP3", 35);
  // Each opening and ending, with the number of slides shown before it.
  std::vector<std::string> events;
  TestParts parts;
  parts.opening = [&] { events.push_back("O" + std::to_string(Slides().size())); };
  parts.ending = [&] { events.push_back("E" + std::to_string(Slides().size())); };
  RunForm(
      "/S", 150'000,
      [&](FrmPb& form) {
        At(100, [&] {
          EXPECT_EQ(form.music_progress().SyncAlbumPasses, 2);
          EXPECT_EQ(form.music_progress().SyncMusicPasses, 1);
        });
      },
      std::move(parts));
  // Opening, two passes of three photos, ending; and again.
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 4),
            (std::vector<std::string>{"O0", "E6", "O6", "E12"}));
  const auto shown = Slides();
  EXPECT_GE(shown.size(), 12u);
  EXPECT_NEAR(shown[1].at_ms - shown[0].at_ms, 11667, 600);
}

TEST_F(ShowTest, WithoutSynchronisationOpeningAndEndingFrameEveryPass) {
  Photos({kRed, kGreen});
  writer_.SetFlag("EnableOpening", true);
  writer_.SetFlag("EnableEnding", true);
  std::vector<std::string> events;
  TestParts parts;
  parts.opening = [&] { events.push_back("O" + std::to_string(Slides().size())); };
  parts.ending = [&] { events.push_back("E" + std::to_string(Slides().size())); };
  RunForm("/S", 7000, {}, std::move(parts));  // a close in the second pass: no ending after it
  EXPECT_EQ(events, (std::vector<std::string>{"O0", "E2", "O2"}));
}

TEST_F(ShowTest, StoppingAtThePowerPlansLimitSleepsOrHibernates) {
  Photos({kRed});
  struct Case {
    int32_t sleep, hibernate;
    bool hibernates;
  };
  for (const Case c :
       {Case{0, 0, true}, Case{600, 0, false}, Case{600, 300, true}, Case{300, 600, false}}) {
    fake_.fake_system().power = {c.sleep, c.hibernate, 0};
    fake_.fake_system().suspend_calls.clear();
    RunForm("/S", 100000, [&](FrmPb& form) {
      At(static_cast<int64_t>(fake_.now_ms_exact()) + 300, [&] {
        form.state().SleepOnExit = true;
        form.OnCloseRequest();
      });
    });
    EXPECT_EQ(fake_.fake_system().suspend_calls, std::vector<bool>{c.hibernates})
        << c.sleep << " " << c.hibernate;
  }
}

// A headline on photo 1 (FadeInText), none drawn for photo 2 (effect 9).
void Headlines(album::PropertyBagWriter& w) {
  const auto head = [&](int n, int effect) {
    w.SetText(album::IndexedKey("ImgHeadline(", n), "Hi");
    const std::pair<const char*, int32_t> values[] = {{"HeadPosX(", 40},
                                                      {"HeadPosY(", 40},
                                                      {"HeadPosW(", 200},
                                                      {"HeadPosH(", 40},
                                                      {"HeadDynamicStyle(", effect},
                                                      {"HeadSize(", 20},
                                                      {"HeadPattern(", 0},
                                                      {"HeadBorder(", 0},
                                                      {"HeadStyle(", 0},
                                                      {"HeadStartColor(", 0x00FF00},
                                                      {"HeadEndColor(", 0},
                                                      {"HeadBorderColor(", 0}};
    for (const auto& [stem, value] : values)
      w.SetInt32(album::IndexedKey(stem, n), value);
  };
  head(1, 0);
  head(2, 9);
}

TEST_F(ShowTest, AHeadlineFadesInAfterThePauseAndAnEffectNumberOfNineDrawsNone) {
  Photos({kRed, kBlue});
  writer_.SetFlag("EnableHeadlineEffect", true);
  writer_.SetSingle("TimeInterval", 3.0f);
  Headlines(writer_);
  // Style 2 aligns right and bottom: "Hi" fills (221..229, 61..79).
  std::vector<std::string> seen;
  RunForm("/S", 5500, [&](FrmPb& form) {
    const auto look = [&](int64_t at, const char* what) {
      At(at, [&form, &seen, what] {
        seen.push_back(std::string(what) + (form.state().TextEffectRunning ? "+" : "-") +
                       (form.PicDst().Row(70)[225] == 0x00FF00 ? "text" : "none"));
      });
    };
    look(400, "pause");
    look(1000, "fading");
    look(2500, "shown");
    look(4500, "next");
  });
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "pause-none");
  EXPECT_EQ(seen[1].substr(0, 7), "fading+");
  EXPECT_EQ(seen[2], "shown-text");
  EXPECT_EQ(seen[3], "next-none");
}

// After a stop nothing more reaches the screen: neither the rest of the
// headline nor the ending that would follow the pass; the window is out of
// sight at once.
TEST_F(ShowTest, ACloseRequestDuringAHeadlineEndsItAndTheShowAtOnce) {
  Photos({kRed, kBlue});
  writer_.SetFlag("EnableHeadlineEffect", true);
  writer_.SetFlag("EnableEnding", true);
  writer_.SetSingle("EndingDurationTime", 2.0f);
  Headlines(writer_);
  bool during_headline = false;
  bool hidden = false;
  size_t presents_at_stop = 0;
  RunForm("/S", 1000, [&](FrmPb& form) {
    At(1000, [&] {  // just after the close request
      during_headline = form.state().ShowStopping && form.state().TextEffectRunning;
      hidden = !fake_.window(form.window())->visible;
      presents_at_stop = fake_.presents().size();
    });
  });
  EXPECT_TRUE(during_headline);
  EXPECT_TRUE(hidden);
  EXPECT_GT(presents_at_stop, 0u);
  EXPECT_EQ(fake_.presents().size(), presents_at_stop);
  EXPECT_LT(fake_.now_ms_exact(), 1100);
}

// A close while a transition is drawing: the routine ends at its next frame
// and the show with it; nothing more reaches the screen.
TEST_F(ShowTest, ACloseDuringATransitionEndsItAndTheShowAtOnce) {
  Photos({kRed, kBlue});
  writer_.SetFlag("EnableTransition", true);
  writer_.SetText("StyleSelect", std::string(30, '0') + "1");  // CrossFade only
  catalogue_transitions_ = true;
  constexpr int64_t kCloseMs = 2300;  // inside the second slide's transition
  bool during_transition = false;
  size_t presents_before = 0;
  RunForm("/S", kCloseMs, [&](FrmPb& form) {
    At(kCloseMs - 1, [&] {
      during_transition = form.InTransition() && form.StepInProgress();
      presents_before = fake_.presents().size();
    });
  });
  EXPECT_TRUE(during_transition);
  EXPECT_LT(fake_.now_ms_exact() - kCloseMs, 20);
  EXPECT_LE(fake_.presents().size(), presents_before + 1);  // at most the frame in hand
}

TEST_F(ShowTest, TheOpeningShowsTheBackgroundAndItsTitleForItsDurationBeforeTheFirstSlide) {
  Photos({kRed});
  writer_.SetFlag("EnableOpening", true);
  writer_.SetInt16("TitleStyle", 0);
  writer_.SetSingle("OpeningDurationTime", 2.0f);
  writer_.SetInt32("fFontSize(4)", 10);  // "Spring" in the top-left corner
  writer_.SetInt32("fBorderWidth(4)", 0);
  writer_.SetInt32("fFontAlign(4)", 0);
  int32_t number = 0;
  RunForm("/S", 3000,
          [&](FrmPb& form) { At(1500, [&] { number = form.state().DisplayedSlideNumber; }); });
  EXPECT_EQ(number, -1);
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown.front().colour, kBackground & 0xFFFFFF);
  EXPECT_EQ(shown.back().colour, kRed);
  EXPECT_GE(shown.back().at_ms, 2000);
  EXPECT_FALSE(fake_.fake_text().drawn().empty());
  EXPECT_EQ(fake_.fake_text().drawn().front().text, "Spring");
}

// Handlers run inside the pumps of the show's steps. These scripts put an
// event at exactly such a moment (and check it came there): the step must not
// find what it works with freed or rebuilt under it (AddressSanitizer reports
// it when it is).
TEST_F(ShowTest, ARelayoutDuringTheMaskStepWaitsUntilTheSlideIsComposed) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed, kGreen});
  MaskFrame();
  writer_.SetSingle("TimeInterval", 3.0f);
  bool inside = false;
  int32_t width_after = 0;
  RunForm("", 6000, [&](FrmPb& form) {
    const auto reached = AtMaskStep(2, [&] {
      inside = form.StepInProgress() && !form.state().TextEffectRunning;
      fake_.Script({.at_ms = fake_.NowMs(),
                    .type = EventType::kKeyDown,
                    .key = k::kDigit5,
                    .shift = platform::kAltMask});
      At(fake_.NowMs(), [&form] { form.Timer3_Timer(); });  // a tick of the resize timer
    });
    At(5500, [&, reached] {
      EXPECT_TRUE(*reached);
      width_after = form.PicDst().width;
      EXPECT_FALSE(form.state().RelayoutPending);
      EXPECT_EQ(form.PicDst().Row(100)[100] & 0xFFFFFF, kGreen);
    });
  });
  EXPECT_TRUE(inside);
  EXPECT_EQ(width_after, 500);  // the size key took effect once the step was over
}

// A stop inside the composition ends it at its next pump: the slide that will
// never be seen is not finished (its 200 mask rows took 200 ms here).
TEST_F(ShowTest, ACloseDuringTheMaskStepEndsTheShowWithoutFinishingTheSlide) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed, kGreen});
  MaskFrame();
  bool inside = false;
  double closed_at = 0;
  size_t presents_at_stop = 0;
  RunForm("/S", 60'000, [&](FrmPb& form) {
    AtMaskStep(2, [&] {
      inside = form.StepInProgress();
      closed_at = fake_.now_ms_exact();
      presents_at_stop = fake_.presents().size();
      form.Form_QueryUnload();
    });
  });
  EXPECT_TRUE(inside);
  EXPECT_LT(fake_.now_ms_exact() - closed_at, 20);
  EXPECT_EQ(fake_.presents().size(), presents_at_stop);
}

// Surfaces for a larger window that cannot be made leave the show with the
// ones it had, at its old size, and it goes on.
TEST_F(ShowTest, ARelayoutWhoseSurfacesCannotBeMadeKeepsTheOldSizeAndTheShowGoesOn) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed, kGreen, kBlue});
  bool kept = false;
  RunForm("", 7000, [&](FrmPb& form) {
    At(2700, [&] {
      fake_.set_largest_surface(900 * 700);  // 800 x 640 surfaces exist, 1000 x 800 cannot be made
      form.state().WindowSizeIndex = 6;
      form.state().RelayoutPending = true;
      form.Timer3_Timer();
      kept = form.PicDst().width == 800 && form.state().WindowSizeIndex == 4 &&
             !form.state().RelayoutPending && fake_.window(form.window())->visible &&
             fake_.ClientBounds(form.window()).width() == 800;
    });
  });
  EXPECT_TRUE(kept);
  EXPECT_EQ(Colours(Slides()), (std::vector<uint32_t>{kRed, kGreen, kBlue, kRed}));
}

// Keys pressed inside the mask step of the `slide`-th composition of a
// three-photo windowed show; what the counter and the screen say at `look_ms`.
class StepKeysTest : public ShowTest {
 protected:
  struct After {
    bool inside = false;  // the keys came while a step ran, slide `slide - 1` counted
    int32_t number = 0;
    uint32_t colour = 0;
  };
  After KeysInsideTheMaskStep(int slide, std::vector<int> keys, int64_t look_ms) {
    fake_.set_screen({1000, 800, 15, 15, 60});
    Photos({kRed, kGreen, kBlue});
    MaskFrame();
    After after;
    RunForm("", look_ms + 200, [&](FrmPb& form) {
      AtMaskStep(slide, [&, keys] {
        after.inside = form.StepInProgress() && form.state().DisplayedSlideNumber == slide - 1;
        for (const int key : keys)
          form.Form_KeyDown(key, 0);
      });
      At(look_ms, [&] {
        after.number = form.state().DisplayedSlideNumber;
        after.colour = form.PicDst().Row(400)[500] & 0xFFFFFF;
      });
    });
    return after;
  }
};

// A paused step handled inside a step is dropped whole: the counter stays
// with the slide on the screen.
TEST_F(StepKeysTest, APausedStepInsideAStepLeavesTheCounterWithTheSlideShown) {
  const After after = KeysInsideTheMaskStep(2, {k::kF1, k::kRight}, 5000);  // pause, next
  EXPECT_TRUE(after.inside);
  EXPECT_EQ(after.colour, kGreen);
  EXPECT_EQ(after.number, 2);
}

// A step back while the next slide is composed counts from the slide on the
// screen: its predecessor comes, and the counter says so.
TEST_F(StepKeysTest, AStepBackWhileTheNextSlideIsComposedShowsTheOneBeforeTheSlideOnTheScreen) {
  const After after = KeysInsideTheMaskStep(3, {k::kLeft}, 4800);
  EXPECT_TRUE(after.inside);
  EXPECT_EQ(after.colour, kRed);
  EXPECT_EQ(after.number, 1);
}

// A re-layout asked for while a title line fades in waits for the effect;
// in the hold after it, the opening's picture and line are drawn again on the
// new surfaces.
TEST_F(ShowTest, ARelayoutDuringTheOpeningWaitsForTheTitleEffectThenRedrawsTheOpening) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  Photos({kRed});
  writer_.SetFlag("EnableOpening", true);
  writer_.SetInt16("TitleStyle", 1);
  writer_.SetSingle("OpeningDurationTime", 4.0f);
  writer_.SetInt32("fFontSize(4)", 10);  // "Spring" in the top-left corner
  writer_.SetInt32("fBorderWidth(4)", 0);
  int32_t width_during_effect = 0;
  size_t texts_before = 0;
  RunForm("", 3500, [&](FrmPb& form) {
    At(1200, [&] {  // the line fades in from 900 to 1800 ms
      EXPECT_TRUE(form.state().TextEffectRunning);
      form.state().WindowSizeIndex = 1;  // 50 %
      form.state().RelayoutPending = true;
      form.Timer3_Timer();
      width_during_effect = form.PicDst().width;
      texts_before = fake_.fake_text().drawn().size();
    });
    At(2500, [&] {
      form.Timer3_Timer();
      EXPECT_FALSE(form.state().RelayoutPending);
      EXPECT_EQ(form.PicDst().width, 500);
      EXPECT_EQ(form.PicDst().Row(300)[250] & 0xFFFFFF, kBackground & 0xFFFFFF);
      ASSERT_EQ(fake_.fake_text().drawn().size(), texts_before + 1);
      EXPECT_EQ(fake_.fake_text().drawn().back().text, "Spring");
    });
  });
  EXPECT_EQ(width_during_effect, 800);
}

TEST_F(ShowTest, ACloseRequestWhileASongIsExtractedEndsTheShowWithoutTouchingItsPlayer) {
  Photos({kRed, kGreen});
  Item(album::IndexedKey("MusicNames(", 1), "MP3", {'I', 'D', '3', 0});
  Item(album::IndexedKey("MusicLyricFiles(", 1), "LRC", {'[', '0', '0', ':', '0', '1', ']'});
  writer_.SetInt32("NowM", 1);
  writer_.SetInt32("LyricFilesCount", 1);
  writer_.SetText("PlayMusicOrder", "0");
  writer_.SetFlag("MuteSound", false);
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake_.files().CreateFolder(folder);
  bool closed_inside = false;
  // The close request arrives in the pump between reading the song's lyric
  // file and writing it, after the song itself was written.
  fake_.fake_resources().on_load = [&](const std::string& name) {
    if (closed_inside || name != album::IndexedKey("MusicLyricFiles(", 1)) return;
    closed_inside = true;
    fake_.Script({.at_ms = static_cast<int64_t>(fake_.now_ms_exact()), .type = EventType::kClose});
  };
  RunForm("/S", 60'000);
  EXPECT_TRUE(closed_inside);
  EXPECT_LT(fake_.now_ms_exact(), 1000);
  EXPECT_FALSE(fake_.files().Exists("C:\\users\\me\\Temp\\~Pemo\\"));
}

// The slideshow's pause holds the song and keeps its lyric line on the
// screen; only the music's own pause (F3) parks the lyric windows.
TEST_F(ShowTest, TheShowsPauseKeepsTheLyricsAndTheMusicPauseHidesThem) {
  Photos({kRed});
  Item(album::IndexedKey("MusicNames(", 1), "MP3", {'I', 'D', '3', 0});
  const std::string lrc = "[00:00.50]hello\r\n[00:09.00]world\r\n";
  Item(album::IndexedKey("MusicLyricFiles(", 1), "LRC", {lrc.begin(), lrc.end()});
  writer_.SetInt32("NowM", 1);
  writer_.SetInt32("LyricFilesCount", 1);
  writer_.SetText("PlayMusicOrder", "0");
  writer_.SetFlag("MuteSound", false);
  writer_.SetInt16("LyricStyle", 0);
  writer_.SetInt32("LyricPosX", 10);
  writer_.SetInt32("LyricPosY", 200);
  writer_.SetInt32("LyricPosW", 300);
  writer_.SetInt32("LyricPosH", 30);
  for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
    fake_.files().CreateFolder(folder);
  fake_.fake_media().SetDuration("C:\\users\\me\\Temp\\~Pemo\\1.MP3", 20);
  // The lyric window's left edge (it is parked ten display widths right).
  const auto lyric_left = [this] {
    for (const auto& push : fake_.layer_pushes()) {
      if (push.bounds.height() == 30 && fake_.window(push.window) != nullptr)
        return fake_.Bounds(push.window).left;
    }
    return -1;
  };
  std::vector<int32_t> lefts;
  bool paused = false;
  RunForm("/S", 4000, [&](FrmPb& form) {
    At(1000, [&] {
      lefts.push_back(lyric_left());
      form.Form_KeyDown(k::kF1, 0);
    });
    At(1500, [&] {
      paused = form.state().ShowPaused;
      lefts.push_back(lyric_left());
      form.Form_KeyDown(k::kF1, 0);
    });
    At(2500, [&] { form.Form_KeyDown(k::kF3, 0); });
    At(3000, [&] { lefts.push_back(lyric_left()); });
  });
  EXPECT_TRUE(paused);
  ASSERT_EQ(lefts.size(), 3u);
  EXPECT_GT(lefts[0], 0);
  EXPECT_EQ(lefts[1], lefts[0]);
  EXPECT_GT(lefts[2], 2000);
}

TEST_F(ShowTest, TheSongsLyricsFloatInLayeredWindowsAndASongChangeClearsThem) {
  Photos({kRed});
  SongWithLyrics("[00:00.50]hello\r\n[00:01.50]world\r\n", 0, 200, 3);
  RunForm("/S", 5600);
  std::vector<std::string> lines;
  for (const platform::TextBox& box : fake_.fake_text().drawn()) {
    if (box.premultiplied) lines.push_back(box.text);
  }
  // The song plays twice in 5.6 s; its lines are drawn once each time.
  EXPECT_EQ(lines, (std::vector<std::string>{"hello", "world", "hello", "world"}));
  // Lines stand at the lyric area; at the song's end the window is cleared
  // and parked right of the screen.
  std::vector<int32_t> lefts;
  for (const auto& push : fake_.layer_pushes()) {
    if (push.bounds.top == 200) lefts.push_back(push.bounds.left);
  }
  EXPECT_EQ(lefts, (std::vector<int32_t>{10, 10, 320 + 100, 10, 10}));
}

// Lyric lines far wider than the lyric area (3,000 "W", a blank and 2,000
// "相"), with every measurement and every character the text engine lays
// out charged to the virtual clock at about what a path renderer spends on
// them: the slides keep their period and a close is acted on at once.
TEST_F(ShowTest, LongLyricLinesHoldNeitherTheSlidesNorAClose) {
  Photos({kRed, kGreen, kBlue});
  std::string line = std::string(3000, 'W') + " ";
  for (int i = 0; i < 2000; ++i)
    line += "\xE7\x9B\xB8";  // 相
  std::string lrc;
  for (int i = 0; i < 20; ++i)
    lrc += "[00:" + std::to_string(1 + i / 2) + (i % 2 == 0 ? ".00]" : ".50]") + line + "\r\n";
  SongWithLyrics(lrc, 3, 150, 30);
  fake_.fake_text().on_work = [&](const platform::fake::FakeTextRenderer::Work& w) {
    // 20 us a measurement and 0.5 us a character measured; 100 us a
    // character laid out (its outline made and filled).
    const int64_t us = 20 * w.measures + w.measured_chars / 2 + 100 * w.laid_out_chars;
    fake_.AdvanceTicks(us * platform::fake::kTicksPerMs / 1000);
  };
  constexpr int64_t kCloseAt = 9010;  // while lines are still being drawn
  RunForm("/S", kCloseAt);
  const double closed = fake_.now_ms_exact();
  const auto shown = Slides();
  ASSERT_GE(shown.size(), 5u);
  for (size_t i = 1; i < 5; ++i)
    EXPECT_NEAR(shown[i].at_ms - shown[i - 1].at_ms, 2000, 30) << "slide " << i;
  EXPECT_LT(closed - kCloseAt, 100);
  // The lines were drawn, each cut to what can show.
  size_t lines = 0;
  for (const platform::TextBox& box : fake_.fake_text().drawn()) {
    if (!box.premultiplied) continue;
    ++lines;
    EXPECT_LE(box.text.size(), 4u * 300 / 10);
  }
  EXPECT_GE(lines, 16u);
}

}  // namespace
}  // namespace lantern::player
