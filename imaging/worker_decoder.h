// The platform's picture decoder as the interface thread uses it during the
// show. A picture whose decode asks its cancel check as it goes (our own
// decoders', the platform's where it can stop part-way) is decoded here,
// that check dispatching messages. One the system decodes in a call that
// cannot be stopped (GDI+'s formats, a JPEG WIC decodes whole) is decoded
// on the worker while this thread waits, dispatching messages; when the
// wait gives up (the show stops) the decode fails at once and the job is
// left to end on its own: it owns the bytes it reads and the picture it
// writes, and calls nothing of the caller's once given up.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace lantern::imaging {

class WorkerDecoder final : public platform::PictureDecoder {
 public:
  // `wait` waits a little, dispatching messages, and says whether to go on
  // waiting.
  WorkerDecoder(platform::Worker& worker, platform::PictureDecoder& decoder,
                std::function<bool()> wait)
      : worker_(worker), decoder_(decoder), wait_(std::move(wait)) {}

  bool DecodeBytes(std::span<const uint8_t> bytes, platform::DecodedImage& out) override {
    return DecodeBytesAtLeast(bytes, {}, {}, out);
  }
  bool DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                          const platform::DecodeCancelled& cancelled,
                          platform::DecodedImage& out) override;
  bool StopsPartWay(std::span<const uint8_t> bytes) const override {
    return decoder_.StopsPartWay(bytes);
  }
  bool DecodeFile(const std::string& path, platform::DecodedImage& out) override {
    return decoder_.DecodeFile(path, out);
  }
  bool Start() override { return decoder_.Start(); }
  // Decodes posted to the worker (for tests).
  int posted() const { return posted_; }

 private:
  platform::Worker& worker_;
  platform::PictureDecoder& decoder_;
  std::function<bool()> wait_;
  int posted_ = 0;
};

}  // namespace lantern::imaging
