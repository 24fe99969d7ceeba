// The Windows backend's picture decoder: WIC reads JPEG bytes, GDI+ every
// other picture and files; the pixels are copied once, as 32-bit ARGB,
// straight into our buffer.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lantern::platform::win32 {

// GDI+ started on first use and shut down with the session.
class GdiplusSession {
 public:
  GdiplusSession() = default;
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Start();

 private:
  uintptr_t token_ = 0;
  bool started_ = false;
};

class GdiplusPictureDecoder final : public PictureDecoder {
 public:
  explicit GdiplusPictureDecoder(GdiplusSession& session) : session_(session) {}

  bool DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) override;
  bool DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                          const DecodeCancelled& cancelled, DecodedImage& out) override;
  bool DecodeFile(const std::string& path, DecodedImage& out) override;
  bool Start() override { return session_.Start(); }

 private:
  bool Decode(std::span<const uint8_t> bytes, const LeastSize* least,
              const DecodeCancelled* cancelled, DecodedImage& out);
  bool Read(void* image, DecodedImage& out);

  GdiplusSession& session_;
};

}  // namespace lantern::platform::win32
