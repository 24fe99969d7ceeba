// The show of an album as a video file or as frames.
#include "tools/albumpack/video_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/albumpack/album_open.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/png_writer.h"
#include "tools/albumpack/show_capture.h"
#include "tools/albumpack/song_probe.h"
#include "tools/albumpack/video_encoder.h"

namespace lantern::albumpack {

namespace {

std::string FrameName(const std::string& folder, int64_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(index + 1));
  return (PathFromUtf8(folder) / name).string();
}

CaptureOptions CaptureFor(const VideoOptions& o) {
  CaptureOptions capture;
  capture.width = o.width;
  capture.height = o.height;
  capture.fps = o.fps;
  capture.seed = o.seed;
  capture.first_slide = o.first_slide;
  capture.last_slide = o.last_slide;
  capture.song_seconds = SongSeconds;
  return capture;
}

// "rendered 12.3 s of show, 3.1x real time", redrawn in place every second
// of show.
class Progress {
 public:
  Progress(const VideoOptions& o, std::ostream& err) : on_(o.progress), fps_(o.fps), err_(err) {}

  void Frame(int64_t index) {
    if (!on_ || index % fps_ != 0) return;
    const double shown = static_cast<double>(index) / fps_;
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char line[96];
    std::snprintf(line, sizeof line, "\rrendered %.0f s of show, %.1fx real time ", shown,
                  spent > 0 ? shown / spent : 0.0);
    err_ << line << std::flush;
  }
  void Done() {
    if (on_) err_ << "\n";
  }

 private:
  bool on_;
  int32_t fps_;
  std::ostream& err_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int WriteFrames(const ShowSource& show, const VideoOptions& o, CaptureResult& result,
                std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(PathFromUtf8(o.frames_folder), ec);
  if (ec) {
    err << o.frames_folder << ": cannot make the folder: " << ec.message() << "\n";
    return 1;
  }
  int code = 0;
  Progress progress(o, err);
  const FrameSink sink = [&](int64_t index, const platform::Surface& frame) {
    progress.Frame(index);
    code = WriteOutputFile(FrameName(o.frames_folder, index), EncodePng(frame), err);
    return code == 0;
  };
  result = CaptureShow(show.album, show.pictures, show.text, CaptureFor(o), sink);
  progress.Done();
  return code;
}

int WriteVideoFile(const ShowSource& show, const VideoOptions& o, CaptureResult& result,
                   std::ostream& err) {
  const std::string extension = PathFromUtf8(o.output).extension().string();
  if (std::string why; !VideoExtensionSupported(extension, why)) {
    err << o.output << ": " << why << "\n";
    return 1;
  }
  if (o.width % 2 != 0 || o.height % 2 != 0) {
    err << o.output << ": a video's width and height are even, not " << o.width << "x" << o.height
        << "\n";
    return 1;
  }
  Progress progress(o, err);
  const OutputProducer produce = [&](OutputStream& stream, std::string& why) {
    auto encoder = VideoEncoder::Open(stream, extension, {o.width, o.height, o.fps}, why);
    if (encoder == nullptr) return WriteOutcome::kFailed;
    WriteOutcome outcome = WriteOutcome::kWritten;
    const FrameSink sink = [&](int64_t index, const platform::Surface& frame) {
      progress.Frame(index);
      outcome = encoder->Add(frame, why);
      return outcome == WriteOutcome::kWritten;
    };
    result = CaptureShow(show.album, show.pictures, show.text, CaptureFor(o), sink);
    progress.Done();
    return outcome == WriteOutcome::kWritten ? encoder->Finish(why) : outcome;
  };
  return WriteOutputFile(o.output, produce, err);
}

}  // namespace

int WriteVideo(const ShowSource& show, const VideoOptions& o, std::ostream& out,
               std::ostream& err) {
  out << "seed " << o.seed << std::endl;
  CaptureResult result;
  const bool frames = o.output.empty();
  const int code =
      frames ? WriteFrames(show, o, result, err) : WriteVideoFile(show, o, result, err);
  if (code != 0) return code;
  out << (frames ? o.frames_folder : o.output) << ": " << result.frames << " frames, " << o.width
      << "x" << o.height << " at " << o.fps << " fps, " << result.length_ms / 1000.0 << " s\n";
  return 0;
}

int Video(const VideoOptions& o, platform::ToolPlatform& platform, std::ostream& out,
          std::ostream& err) {
  auto opened = OpenAlbum(o.album, platform.files(), err);
  if (!opened) return 1;
  AddAlbumFonts(*opened, platform.files(), o.add_font);
  return WriteVideo({opened->resources, platform.pictures(), platform.text()}, o, out, err);
}

}  // namespace lantern::albumpack
