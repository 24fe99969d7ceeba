// The next photo of the show, made ready on the worker thread while the
// current slide is shown. At most one photo is held ahead: starting another
// drops the one held, and a job whose photo is no longer wanted hands
// nothing over. The job owns what it works on (the photo's bytes, its decode
// buffers); the only thing it shares is the slot it hands the ready photo
// over in, behind a mutex, so whatever the show frees while the job runs is
// never the job's.
#pragma once

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
  // Waits for the job that runs (it ends on its own buffers).
  ~PhotoPrefetch();
  PhotoPrefetch(const PhotoPrefetch&) = delete;
  PhotoPrefetch& operator=(const PhotoPrefetch&) = delete;

  // Starts making `key`'s photo ready from `source` (its bytes loaded). The
  // same photo asked for again keeps the job or the photo it made; another
  // one replaces it.
  void Start(const PhotoKey& key, album::PictureSource source);
  // The photo when it is `key`'s and ready. Anything else held or coming is
  // dropped, except `key`'s own job while it still runs (see Pending).
  std::optional<ReadyPhoto> Take(const PhotoKey& key);
  // `key`'s job is posted and has not handed its photo over yet.
  bool Pending(const PhotoKey& key);
  // `key`'s photo is held or coming.
  bool Holds(const PhotoKey& key);
  // Forgets what is held or coming; a running job's result is thrown away.
  void Cancel();
  // Cancels and waits until no job runs: the safe point before freeing.
  void Join();
  // Jobs started (for tests and figures).
  int started() const { return started_; }

 private:
  // What the user-interface thread and a job share.
  struct Slot {
    std::mutex mutex;
    uint64_t generation = 0;  // the wanted job's number; a job of another number hands nothing
    bool pending = false;     // the wanted job has not finished
    PhotoKey key;             // the wanted photo
    std::optional<ReadyPhoto> ready;
  };

  std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
  platform::PictureDecoder& decoder_;
  int started_ = 0;
  std::unique_ptr<platform::Worker> worker_;  // last: it goes (and waits) first
};

}  // namespace lantern::imaging
