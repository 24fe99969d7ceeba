// The native backend's clock, resources and surfaces.
#include "platform/native/native_platform.h"

#include <ctime>

#include "base/text.h"
#include "platform/surface.h"

namespace lantern::platform::native {

uint32_t NativeClock::NowMs() {
  return static_cast<uint32_t>(Counter() / 1000000);
}

int64_t NativeClock::Counter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

LocalTime NativeClock::Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  return {parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}

void NativeResources::Add(const std::string& name, std::vector<uint8_t> bytes) {
  data_[base::AsciiUpper(name)] = std::move(bytes);
}

std::optional<std::vector<uint8_t>> NativeResources::LoadData(const std::string& name) {
  const auto it = data_.find(base::AsciiUpper(name));
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

std::unique_ptr<SurfaceBuffer> NativeSurfaces::CreateSurface(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPicturePixels) return nullptr;
  return std::make_unique<HeapSurfaceBuffer>(width, height);
}

}  // namespace lantern::platform::native
