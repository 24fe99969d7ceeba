// The decode handed to the worker, and the wait for it.
#include "imaging/worker_decoder.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace lantern::imaging {

namespace {

// What the job and the waiting thread share. The caller's `least` is reached
// only under the mutex and only until the caller gives up.
struct DecodeJob {
  std::mutex mutex;
  std::vector<uint8_t> bytes;
  const platform::PictureDecoder::LeastSize* least = nullptr;
  std::atomic<bool> given_up = false;
  bool done = false;
  bool decoded = false;
  std::exception_ptr error;  // what the decoder threw, thrown again to the caller
  platform::DecodedImage picture;
};

void RunJob(DecodeJob& job, platform::PictureDecoder& decoder) {
  bool wants_least = false;
  {
    std::lock_guard<std::mutex> lock(job.mutex);
    if (job.given_up) return;  // nobody waits for it any more
    wants_least = job.least != nullptr && *job.least;
  }
  platform::PictureDecoder::LeastSize least;
  if (wants_least) {
    least = [&job](int32_t w, int32_t h) {
      std::lock_guard<std::mutex> lock(job.mutex);
      return job.given_up ? std::pair{w, h} : (*job.least)(w, h);
    };
  }
  platform::DecodedImage picture;
  bool decoded = false;
  std::exception_ptr error;
  try {
    decoded = decoder.DecodeBytesAtLeast(
        job.bytes, least, [&job] { return job.given_up.load(); }, picture);
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(job.mutex);
  job.picture = std::move(picture);
  job.decoded = decoded;
  job.error = error;
  job.done = true;
}

}  // namespace

bool WorkerDecoder::DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                                       const platform::DecodeCancelled& cancelled,
                                       platform::DecodedImage& out) {
  if (decoder_.StopsPartWay(bytes))
    return decoder_.DecodeBytesAtLeast(bytes, least, cancelled, out);
  auto job = std::make_shared<DecodeJob>();
  job->bytes.assign(bytes.begin(), bytes.end());
  job->least = &least;
  ++posted_;
  worker_.Post([job, &decoder = decoder_] { RunJob(*job, decoder); });
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(job->mutex);
      if (job->done) {
        if (job->error) std::rethrow_exception(job->error);
        out = std::move(job->picture);
        return job->decoded;
      }
    }
    if ((cancelled && cancelled()) || !wait_()) {
      std::lock_guard<std::mutex> lock(job->mutex);
      job->given_up = true;
      return false;
    }
  }
}

}  // namespace lantern::imaging
