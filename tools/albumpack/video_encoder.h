// Encodes the show's frames into a video file through libavcodec and
// libavformat as they are made, so memory stays flat whatever the length:
// H.264 (yuv420p, CRF 20) in MP4 with its index at the front, or in
// Matroska; VP9 in WebM. The container follows the output's extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/surface.h"
#include "tools/albumpack/file_io.h"

namespace lantern::albumpack {

struct VideoFormat {
  int32_t width = 1920;   // even
  int32_t height = 1080;  // even
  int32_t fps = 30;
};

// True for ".mp4", ".mkv" and ".webm" (in any case) when the libraries here
// have the encoder it needs; `why` says what is missing otherwise.
bool VideoExtensionSupported(const std::string& extension, std::string& why);

class VideoEncoder {
 public:
  // Starts a video of `format` in the container of `extension` (see above),
  // written to `out`; nullptr with the reason in `why`.
  static std::unique_ptr<VideoEncoder> Open(OutputStream& out, const std::string& extension,
                                            const VideoFormat& format, std::string& why);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // The next frame: BGRX pixels of the format's size.
  WriteOutcome Add(const platform::Surface& frame, std::string& why);
  // Encodes what is held back and closes the container.
  WriteOutcome Finish(std::string& why);

  struct State;

 private:
  explicit VideoEncoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace lantern::albumpack
