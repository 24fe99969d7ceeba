// The fake backend's picture decoder. It reads a simple test format of its
// own ("LTPX", then width and height as 32-bit little-endian numbers, then
// width x height 32-bit BGRA pixels, top row first) and, when a test installs
// one, any other decoder (the TGA decoder, say), so portable tests run natively.
#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "platform/platform.h"

namespace lantern::platform::fake {

class FakePictureDecoder final : public PictureDecoder {
 public:
  using Extra = std::function<bool(std::span<const uint8_t>, DecodedImage&)>;

  explicit FakePictureDecoder(FileSystem& files) : files_(files) {}
  void set_extra(Extra extra) { extra_ = std::move(extra); }

  bool DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) override;
  // When told to, decodes at 1/2, 1/4 or 1/8 of the stored size (rounded up,
  // every second, fourth or eighth pixel), as a JPEG decoder may. A picture
  // in the test format is read a row at a time, `cancelled` asked before
  // each row.
  bool DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                          const DecodeCancelled& cancelled, DecodedImage& out) override;
  void set_offer_smaller(bool offer) { offer_smaller_ = offer; }
  // The test format stops between rows; what the installed decoder reads
  // does not.
  bool StopsPartWay(std::span<const uint8_t> bytes) const override;
  // Runs before each row of a picture in the test format, on the thread that
  // decodes it: a test makes decoding slow with it. Set it before decoding
  // starts.
  void set_row_hook(std::function<void()> hook) { row_hook_ = std::move(hook); }
  // What the last DecodeBytesAtLeast was asked for, {0, 0} before any.
  std::pair<int32_t, int32_t> last_least() const { return last_least_; }
  bool DecodeFile(const std::string& path, DecodedImage& out) override;
  int decodes() const { return decodes_; }
  // The imaging library will not start, as when gdiplus.dll is missing.
  void set_fail_start(bool fail) { fail_start_ = fail; }
  bool Start() override { return !fail_start_; }

  // A picture in the test format.
  static std::vector<uint8_t> Encode(const DecodedImage& image);

 private:
  bool Decode(std::span<const uint8_t> bytes, const DecodeCancelled& cancelled, DecodedImage& out);

  FileSystem& files_;
  Extra extra_;
  std::function<void()> row_hook_;
  std::atomic<int> decodes_ = 0;  // counted from the worker thread too
  bool fail_start_ = false;
  bool offer_smaller_ = false;
  std::pair<int32_t, int32_t> last_least_{0, 0};
};

}  // namespace lantern::platform::fake
