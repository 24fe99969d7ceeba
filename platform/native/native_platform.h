// The native backend for the tools on Linux: real pictures (libjpeg-turbo,
// libpng, giflib, libtiff, our BMP parser), real text (FreeType, HarfBuzz,
// fontconfig), the system's clock and files, resources the tool adds, and
// drawing memory on the heap. It has no windows: it is a ToolPlatform.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/native/native_files.h"
#include "platform/native/native_pictures.h"
#include "platform/native/native_text.h"
#include "platform/platform.h"

namespace lantern::platform::native {

// The system's monotonic clock and the local time.
class NativeClock final : public Clock {
 public:
  uint32_t NowMs() override;
  int64_t Counter() override;  // nanoseconds
  int64_t CounterFrequency() override { return 1000000000; }
  LocalTime Now() override;
};

// A tool's program has no resources of its own; a tool may add some (by name,
// matched without regard to case).
class NativeResources final : public Resources {
 public:
  void Add(const std::string& name, std::vector<uint8_t> bytes);
  std::optional<std::vector<uint8_t>> LoadData(const std::string& name) override;

 private:
  std::map<std::string, std::vector<uint8_t>> data_;  // by upper-cased name
};

class NativeSurfaces final : public Surfaces {
 public:
  std::unique_ptr<SurfaceBuffer> CreateSurface(int32_t width, int32_t height) override;
};

class NativePlatform final : public ToolPlatform {
 public:
  PictureDecoder& pictures() override { return pictures_; }
  TextRenderer& text() override { return text_; }
  Clock& clock() override { return clock_; }
  Resources& resources() override { return resources_; }
  FileSystem& files() override { return files_; }
  Surfaces& surfaces() override { return surfaces_; }

  // The renderer itself, to add an album's packaged fonts to it.
  NativeTextRenderer& native_text() { return text_; }
  NativeResources& native_resources() { return resources_; }

 private:
  NativePictureDecoder pictures_;
  NativeTextRenderer text_;
  NativeClock clock_;
  NativeResources resources_;
  NativeFileSystem files_;
  NativeSurfaces surfaces_;
};

}  // namespace lantern::platform::native
