// The show recorded as frames: the player run on the virtual clock, the
// screen taken at every frame time with the lyric windows over it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "album/items.h"
#include "platform/decoded_image.h"
#include "platform/fake/fake_platform.h"
#include "settings_fixture.h"
#include "tools/albumpack/show_capture.h"
#include "tools/albumpack/video_command.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace lantern {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

class ShowCaptureTest : public ::testing::Test {
 protected:
  ShowCaptureTest() : writer_(album::fixture::MinimalAlbum()) {
    writer_.SetText("LenOfRes", "1");
    writer_.SetFlag("EnableCaption", false);
    writer_.SetFlag("EnableHeadlineEffect", false);
    writer_.SetFlag("EnableEnding", false);
    writer_.SetFlag("EnableOpening", false);
    writer_.SetInt16("ImgDrawScale", 4);
    writer_.SetInt16("CurrentMask", 0);
    writer_.SetSingle("TimeInterval", 2.0f);
    writer_.SetText("OrigScreenWidth", "320");
    writer_.SetText("OrigScreenHeight", "240");
    options_.width = 320;
    options_.height = 240;
    options_.fps = 10;
  }

  // Photos 1..n, each a solid colour (0xRRGGBB).
  void Photos(const std::vector<uint32_t>& colours) {
    writer_.SetInt32("NowI", static_cast<int32_t>(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i) {
      platform::DecodedImage image;
      image.Resize(8, 6);
      std::fill(image.pixels.begin(), image.pixels.end(), 0xFF000000u | colours[i]);
      Item(album::IndexedKey("ImgNames(", static_cast<int>(i) + 1), "PNG",
           platform::fake::FakePictureDecoder::Encode(image));
    }
  }
  void Item(const std::string& name, const std::string& type, std::vector<uint8_t> bytes) {
    writer_.SetText(name + "_Type", type);
    writer_.SetInt32(name + "_Size", static_cast<int32_t>(bytes.size()));
    album::ApplyItemKeyStream(bytes);
    resources_.Add(name, std::move(bytes));
  }
  // Plays the show; every frame's pixels are kept.
  albumpack::CaptureResult Capture() {
    resources_.Add(album::kSettingsItem, writer_.Blob());
    frames_.clear();
    return albumpack::CaptureShow(
        resources_, pictures_, text_, options_, [&](int64_t index, const platform::Surface& frame) {
          EXPECT_EQ(index, static_cast<int64_t>(frames_.size()));
          std::vector<uint32_t> pixels;
          for (int32_t y = 0; y < frame.height; ++y)
            pixels.insert(pixels.end(), frame.Row(y), frame.Row(y) + frame.width);
          frames_.push_back(std::move(pixels));
          return true;
        });
  }
  uint32_t Pixel(size_t frame, int32_t x, int32_t y) const {
    return frames_.at(frame).at(static_cast<size_t>(y * options_.width + x)) & 0xFFFFFF;
  }

  album::PropertyBagWriter writer_;
  platform::fake::FakeResources resources_;
  platform::fake::FakeFileSystem files_;
  platform::fake::FakePictureDecoder pictures_{files_};
  platform::fake::FakeTextRenderer text_;
  albumpack::CaptureOptions options_;
  std::vector<std::vector<uint32_t>> frames_;
};

TEST_F(ShowCaptureTest, EverySlideShowsForItsTimeAndTheShowEndsAfterOnePass) {
  Photos({kRed, kGreen, kBlue});
  const albumpack::CaptureResult result = Capture();
  EXPECT_EQ(result.length_ms, 6000);
  ASSERT_EQ(result.frames, 60);
  ASSERT_EQ(frames_.size(), 60u);
  for (const auto& [frame, colour] : std::map<size_t, uint32_t>{
           {0, kRed}, {19, kRed}, {20, kGreen}, {39, kGreen}, {40, kBlue}, {59, kBlue}})
    EXPECT_EQ(Pixel(frame, 160, 120), colour) << "frame " << frame;
}

TEST_F(ShowCaptureTest, ARangeOfSlidesBeginsAndEndsWithItsSlides) {
  Photos({kRed, kGreen, kBlue});
  writer_.SetFlag("EnableEnding", true);
  options_.first_slide = 2;
  options_.last_slide = 2;
  const albumpack::CaptureResult result = Capture();
  EXPECT_EQ(result.length_ms, 2000);
  ASSERT_EQ(frames_.size(), 20u);
  EXPECT_EQ(Pixel(0, 160, 120), kGreen);
  EXPECT_EQ(Pixel(19, 160, 120), kGreen);
  // To the end: the third slide, then the ending.
  options_.last_slide = 0;
  EXPECT_GT(Capture().length_ms, 4000);
  EXPECT_EQ(Pixel(0, 160, 120), kGreen);
  EXPECT_EQ(Pixel(20, 160, 120), kBlue);
  EXPECT_NE(Pixel(frames_.size() - 1, 160, 120), kBlue);
}

// A photo that does not decode is left out, as the player leaves it out; a
// song that does not play leaves the show silent and its lyrics unshown.
TEST_F(ShowCaptureTest, ADamagedAlbumGivesTheShowThePlayerWouldShow) {
  Photos({kRed, kGreen, kBlue});
  Item(album::IndexedKey("ImgNames(", 2), "PNG", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  Item(album::IndexedKey("MusicNames(", 1), "MP3", {'I', 'D', '3', 0});
  const std::string lrc = "[00:00.50]hello\r\n";
  Item(album::IndexedKey("MusicLyricFiles(", 1), "LRC", {lrc.begin(), lrc.end()});
  album::fixture::SongSettings(writer_, 0, 200);
  options_.song_seconds = [](std::span<const uint8_t>) { return std::optional<double>(); };
  const albumpack::CaptureResult result = Capture();
  ASSERT_GT(result.frames, 0);
  std::vector<uint32_t> shown;
  for (size_t frame = 0; frame < frames_.size(); ++frame) {
    const uint32_t colour = Pixel(frame, 160, 120);
    if (shown.empty() || shown.back() != colour) shown.push_back(colour);
    EXPECT_EQ(Pixel(frame, 160, 215), colour) << "frame " << frame;  // no lyric line
  }
  EXPECT_EQ(std::count(shown.begin(), shown.end(), kGreen), 0);
  EXPECT_NE(std::find(shown.begin(), shown.end(), kRed), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), kBlue), shown.end());
}

TEST_F(ShowCaptureTest, TheSeedDecidesTheRandomOrderAndTheSameSeedGivesTheSameFrames) {
  Photos({kRed, kGreen, kBlue, 0xFFFF00, 0x00FFFF, 0xFF00FF});
  writer_.SetFlag("PlayPhotoInRamdomOrder", true);
  const auto order = [&] {
    std::vector<uint32_t> colours;
    for (size_t frame = 10; frame < frames_.size(); frame += 20)
      colours.push_back(Pixel(frame, 160, 120));
    return colours;
  };
  options_.seed = 1000;
  Capture();
  const auto first = frames_;
  const std::vector<uint32_t> first_order = order();
  Capture();
  EXPECT_TRUE(frames_ == first);
  options_.seed = 50'000;
  Capture();
  EXPECT_EQ(order().size(), 6u);
  EXPECT_NE(order(), first_order);
}

// The lyric window is blended over the slide while its line is sung.
TEST_F(ShowCaptureTest, TheLyricWindowShowsOverTheSlideFromItsLinesTime) {
  Photos({kRed});
  Item(album::IndexedKey("MusicNames(", 1), "MP3", {'I', 'D', '3', 0});
  const std::string lrc = "[00:01.00]hello\r\n";
  Item(album::IndexedKey("MusicLyricFiles(", 1), "LRC", {lrc.begin(), lrc.end()});
  album::fixture::SongSettings(writer_, 0, 200);
  int asked = 0;
  options_.song_seconds = [&](std::span<const uint8_t> song) -> std::optional<double> {
    ++asked;
    EXPECT_EQ(song.size(), 4u);
    return 20.0;
  };
  Capture();
  EXPECT_EQ(asked, 1);
  ASSERT_GE(frames_.size(), 20u);
  const auto lyric_pixels = [&](size_t frame) {
    int changed = 0;
    for (int32_t y = 200; y < 230; ++y)
      for (int32_t x = 10; x < 310; ++x)
        changed += Pixel(frame, x, y) != kRed ? 1 : 0;
    return changed;
  };
  EXPECT_EQ(lyric_pixels(5), 0);
  EXPECT_GT(lyric_pixels(15), 0);
}

// What a video file holds, read back with the libraries.
struct ReadBack {
  bool h264 = false;
  double seconds = 0;            // the container's duration
  std::vector<uint64_t> frames;  // FNV-1a of each decoded frame's planes
};

uint64_t Hash(const AVFrame& f, uint64_t h) {
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? f.height : (f.height + 1) / 2;
    const int width = plane == 0 ? f.width : (f.width + 1) / 2;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < width; ++x)
        h = (h ^ f.data[plane][y * f.linesize[plane] + x]) * 1099511628211ull;
  }
  return h;
}

void Decode(AVCodecContext* codec, const AVPacket* packet, AVFrame* frame, ReadBack& out) {
  if (avcodec_send_packet(codec, packet) < 0) return;
  while (avcodec_receive_frame(codec, frame) >= 0) {
    out.frames.push_back(Hash(*frame, 14695981039346656037ull));
  }
}

ReadBack Read(const std::string& path) {
  ReadBack out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) != 0) return out;
  avformat_find_stream_info(format, nullptr);
  out.seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
  const AVStream* stream = format->streams[0];
  out.h264 = stream->codecpar->codec_id == AV_CODEC_ID_H264;
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(codec, stream->codecpar);
  avcodec_open2(codec, decoder, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  while (av_read_frame(format, packet) >= 0) {
    Decode(codec, packet, frame, out);
    av_packet_unref(packet);
  }
  Decode(codec, nullptr, frame, out);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return out;
}

class VideoFileTest : public ShowCaptureTest {
 protected:
  VideoFileTest()
      : dir_(std::filesystem::temp_directory_path() /
             ("albumpack-video-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    video_.width = 320;
    video_.height = 240;
    video_.fps = 10;
  }
  ~VideoFileTest() override { std::filesystem::remove_all(dir_); }

  int Write(const std::string& output) {
    resources_.Add(album::kSettingsItem, writer_.Blob());
    video_.output = output;
    out_.str("");
    err_.str("");
    return albumpack::WriteVideo({resources_, pictures_, text_}, video_, out_, err_);
  }

  std::filesystem::path dir_;
  albumpack::VideoOptions video_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// Three photos between an opening and an ending: the video is H.264 and as
// long as the show, frame for frame, and the same seed makes the same video.
TEST_F(VideoFileTest, TheVideoIsTheWholeShowInH264AndTheSameSeedGivesTheSameFrames) {
  Photos({kRed, kGreen, kBlue});
  writer_.SetFlag("EnableOpening", true);
  writer_.SetFlag("EnableEnding", true);
  options_.seed = video_.seed;
  const albumpack::CaptureResult show = Capture();
  EXPECT_GT(show.length_ms, 6000);  // the opening and ending take their time
  const std::string first = (dir_ / "first.mp4").string();
  ASSERT_EQ(Write(first), 0) << err_.str();
  EXPECT_NE(out_.str().find("seed 43200"), std::string::npos) << out_.str();
  const ReadBack video = Read(first);
  EXPECT_TRUE(video.h264);
  EXPECT_EQ(static_cast<int64_t>(video.frames.size()), show.frames);
  EXPECT_NEAR(video.seconds, static_cast<double>(show.length_ms) / 1000.0, 0.1);
  ASSERT_EQ(Write((dir_ / "second.mp4").string()), 0) << err_.str();
  EXPECT_EQ(Read((dir_ / "second.mp4").string()).frames, video.frames);
  // Nothing but the videos is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2);
}

TEST_F(VideoFileTest, AnOutputThatCannotBeWrittenIsAnErrorBeforeOrAfterTheShow) {
  Photos({kRed});
  EXPECT_EQ(Write((dir_ / "missing" / "show.mp4").string()), 1);
  EXPECT_NE(err_.str().find("show.mp4: cannot write"), std::string::npos) << err_.str();
  EXPECT_EQ(Write((dir_ / "show.avi").string()), 1);
  EXPECT_NE(err_.str().find(".mp4, .mkv or .webm"), std::string::npos) << err_.str();
  video_.width = 321;
  EXPECT_EQ(Write((dir_ / "show.mp4").string()), 1);
  EXPECT_NE(err_.str().find("even"), std::string::npos) << err_.str();
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

}  // namespace
}  // namespace lantern
