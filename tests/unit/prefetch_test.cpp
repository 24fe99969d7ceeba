// The next photo made ready on the worker: the same slide as one made on the
// spot, one photo held ahead at most, and the show's requests (next, go-to,
// re-layout, a new order, stopping) while a job is held or running. Built
// also for the race detector (see README: the tsan preset).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <utility>

#include "imaging/composition.h"
#include "imaging/photo_prefetch.h"
#include "imaging/placement.h"
#include "imaging/raster.h"
#include "platform/thread_worker.h"
#include "show_fixture.h"

namespace lantern::imaging {
namespace {

using platform::fake::FakePictureDecoder;
using platform::fake::WorkerMode;

// A picture whose every pixel differs from its neighbours, so that any
// difference in scaling shows.
DecodedImage Noise(int32_t w, int32_t h, uint32_t alpha_mask = 0xFF000000u, uint32_t seed = 1) {
  DecodedImage image;
  image.Resize(w, h);
  uint32_t s = seed * 2654435761u;
  for (uint32_t& p : image.pixels) {
    s = s * 1664525u + 1013904223u;
    p = (s >> 8) | alpha_mask;
  }
  return image;
}

// The bytes of a JPEG that holds nothing but an EXIF orientation and a
// number that tells it from others (the fake decoder does not read JPEG).
std::vector<uint8_t> JpegWithOrientation(int orientation, uint8_t number) {
  const std::vector<uint8_t> tiff = {'I',
                                     'I',
                                     42,
                                     0,
                                     8,
                                     0,
                                     0,
                                     0,  // header, directory at 8
                                     1,
                                     0,  // one entry:
                                     0x12,
                                     0x01,
                                     3,
                                     0,
                                     1,
                                     0,
                                     0,
                                     0,  // Orientation, SHORT, 1
                                     static_cast<uint8_t>(orientation),
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0};  // no next directory
  const size_t length = 2 + 6 + tiff.size();
  std::vector<uint8_t> bytes = {0xFF,
                                0xD8,
                                0xFF,
                                0xE1,
                                static_cast<uint8_t>(length >> 8),
                                static_cast<uint8_t>(length),
                                'E',
                                'x',
                                'i',
                                'f',
                                0,
                                0};
  bytes.insert(bytes.end(), tiff.begin(), tiff.end());
  bytes.insert(bytes.end(), {0xFF, 0xFE, 0, 3, number, 0xFF, 0xD9});
  return bytes;
}

class PrefetchSlideTest : public ::testing::Test {
 protected:
  static constexpr int32_t kW = 64, kH = 48;

  // A JPEG photo stored as `stored` (before its EXIF orientation turns it).
  void JpegPhoto(int n, const DecodedImage& stored, int orientation) {
    std::vector<uint8_t> bytes = JpegWithOrientation(orientation, static_cast<uint8_t>(n));
    jpegs_[bytes] = stored;
    fake_.fake_pictures().set_extra([this](std::span<const uint8_t> b, DecodedImage& out) {
      const auto found = jpegs_.find(std::vector<uint8_t>(b.begin(), b.end()));
      if (found == jpegs_.end()) return false;
      out = found->second;
      return true;
    });
    Store(n, "JPG", std::move(bytes));
  }
  void Photo(int n, const DecodedImage& picture) {
    Store(n, "PNG", FakePictureDecoder::Encode(picture));
  }
  void Store(int n, const std::string& type, std::vector<uint8_t> bytes) {
    const std::string name = album::IndexedKey("ImgNames(", n);
    writer_.SetText(name + "_Type", type);
    writer_.SetInt32(name + "_Size", static_cast<int32_t>(bytes.size()));
    album::ApplyItemKeyStream(bytes);
    fake_.fake_resources().Add(name, std::move(bytes));
  }
  void Load(int photos) {
    settings_.LenOfRes = 1;
    settings_.NowI = photos;
    settings_.BackGroundSet = "2";
    settings_.BackgroundGradientMode = 2;
    settings_.BeginColor = 0x204060;
    settings_.CurrentMask = 1;
    album::SizePhotoArrays(settings_);
    ASSERT_EQ(store_.Load(writer_.Blob()), album::LoadError::kNone);
    const DecodedImage mask_picture = Noise(kW / 4 + 2, kH / 4 + 2);
    mask_ = BuildMaskTable(&mask_picture, kW, kH);
  }
  album::AlbumData Album() { return {settings_, store_, items_, fake_.files()}; }
  std::vector<uint32_t> Compose(int n, const ReadyPhoto* photo) {
    rnd_ = {};  // the placed mode's random position then falls alike
    SlideTools tools{pictures_, fake_.text(), mask_, nullptr, {}};
    tools.photo = photo;
    PrepareSlide(n, slide_.surface(), background_.surface(), Album(), tools);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < kH; ++y)
      pixels.insert(pixels.end(), slide_.surface().Row(y), slide_.surface().Row(y) + kW);
    return pixels;
  }
  PhotoPrefetch MakePrefetch(WorkerMode mode) {
    fake_.fake_workers().set_mode(mode);
    return PhotoPrefetch(fake_.CreateWorker(), fake_.pictures());
  }
  void StartPhoto(PhotoPrefetch& prefetch, const PhotoKey& key) {
    album::PictureSource source = album::FindPhoto(Album(), key.n);
    ASSERT_TRUE(LoadSourceBytes(fake_.files(), source));
    prefetch.Start(key, std::move(source));
  }
  // The photo made on a real worker thread, once it is ready.
  std::optional<ReadyPhoto> MadeAhead(const PhotoKey& key) {
    PhotoPrefetch prefetch = MakePrefetch(WorkerMode::kThread);
    StartPhoto(prefetch, key);
    while (prefetch.Pending(key))
      std::this_thread::yield();
    return prefetch.Take(key);
  }

  platform::fake::FakePlatform fake_;
  album::AlbumItems items_{fake_.resources(), fake_.files(), fake_.loop()};
  album::AlbumSettings settings_;
  album::PropertyBag store_;
  album::PropertyBagWriter writer_;
  base::Rnd rnd_;
  AlbumPictures pictures_{fake_, rnd_};
  MaskTable mask_;
  std::map<std::vector<uint8_t>, DecodedImage> jpegs_;
  platform::HeapSurfaceBuffer slide_{kW, kH};
  platform::HeapSurfaceBuffer background_{kW, kH};
};

// Every draw-scale mode, pictures larger and smaller than the slide, opaque
// and transparent: the photo made on the worker thread gives the slide made
// on the spot, pixel for pixel. A large opaque picture whose place is fixed
// is held only at the size it is drawn at.
TEST_F(PrefetchSlideTest, APhotoMadeReadyAheadComposesTheSameSlideAsOneMadeOnTheSpot) {
  Photo(1, Noise(301, 197));
  Photo(2, Noise(23, 17, 0xFF000000u, 2));
  Photo(3, Noise(150, 90, 0x7F000000u, 3));  // transparent
  Load(3);
  for (int32_t mode = 0; mode <= 4; ++mode) {
    settings_.ImgDrawScale = mode;
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << ", photo " << n);
      const PhotoKey key{n, kW, kH, mode};
      const std::optional<ReadyPhoto> ready = MadeAhead(key);
      ASSERT_TRUE(ready && ready->decoded);
      const bool fixed_place = mode == 0 || mode == 3 || mode == 4;
      EXPECT_EQ(ready->scaled, n == 1 && fixed_place);
      if (ready->scaled) {
        EXPECT_EQ(ready->image.width, ready->scaled_to.width());
        EXPECT_LE(ready->image.width, kW);
        EXPECT_LE(ready->image.height, kH);
      }
      const std::vector<uint32_t> ahead = Compose(n, &*ready);
      EXPECT_EQ(ahead, Compose(n, nullptr));
    }
  }
}

// A decoder that can decode a JPEG smaller is asked for no less than the
// photo's place on the slide (its sides swapped for a photo stored on its
// side) when that place is fixed and smaller than the photo, and for all of
// it otherwise. The photo then goes where a full decode would put it, and
// the slide is the same made ahead or on the spot.
TEST_F(PrefetchSlideTest, AJpegDecodedSmallerGoesWhereTheWholeOneWouldAlikeAheadAndOnTheSpot) {
  JpegPhoto(1, Noise(381, 291), 1);  // 63 x 48 on the slide; at 1/4, 96 x 73, 64 x 48
  JpegPhoto(2, Noise(291, 381, 0xFF000000u, 2), 6);  // upright 381 x 291
  JpegPhoto(3, Noise(40, 30, 0xFF000000u, 3), 1);    // smaller than the slide
  JpegPhoto(4, Noise(300, 100, 0xFF000000u, 4), 8);  // upright 100 x 300
  Load(4);
  FakePictureDecoder& decoder = fake_.fake_pictures();
  for (int32_t mode = 0; mode <= 4; ++mode) {
    settings_.ImgDrawScale = mode;
    const bool fixed_place = mode == kShrinkToFit || mode == kFit || mode == kStretch;
    for (int n = 1; n <= 4; ++n) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << ", photo " << n);
      const PhotoKey key{n, kW, kH, mode};
      album::PictureSource source = album::FindPhoto(Album(), key.n);
      ASSERT_TRUE(LoadSourceBytes(fake_.files(), source));
      decoder.set_offer_smaller(false);
      ReadyPhoto whole;
      MakeReadyPhoto(decoder, source, key, whole);
      const std::vector<uint32_t> whole_slide = Compose(n, &whole);
      decoder.set_offer_smaller(true);
      const std::optional<ReadyPhoto> ready = MadeAhead(key);
      ASSERT_TRUE(ready && ready->decoded);
      const std::pair<int32_t, int32_t> least = decoder.last_least();
      const std::vector<uint32_t> ahead = Compose(n, &*ready);
      EXPECT_EQ(ahead, Compose(n, nullptr));
      EXPECT_EQ(ready->scaled, whole.scaled);
      const bool on_side = n == 2 || n == 4;
      if (n == 3 || !fixed_place) {  // drawn at its size or larger, or not fixed
        EXPECT_EQ(least, on_side ? std::pair(whole.image.height, whole.image.width)
                                 : std::pair(whole.image.width, whole.image.height));
        EXPECT_EQ(ahead, whole_slide);
        continue;
      }
      ASSERT_TRUE(whole.scaled);
      EXPECT_EQ(ready->scaled_to, whole.scaled_to);
      EXPECT_EQ(ready->image.width, whole.image.width);
      EXPECT_EQ(ready->image.height, whole.image.height);
      const int32_t w = whole.scaled_to.width();
      const int32_t h = whole.scaled_to.height();
      EXPECT_EQ(least, on_side ? std::pair(h, w) : std::pair(w, h));
      if (mode == kStretch && n == 4) continue;  // no smaller size of 300 x 100 holds 48 x 64
      EXPECT_NE(ahead, whole_slide);             // decoded smaller: scaled from other pixels
    }
  }
}

// One photo at most is held or coming: another request replaces it, a job
// no longer wanted hands nothing over (and decodes nothing once it knows),
// taking the photo still coming takes its job over (the job stops), and
// joining drops what was queued.
TEST_F(PrefetchSlideTest, OnlyOnePhotoIsHeldAheadAndAReplacedJobHandsNothingOver) {
  Photo(1, Noise(40, 30));
  Photo(2, Noise(40, 30, 0xFF000000u, 2));
  Load(2);
  PhotoPrefetch prefetch = MakePrefetch(WorkerMode::kHeld);
  const PhotoKey one{1, kW, kH, 4}, two{2, kW, kH, 4};
  StartPhoto(prefetch, one);
  StartPhoto(prefetch, one);  // the same photo again: the same job
  EXPECT_EQ(prefetch.started(), 1);
  StartPhoto(prefetch, two);
  EXPECT_FALSE(prefetch.Holds(one));
  EXPECT_TRUE(prefetch.Pending(two));
  EXPECT_FALSE(prefetch.Take(two));  // still coming: the caller makes it instead
  EXPECT_FALSE(prefetch.Pending(two));
  const int decodes = fake_.fake_pictures().decodes();
  fake_.fake_workers().RunHeldJobs();
  EXPECT_EQ(fake_.fake_pictures().decodes(), decodes);  // both jobs stopped at once
  StartPhoto(prefetch, two);
  fake_.fake_workers().RunHeldJobs();
  EXPECT_EQ(fake_.fake_pictures().decodes(), decodes + 1);
  EXPECT_FALSE(prefetch.Pending(two));
  EXPECT_FALSE(prefetch.Take(one));  // not the one held: the one held goes too
  EXPECT_FALSE(prefetch.Holds(two));
  StartPhoto(prefetch, one);
  EXPECT_EQ(fake_.fake_workers().held_jobs(), 1u);
  prefetch.Join();
  EXPECT_EQ(fake_.fake_workers().held_jobs(), 0u);
  EXPECT_FALSE(prefetch.Take(one));
}

// The interface thread starts, takes and cancels while the worker runs; any
// photo taken is the one asked for. Under the race detector this is the
// check that the slot is the only thing shared.
TEST_F(PrefetchSlideTest, RequestsWhileTheWorkerRunsTakeOnlyTheirOwnPhoto) {
  for (int n = 1; n <= 3; ++n)
    Photo(n, Noise(90, 70, 0xFF000000u, static_cast<uint32_t>(n)));
  Load(3);
  PhotoPrefetch prefetch = MakePrefetch(WorkerMode::kThread);
  int taken = 0;
  for (int i = 0; i < 300; ++i) {
    const PhotoKey key{i % 3 + 1, kW, kH, i % 5};
    StartPhoto(prefetch, key);
    if (i % 7 == 0) prefetch.Cancel();
    if (i % 2 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (std::optional<ReadyPhoto> photo = prefetch.Take(key)) {
      EXPECT_EQ(photo->key, key);
      EXPECT_TRUE(photo->decoded);
      ++taken;
    }
  }
  prefetch.Join();
  EXPECT_GT(prefetch.started(), 200);
  RecordProperty("taken", taken);
}

// A photo inside a decode that cannot be stopped part-way (the system's):
// ending the prefetch, on a worker with a patience, returns once the
// patience is over instead of at the decode's end. The job runs on on its
// own thread and its own buffers, and the thread ends after it.
TEST_F(PrefetchSlideTest, EndingDuringADecodeThatCannotStopLeavesItRunning) {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool release = false;
  std::atomic<bool> finished = false;
  fake_.fake_pictures().set_extra([&](std::span<const uint8_t>, DecodedImage& out) {
    std::unique_lock<std::mutex> lock(mutex);
    started = true;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::seconds(5), [&] { return release; });
    out = Noise(4, 4);
    finished = true;
    return true;
  });
  Store(1, "PNG", {'S', 'Y', 'S'});
  Load(1);
  const int left_before = platform::ThreadWorker::LeftRunning();
  auto prefetch = std::make_unique<PhotoPrefetch>(
      std::make_unique<platform::ThreadWorker>(nullptr, nullptr, std::chrono::milliseconds(50)),
      fake_.pictures());
  StartPhoto(*prefetch, {1, kW, kH, 4});
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return started; }));
  }
  const auto ending = std::chrono::steady_clock::now();
  prefetch.reset();
  const auto took = std::chrono::steady_clock::now() - ending;
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_FALSE(finished);
  EXPECT_EQ(platform::ThreadWorker::LeftRunning(), left_before + 1);
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  changed.notify_all();
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (platform::ThreadWorker::LeftRunning() != left_before &&
         std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(finished);
  EXPECT_EQ(platform::ThreadWorker::LeftRunning(), left_before);
}

}  // namespace
}  // namespace lantern::imaging

namespace lantern::player {
namespace {

using platform::fake::EventType;
using platform::fake::WorkerMode;
using show_fixture::ShowTest;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

std::vector<uint32_t> Colours(const std::vector<ShowTest::Shown>& shown) {
  std::vector<uint32_t> c;
  for (const auto& s : shown)
    c.push_back(s.colour);
  return c;
}

class PrefetchShowTest : public ShowTest {
 protected:
  // The worker's held jobs run every `period_ms` from `first_ms` on.
  void RunJobsEvery(int64_t first_ms, int64_t period_ms, int64_t until_ms) {
    for (int64_t t = first_ms; t < until_ms; t += period_ms)
      At(t, [this] { fake_.fake_workers().RunHeldJobs(); });
  }
  // The first photo is made on the worker while the pass starts: its job
  // runs 1 ms in.
  void FirstPhotoReadyAtOnce() {
    At(1, [this] { fake_.fake_workers().RunHeldJobs(); });
  }
  // The slides shown, without the black window presented while the first
  // photo is still being made.
  std::vector<Shown> PhotoSlides() const {
    std::vector<Shown> shown = Slides();
    while (!shown.empty() && shown.front().colour == 0)
      shown.erase(shown.begin());
    return shown;
  }
};

// The photo after the one shown is decoded while it shows, once: the slides
// keep their order and times.
TEST_F(PrefetchShowTest, TheNextPhotoIsDecodedOnceWhileTheSlideBeforeItShows) {
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  Photos({kRed, kGreen, kBlue});
  FirstPhotoReadyAtOnce();
  RunJobsEvery(1000, 2000, 7000);
  int started = 0;
  RunForm("/S", 7000, [&](FrmPb& form) { At(6999, [&] { started = form.prefetch().started(); }); });
  const auto shown = PhotoSlides();
  ASSERT_EQ(Colours(shown), (std::vector<uint32_t>{kRed, kGreen, kBlue, kRed}));
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_NEAR(shown[i].at_ms, 2000.0 * static_cast<double>(i), 2.0) << "slide " << i;
  EXPECT_EQ(started, 5);  // red, green, blue, red again for the next pass, green
  // Every photo once, ahead (the last job is never run).
  EXPECT_EQ(fake_.fake_pictures().decodes(), 4);
}

// A next key while the next photo's job is held: the slide waits for that
// photo (pumping messages) instead of decoding it a second time.
TEST_F(PrefetchShowTest, ANextKeyDuringAJobWaitsForThePhotoComing) {
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  Photos({kRed, kGreen, kBlue, kWhite});
  FirstPhotoReadyAtOnce();
  At(800, [this] { fake_.fake_workers().RunHeldJobs(); });
  RunForm("/S", 1500, [&](FrmPb& form) { At(700, [&] { form.state().NextRequested = true; }); });
  const auto shown = PhotoSlides();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[1].colour, kGreen);
  EXPECT_NEAR(shown[1].at_ms, 800, 3);
  EXPECT_EQ(fake_.fake_pictures().decodes(), 2);  // red and green once each
}

TEST_F(PrefetchShowTest, AGoToDropsThePhotoComingAndShowsItsOwn) {
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  Photos({kRed, kGreen, kBlue, kWhite});
  FirstPhotoReadyAtOnce();
  RunJobsEvery(300, 1000, 6000);
  RunForm("/S", 4500, [&](FrmPb& form) {
    At(700, [&] {
      form.state().GoToSlideNumber = 4;
      form.state().GoToRequested = true;
      form.state().NextRequested = true;
    });
  });
  const auto shown = Colours(PhotoSlides());
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[1], kWhite);
  EXPECT_EQ(shown[2], kRed);  // after the last photo, the next pass
}

// A re-layout makes the photo coming for the old size useless: the photo is
// made again for the new one, and the next slide fills the new window.
TEST_F(PrefetchShowTest, ARelayoutRedoesThePhotoForTheNewSize) {
  fake_.set_screen({1000, 800, 15, 15, 60});
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  Photos({kRed, kGreen});
  FirstPhotoReadyAtOnce();
  RunJobsEvery(1500, 1000, 6000);
  uint32_t after = 0;
  int32_t width = 0;
  int decodes = 0;
  RunForm("", 2600, [&](FrmPb& form) {
    At(400, [this] { fake_.fake_workers().RunHeldJobs(); });  // green for the old size
    At(500, [&] {
      form.state().WindowSizeIndex = 1;
      form.state().RelayoutPending = true;
    });
    At(2400, [&] {
      width = form.PicDst().width;
      after = form.PicDst().Row(200)[250] & 0xFFFFFF;
      decodes = fake_.fake_pictures().decodes();
    });
  });
  EXPECT_EQ(width, 500);
  EXPECT_EQ(after, kGreen);
  // Red at the start on the worker and again for the new size on the spot;
  // green for the old size and again for the new one, on the worker.
  EXPECT_EQ(decodes, 4);
}

// With a new order every pass, the next pass's order is drawn while the last
// slide of a pass shows, so its first photo is made ready ahead like every
// other: each photo is decoded once, and every pass shows every photo.
TEST_F(PrefetchShowTest, ANewOrderAtThePassEndStillShowsEveryPhotoOnce) {
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  const std::vector<uint32_t> colours = {1, 2, 3, 4, 5};
  Photos(colours);
  writer_.SetFlag("PlayPhotoInRamdomOrder", true);
  writer_.SetSingle("TimeInterval", 1.0f);
  FirstPhotoReadyAtOnce();
  RunJobsEvery(250, 500, 15000);
  int started = 0;
  RunForm("/S", 15000 - 500,
          [&](FrmPb& form) { At(14499, [&] { started = form.prefetch().started(); }); });
  const auto shown = Colours(PhotoSlides());
  ASSERT_EQ(shown.size(), 15u);
  for (size_t pass = 0; pass < 3; ++pass) {
    std::vector<uint32_t> order(shown.begin() + static_cast<ptrdiff_t>(pass * 5),
                                shown.begin() + static_cast<ptrdiff_t>(pass * 5 + 5));
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, colours) << "pass " << pass;
  }
  // All 15 slides and the one coming next ahead, each once, the first photos
  // of the new passes included.
  EXPECT_EQ(started, 16);
  EXPECT_EQ(fake_.fake_pictures().decodes(), 16);
}

// A slow first photo: its job is held until 3000 ms, past any patience a
// slide might have. The slide waits for it (the first slide shows at 3000
// ms) and the photo is decoded once, on the worker, never beside it.
TEST_F(PrefetchShowTest, ASlowPhotoIsDecodedOnceTheSlideWaitingForIt) {
  fake_.fake_workers().set_mode(WorkerMode::kHeld);
  Photos({kRed, kGreen});
  At(3000, [this] { fake_.fake_workers().RunHeldJobs(); });
  int decodes = -1;
  RunForm("/S", 3500,
          [&](FrmPb&) { At(3499, [&] { decodes = fake_.fake_pictures().decodes(); }); });
  const auto shown = PhotoSlides();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().colour, kRed);
  EXPECT_NEAR(shown.front().at_ms, 3000, 3);
  EXPECT_EQ(decodes, 1);  // green's job is held
}

// Waits in real time, a few seconds at most, until `ready` says so: a
// scripted call that holds virtual time still until the worker thread has
// got somewhere.
void WaitForWorker(const std::function<bool()>& ready) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!ready() && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(ready());
}

// Photos whose decode is slow, on a real worker thread: each of their
// kRows rows takes a millisecond of real time on the worker, and on the
// interface thread, which nothing else can use meanwhile, 10 ms of the
// show's time. The decoder stops between rows once cancelled.
class SlowPhotoTest : public PrefetchShowTest {
 protected:
  static constexpr int32_t kRows = 3000;
  void SetUp() override {
    fake_.fake_workers().set_mode(WorkerMode::kThread);
    fake_.fake_pictures().set_row_hook([this] {
      if (std::this_thread::get_id() == interface_thread_) {
        ++interface_rows_;
        fake_.AdvanceMs(10);
        return;
      }
      ++worker_rows_;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    writer_.SetInt32("NowI", 2);
    for (int n = 1; n <= 2; ++n) {
      imaging::DecodedImage tall;
      tall.Resize(1, kRows);
      std::fill(tall.pixels.begin(), tall.pixels.end(), 0xFF000000u | (n == 1 ? kRed : kGreen));
      Item(album::IndexedKey("ImgNames(", n), "PNG",
           platform::fake::FakePictureDecoder::Encode(tall));
    }
  }
  const std::thread::id interface_thread_ = std::this_thread::get_id();
  std::atomic<int> interface_rows_ = 0;
  std::atomic<int> worker_rows_ = 0;
};

// A close while the first photo is decoded: the decode stops at its next
// row and the show ends at once, the photo never decoded a second time.
TEST_F(SlowPhotoTest, ACloseDuringADecodeEndsTheShowWithinHalfASecond) {
  constexpr int64_t kCloseMs = 500;
  bool decoding_at_close = false;
  RunForm("/S", kCloseMs, [&](FrmPb&) {
    At(kCloseMs - 100, [&] { WaitForWorker([&] { return worker_rows_ > 0; }); });
    At(kCloseMs - 1, [&] { decoding_at_close = worker_rows_ > 0 && worker_rows_ < kRows; });
  });
  EXPECT_TRUE(decoding_at_close);
  EXPECT_LE(fake_.now_ms_exact(), kCloseMs + 500.0);
  EXPECT_LT(worker_rows_.load(), kRows);  // stopped, not finished
  EXPECT_EQ(interface_rows_.load(), 0);
  EXPECT_EQ(fake_.fake_pictures().decodes(), 1);
}

// The show stops while the worker decodes on its own thread: the stop waits
// for the job at its safe point and nothing is used after it is freed (these
// are tests for the address and race detectors). Each photo takes 30 ms of
// real time to decode.
class StopDuringJobTest : public PrefetchShowTest {
 protected:
  void SetUp() override {
    fake_.fake_workers().set_mode(WorkerMode::kThread);
    fake_.fake_pictures().set_extra(
        [this](std::span<const uint8_t> bytes, imaging::DecodedImage& out) {
          if (bytes.size() < 4 || bytes[0] != 'S') return false;
          ++slow_decodes_;
          std::this_thread::sleep_for(std::chrono::milliseconds(30));
          const bool decoded = fake_.fake_pictures().DecodeBytes(bytes.subspan(4), out);
          ++slow_done_;
          return decoded;
        });
    writer_.SetInt32("NowI", 3);
    for (int n = 1; n <= 3; ++n)
      Item(album::IndexedKey("ImgNames(", n), "PNG", SlowPicture());
  }
  // A blue picture the slow decoder reads; the fake's own decoder cannot.
  static std::vector<uint8_t> SlowPicture() {
    std::vector<uint8_t> bytes = {'S', 'L', 'O', 'W'};
    const auto picture = platform::fake::FakePictureDecoder::Encode(
        imaging::DecodedImage{2, 2, std::vector<uint32_t>(4, 0xFF0000FFu), false});
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    return bytes;
  }
  std::atomic<int> slow_decodes_ = 0;
  std::atomic<int> slow_done_ = 0;
};

TEST_F(StopDuringJobTest, WhileTheFirstSlideWaitsForItsPhoto) {
  RunForm("/S", 2,
          [&](FrmPb&) { At(1, [&] { WaitForWorker([&] { return slow_decodes_ >= 1; }); }); });
  EXPECT_GE(slow_decodes_.load(), 1);
}

TEST_F(StopDuringJobTest, WhileTheNextPhotoIsMadeReady) {
  RunForm("/S", 2100, [&](FrmPb&) {
    At(1, [&] { WaitForWorker([&] { return slow_done_ >= 1; }); });  // the first slide's photo
    At(2050, [&] { WaitForWorker([&] { return slow_decodes_ >= 2; }); });
  });
  EXPECT_GE(slow_decodes_.load(), 2);
  EXPECT_EQ(Colours(PhotoSlides()).front(), kBlue);
}

// The background picture, which the slow decoder cannot stop part-way, is
// decoded on the worker thread while the interface thread waits (its wait
// lets the show's time run on, so the close comes while a background is
// decoded, or between two): for the race detector, the hand-over and the
// giving up.
TEST_F(StopDuringJobTest, WhileTheInterfaceThreadWaitsForTheBackground) {
  Item("BackGroundPicture", "PNG", SlowPicture());
  writer_.SetText("BackGroundSet", "3");
  int posted = 0;
  RunForm("/S", 2100, [&](FrmPb& form) {
    At(1, [&] { WaitForWorker([&] { return slow_done_ >= 1; }); });  // the first photo
    At(2, [&] {
      WaitForWorker([&] { return slow_decodes_ >= 2; });  // its background
      posted = form.worker_decoder().posted();
    });
  });
  EXPECT_EQ(posted, 1);
  EXPECT_GE(slow_decodes_.load(), 2);
}

// Decodes the system cannot stop part-way, on the fake worker that holds
// their jobs and never runs them (a decode that does not end): the photo of
// the first slide, made on the worker, and the background picture, which
// the interface thread has decoded on the worker while it waits. A close
// during either ends the show at once, the decode never having run.
class UnstoppableDecodeTest : public PrefetchShowTest {
 protected:
  static constexpr int64_t kCloseMs = 500;
  void SetUp() override {
    fake_.fake_workers().set_mode(WorkerMode::kHeld);
    // The system's decode of one of these takes 3 s and dispatches nothing.
    fake_.fake_pictures().set_extra(
        [this](std::span<const uint8_t> bytes, imaging::DecodedImage& out) {
          if (bytes.size() != 3 || bytes[0] != 'S') return false;
          ++system_decodes_;
          fake_.AdvanceMs(3000);
          out.Resize(4, 4);
          std::fill(out.pixels.begin(), out.pixels.end(), 0xFF000000u | kBlue);
          return true;
        });
  }
  static std::vector<uint8_t> SystemPicture() { return {'S', 'Y', 'S'}; }
  // Runs the show to the close; at the moment before it, `waiting` says
  // whether the show waits for the held decode.
  void RunToTheClose(const std::function<bool(FrmPb&)>& waiting) {
    RunForm("/S", kCloseMs, [&](FrmPb& form) {
      At(kCloseMs - 1, [&] { waited_ = form.StepInProgress() && waiting(form); });
    });
  }
  int system_decodes_ = 0;
  bool waited_ = false;
};

TEST_F(UnstoppableDecodeTest, ACloseWhileTheWorkerDecodesTheSlidesPhotoEndsTheShowAtOnce) {
  Photos({kRed, kGreen});
  Item(album::IndexedKey("ImgNames(", 1), "PNG", SystemPicture());
  RunToTheClose([&](FrmPb& form) {
    return form.prefetch().started() == 1 && fake_.fake_workers().held_jobs() == 1;
  });
  EXPECT_TRUE(waited_);
  EXPECT_LT(fake_.now_ms_exact() - kCloseMs, 20);
  EXPECT_EQ(system_decodes_, 0);
}

TEST_F(UnstoppableDecodeTest, ACloseWhileTheInterfaceThreadWaitsForTheBackgroundEndsTheShowAtOnce) {
  Photos({kRed, kGreen});
  Item("BackGroundPicture", "PNG", SystemPicture());
  writer_.SetText("BackGroundSet", "3");
  FirstPhotoReadyAtOnce();
  RunToTheClose([&](FrmPb& form) {
    return form.worker_decoder().posted() == 1 && fake_.fake_workers().held_jobs() == 1;
  });
  EXPECT_TRUE(waited_);
  EXPECT_LT(fake_.now_ms_exact() - kCloseMs, 20);
  EXPECT_EQ(system_decodes_, 0);
}

}  // namespace
}  // namespace lantern::player
