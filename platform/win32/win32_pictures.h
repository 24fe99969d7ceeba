// The Windows backend's picture decoder: GDI+ reads the file or the bytes;
// the pixels are copied once, as 32-bit ARGB, straight into our buffer.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lantern::platform::win32 {

class GdiplusPictureDecoder final : public PictureDecoder {
 public:
  GdiplusPictureDecoder() = default;
  ~GdiplusPictureDecoder() override;
  GdiplusPictureDecoder(const GdiplusPictureDecoder&) = delete;
  GdiplusPictureDecoder& operator=(const GdiplusPictureDecoder&) = delete;

  bool DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) override;
  bool DecodeFile(const std::string& path, DecodedImage& out) override;

 private:
  bool Start();
  bool Read(void* image, DecodedImage& out);

  uintptr_t token_ = 0;
  bool started_ = false;
};

}  // namespace lantern::platform::win32
