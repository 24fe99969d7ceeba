// A song's length read from memory through a custom I/O context.
#include "tools/albumpack/song_probe.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace lantern::albumpack {

namespace {

struct Reader {
  std::span<const uint8_t> bytes;
  size_t position = 0;
};

int ReadPacket(void* opaque, uint8_t* out, int size) {
  auto& r = *static_cast<Reader*>(opaque);
  const size_t n = std::min(static_cast<size_t>(size), r.bytes.size() - r.position);
  if (n == 0) return AVERROR_EOF;
  std::memcpy(out, r.bytes.data() + r.position, n);
  r.position += n;
  return static_cast<int>(n);
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  auto& r = *static_cast<Reader*>(opaque);
  const auto size = static_cast<int64_t>(r.bytes.size());
  if ((whence & AVSEEK_SIZE) != 0) return size;
  whence &= ~AVSEEK_FORCE;
  if (whence == SEEK_CUR) offset += static_cast<int64_t>(r.position);
  if (whence == SEEK_END) offset += size;
  if (offset < 0 || offset > size) return AVERROR(EINVAL);
  r.position = static_cast<size_t>(offset);
  return offset;
}

}  // namespace

std::optional<double> SongSeconds(std::span<const uint8_t> bytes) {
  constexpr int kBufferSize = 1 << 14;
  Reader reader{bytes};
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
  AVIOContext* io = buffer != nullptr ? avio_alloc_context(buffer, kBufferSize, 0, &reader,
                                                           ReadPacket, nullptr, SeekPacket)
                                      : nullptr;
  AVFormatContext* format = avformat_alloc_context();
  std::optional<double> seconds;
  if (io != nullptr && format != nullptr) {
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // avformat_open_input frees the context when it fails.
    if (avformat_open_input(&format, nullptr, nullptr, nullptr) == 0) {
      if (avformat_find_stream_info(format, nullptr) >= 0 && format->duration > 0)
        seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
      avformat_close_input(&format);
    }
  } else {
    av_free(buffer);
  }
  avformat_free_context(format);
  if (io != nullptr) av_freep(&io->buffer);
  avio_context_free(&io);
  return seconds;
}

}  // namespace lantern::albumpack
