// The video file through libavcodec and libavformat: frames converted to
// yuv420p, encoded, and muxed into the output stream through our own I/O, so
// the file is written beside its name and renamed at the end like every
// output.
#include "tools/albumpack/video_encoder.h"

#include <algorithm>
#include <cctype>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace lantern::albumpack {

namespace {

constexpr int kIoBufferSize = 1 << 16;

struct Container {
  const char* extension;
  const char* muxer;
  const char* encoder;
};

constexpr Container kContainers[] = {
    {".mp4", "mp4", "libx264"},
    {".mkv", "matroska", "libx264"},
    {".webm", "webm", "libvpx-vp9"},
};

const Container* FindContainer(std::string extension) {
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const Container& c : kContainers) {
    if (extension == c.extension) return &c;
  }
  return nullptr;
}

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

// Everything the libraries hold, released in the right order.
struct VideoEncoder::State {
  OutputStream* out = nullptr;
  uint64_t position = 0;  // where the muxer writes next
  uint64_t end = 0;       // bytes appended so far
  WriteOutcome outcome = WriteOutcome::kWritten;
  std::string why;

  AVFormatContext* format = nullptr;
  AVIOContext* io = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  SwsContext* convert = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  int64_t next_pts = 0;

  ~State() {
    av_packet_free(&packet);
    av_frame_free(&frame);
    sws_freeContext(convert);
    avcodec_free_context(&codec);
    if (io != nullptr) av_freep(&io->buffer);
    avio_context_free(&io);
    avformat_free_context(format);
  }

  // The muxer's writes: appended at the end, or overwriting what is there.
  int Write(const uint8_t* bytes, int size) {
    if (outcome != WriteOutcome::kWritten) return AVERROR(EIO);
    std::span<const uint8_t> rest(bytes, static_cast<size_t>(size));
    if (position < end) {
      const size_t over = static_cast<size_t>(std::min<uint64_t>(end - position, rest.size()));
      outcome = out->Overwrite(position, rest.first(over), why);
      position += over;
      rest = rest.subspan(over);
    }
    if (outcome == WriteOutcome::kWritten && !rest.empty()) {
      if (position != end) {
        why = "the muxer wrote beyond the end of the file";
        outcome = WriteOutcome::kFailed;
      } else {
        outcome = out->Append(rest, why);
        position += rest.size();
        end = position;
      }
    }
    return outcome == WriteOutcome::kWritten ? size : AVERROR(EIO);
  }

  int64_t Seek(int64_t offset, int whence) {
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE:
        return static_cast<int64_t>(end);
      case SEEK_SET:
        break;
      case SEEK_CUR:
        offset += static_cast<int64_t>(position);
        break;
      case SEEK_END:
        offset += static_cast<int64_t>(end);
        break;
      default:
        return AVERROR(EINVAL);
    }
    if (offset < 0 || static_cast<uint64_t>(offset) > end) return AVERROR(EINVAL);
    position = static_cast<uint64_t>(offset);
    return offset;
  }

  // A libraries' failure: the outcome of our own writes when they failed.
  WriteOutcome Failed(const std::string& what, int code, std::string& reason) {
    if (outcome != WriteOutcome::kWritten) {
      reason = why;
      return outcome;
    }
    reason = what + ": " + AvError(code);
    return WriteOutcome::kFailed;
  }

  // Sends `f` (nullptr: the end) and writes every packet that comes out.
  WriteOutcome Encode(const AVFrame* f, std::string& reason) {
    int code = avcodec_send_frame(codec, f);
    if (code < 0) return Failed("encoding", code, reason);
    while ((code = avcodec_receive_packet(codec, packet)) >= 0) {
      // Every frame lasts one frame time; without it the container's edit
      // list would end the video at the last frame's start.
      if (packet->duration == 0) packet->duration = 1;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      code = av_interleaved_write_frame(format, packet);
      if (code < 0) return Failed("writing", code, reason);
    }
    if (code != AVERROR(EAGAIN) && code != AVERROR_EOF) return Failed("encoding", code, reason);
    return WriteOutcome::kWritten;
  }
};

namespace {

#if LIBAVFORMAT_VERSION_MAJOR >= 61
int WritePacket(void* opaque, const uint8_t* bytes, int size) {
#else
int WritePacket(void* opaque, uint8_t* bytes, int size) {
#endif
  return static_cast<VideoEncoder::State*>(opaque)->Write(bytes, size);
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  return static_cast<VideoEncoder::State*>(opaque)->Seek(offset, whence);
}

// The encoder's settings: a quality, not a bit rate.
AVDictionary* EncoderOptions(const Container& c) {
  AVDictionary* options = nullptr;
  if (std::string(c.encoder) == "libx264") {
    av_dict_set(&options, "crf", "20", 0);
    av_dict_set(&options, "preset", "veryfast", 0);
  } else {
    av_dict_set(&options, "crf", "32", 0);
    av_dict_set(&options, "b", "0", 0);
    av_dict_set(&options, "deadline", "good", 0);
    av_dict_set(&options, "cpu-used", "4", 0);
    av_dict_set(&options, "row-mt", "1", 0);
  }
  return options;
}

bool OpenCodec(VideoEncoder::State& s, const Container& c, const VideoFormat& f, std::string& why) {
  const AVCodec* codec = avcodec_find_encoder_by_name(c.encoder);
  s.stream = avformat_new_stream(s.format, nullptr);
  s.codec = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
  if (s.codec == nullptr || s.stream == nullptr) {
    why = std::string("the encoder ") + c.encoder + " is missing";
    return false;
  }
  s.codec->width = f.width;
  s.codec->height = f.height;
  s.codec->time_base = {1, f.fps};
  s.codec->framerate = {f.fps, 1};
  s.codec->pix_fmt = AV_PIX_FMT_YUV420P;
  s.codec->colorspace = AVCOL_SPC_SMPTE170M;  // the conversion's coefficients
  s.codec->color_range = AVCOL_RANGE_MPEG;
  if ((s.format->oformat->flags & AVFMT_GLOBALHEADER) != 0)
    s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = EncoderOptions(c);
  const int code = avcodec_open2(s.codec, codec, &options);
  av_dict_free(&options);
  if (code < 0) {
    why = std::string("cannot start ") + c.encoder + ": " + AvError(code);
    return false;
  }
  s.stream->time_base = s.codec->time_base;
  return avcodec_parameters_from_context(s.stream->codecpar, s.codec) >= 0;
}

bool OpenConversion(VideoEncoder::State& s, const VideoFormat& f) {
  s.convert = sws_getContext(f.width, f.height, AV_PIX_FMT_BGR0, f.width, f.height,
                             AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (s.convert == nullptr || s.frame == nullptr || s.packet == nullptr) return false;
  s.frame->format = AV_PIX_FMT_YUV420P;
  s.frame->width = f.width;
  s.frame->height = f.height;
  return av_frame_get_buffer(s.frame, 0) >= 0;
}

bool OpenOutput(VideoEncoder::State& s, const Container& c, std::string& why) {
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  s.io = buffer != nullptr
             ? avio_alloc_context(buffer, kIoBufferSize, 1, &s, nullptr, WritePacket, SeekPacket)
             : nullptr;
  if (s.io == nullptr) {
    av_free(buffer);
    why = "out of memory";
    return false;
  }
  s.format->pb = s.io;
  s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  AVDictionary* options = nullptr;
  // The index goes to the front for playing while downloading: the muxer
  // reads the file back for that, so only a real file gets it.
  const std::filesystem::path file = s.out->File();
  if (std::string(c.muxer) == "mp4" && !file.empty()) {
    av_freep(&s.format->url);
    s.format->url = av_strdup(file.string().c_str());
    av_dict_set(&options, "movflags", "+faststart", 0);
  }
  const int code = avformat_write_header(s.format, &options);
  av_dict_free(&options);
  if (code < 0) {
    std::string reason;
    s.Failed("writing the header", code, reason);
    why = reason;
    return false;
  }
  return true;
}

}  // namespace

bool VideoExtensionSupported(const std::string& extension, std::string& why) {
  const Container* c = FindContainer(extension);
  if (c == nullptr) {
    why = "a video is .mp4, .mkv or .webm, not \"" + extension + "\"";
    return false;
  }
  if (avcodec_find_encoder_by_name(c->encoder) == nullptr ||
      av_guess_format(c->muxer, nullptr, nullptr) == nullptr) {
    why = std::string("the libraries here cannot write ") + c->extension + " (" + c->encoder +
          " missing)";
    return false;
  }
  return true;
}

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::Open(OutputStream& out, const std::string& extension,
                                                 const VideoFormat& format, std::string& why) {
  if (!VideoExtensionSupported(extension, why)) return nullptr;
  av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are not ours to print
  const Container& c = *FindContainer(extension);
  auto s = std::make_unique<State>();
  s->out = &out;
  if (avformat_alloc_output_context2(&s->format, nullptr, c.muxer, nullptr) < 0) {
    why = std::string("no ") + c.muxer + " muxer";
    return nullptr;
  }
  if (!OpenCodec(*s, c, format, why)) return nullptr;
  if (!OpenConversion(*s, format)) {
    why = "cannot convert the frames to yuv420p";
    return nullptr;
  }
  if (!OpenOutput(*s, c, why)) return nullptr;
  return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(s)));
}

WriteOutcome VideoEncoder::Add(const platform::Surface& frame, std::string& why) {
  State& s = *state_;
  const int code = av_frame_make_writable(s.frame);
  if (code < 0) return s.Failed("encoding", code, why);
  const uint8_t* planes[1] = {frame.pixels};
  const int strides[1] = {frame.stride};
  sws_scale(s.convert, planes, strides, 0, frame.height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.next_pts++;
  return s.Encode(s.frame, why);
}

WriteOutcome VideoEncoder::Finish(std::string& why) {
  State& s = *state_;
  if (const WriteOutcome o = s.Encode(nullptr, why); o != WriteOutcome::kWritten) return o;
  const int code = av_write_trailer(s.format);
  if (code < 0) return s.Failed("finishing the file", code, why);
  return s.outcome;
}

}  // namespace lantern::albumpack
