// `albumpack video`: the show of an album, played in screen-saver mode on a
// virtual clock, written as a video file or as numbered PNG frames.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lantern::albumpack {

// The seed when none is given: the show starts at noon.
inline constexpr uint32_t kDefaultVideoSeed = 43'200;

struct VideoOptions {
  std::string album;
  std::string output;         // the video file (.mp4, .mkv, .webm)
  std::string frames_folder;  // or PNG frames go here
  int32_t width = 1920;
  int32_t height = 1080;
  int32_t fps = 30;
  uint32_t seed = kDefaultVideoSeed;
  int64_t first_slide = 0;  // --from, 0 when not given
  int64_t last_slide = 0;   // --to, 0 when not given
  bool progress = false;    // a progress line on the error output
  // Given each of the album's packaged fonts before the show starts.
  std::function<void(std::vector<uint8_t>)> add_font;
};

int Video(const VideoOptions& options, platform::ToolPlatform& platform, std::ostream& out,
          std::ostream& err);

// Where the show's album, pictures and text come from.
struct ShowSource {
  platform::Resources& album;
  platform::PictureDecoder& pictures;
  platform::TextRenderer& text;
};

// The video or frames of the show of an album already open.
int WriteVideo(const ShowSource& show, const VideoOptions& options, std::ostream& out,
               std::ostream& err);

}  // namespace lantern::albumpack
