// The show's photos, made ready on the worker thread: the next one while the
// current slide is shown, and the slide's own when it was not made ahead
// (the slide waits for it, dispatching messages). At most one photo is held
// or coming: starting another drops the one held, and a job whose photo is
// no longer wanted stops at its decoder's next row and hands nothing over.
// The job owns what it works on (the photo's bytes, its decode buffers); the
// only thing it shares is the slot it hands the ready photo over in, behind a
// mutex, and the slot's job number it reads to know it is still wanted, so
// whatever the show frees while the job runs is never the job's.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "album/picture_source.h"
#include "imaging/ready_photo.h"
#include "platform/platform.h"

namespace lantern::imaging {

class PhotoPrefetch {
 public:
  PhotoPrefetch(std::unique_ptr<platform::Worker> worker, platform::PictureDecoder& decoder);
  // Cancels; the worker then ends as it does (a worker with a patience
  // leaves a job that will not stop running, on its own buffers).
  ~PhotoPrefetch();
  PhotoPrefetch(const PhotoPrefetch&) = delete;
  PhotoPrefetch& operator=(const PhotoPrefetch&) = delete;

  // Starts making `key`'s photo ready from `source` (its bytes loaded). The
  // same photo asked for again keeps the job or the photo it made; another
  // one replaces it.
  void Start(const PhotoKey& key, album::PictureSource source);
  // The photo when it is `key`'s and ready. Anything else held or coming is
  // dropped, `key`'s own job too while it still runs: the caller makes the
  // photo itself (wait while Pending to have the job's instead).
  std::optional<ReadyPhoto> Take(const PhotoKey& key);
  // `key`'s job is posted and has not handed its photo over yet.
  bool Pending(const PhotoKey& key);
  // `key`'s photo is held or coming.
  bool Holds(const PhotoKey& key);
  // Forgets what is held or coming; a running job stops at its decoder's
  // next row.
  void Cancel();
  // Cancels and waits until no job runs (no longer than a row of decoding,
  // where the decoder can stop): the safe point before freeing.
  void Join();
  // The worker the jobs run on, for other jobs of the show (imaging/
  // worker_decoder); they queue behind the photo's.
  platform::Worker& worker() { return *worker_; }
  // Jobs started (for tests and figures).
  int started() const { return started_; }

 private:
  // What the user-interface thread and a job share.
  struct Slot {
    std::mutex mutex;
    // The wanted job's number; a job of another number hands nothing and
    // stops. Changed under the mutex, read by a running job without it.
    std::atomic<uint64_t> generation = 0;
    bool pending = false;  // the wanted job has not finished
    PhotoKey key;          // the wanted photo
    std::optional<ReadyPhoto> ready;
  };

  std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
  platform::PictureDecoder& decoder_;
  int started_ = 0;
  std::unique_ptr<platform::Worker> worker_;  // last: it goes (and waits) first
};

}  // namespace lantern::imaging
