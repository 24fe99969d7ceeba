// The hand-over slot and the job.
#include "imaging/photo_prefetch.h"

#include <utility>

namespace lantern::imaging {

PhotoPrefetch::PhotoPrefetch(std::unique_ptr<platform::Worker> worker,
                             platform::PictureDecoder& decoder)
    : decoder_(decoder), worker_(std::move(worker)) {}

PhotoPrefetch::~PhotoPrefetch() {
  Cancel();
}

void PhotoPrefetch::Start(const PhotoKey& key, album::PictureSource source) {
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(slot_->mutex);
    const bool same = slot_->key == key && (slot_->pending || slot_->ready);
    if (same) return;
    slot_->ready.reset();  // at most one photo held ahead
    slot_->key = key;
    slot_->pending = true;
    generation = ++slot_->generation;
  }
  ++started_;
  worker_->Post([slot = slot_, generation, key, source = std::move(source), &decoder = decoder_] {
    const auto cancelled = [&] { return slot->generation.load() != generation; };
    ReadyPhoto photo;
    try {
      MakeReadyPhoto(decoder, source, key, photo, cancelled);
    } catch (...) {  // handed over all the same: the slide must not wait for it
      photo = ReadyPhoto{};
      photo.key = key;
      photo.error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(slot->mutex);
    if (slot->generation != generation) return;  // no longer wanted: freed here, on the worker
    slot->ready = std::move(photo);
    slot->pending = false;
  });
}

std::optional<ReadyPhoto> PhotoPrefetch::Take(const PhotoKey& key) {
  std::optional<ReadyPhoto> taken;
  {
    std::lock_guard<std::mutex> lock(slot_->mutex);
    if (slot_->key == key) taken = std::move(slot_->ready);
    slot_->ready.reset();
    slot_->pending = false;
    slot_->key = {};
    ++slot_->generation;
  }
  return taken;
}

bool PhotoPrefetch::Holds(const PhotoKey& key) {
  std::lock_guard<std::mutex> lock(slot_->mutex);
  return slot_->key == key && (slot_->pending || slot_->ready);
}

bool PhotoPrefetch::Pending(const PhotoKey& key) {
  std::lock_guard<std::mutex> lock(slot_->mutex);
  return slot_->pending && slot_->key == key;
}

void PhotoPrefetch::Cancel() {
  std::optional<ReadyPhoto> dropped;  // freed outside the lock
  std::lock_guard<std::mutex> lock(slot_->mutex);
  dropped = std::move(slot_->ready);
  slot_->ready.reset();
  slot_->pending = false;
  slot_->key = {};
  ++slot_->generation;
}

void PhotoPrefetch::Join() {
  Cancel();
  worker_->Join();
}

}  // namespace lantern::imaging
