// One thread that takes jobs from a queue under a mutex.
#include "platform/thread_worker.h"

#include <atomic>

namespace lantern::platform {

namespace {

std::atomic<int> left_running{0};

}  // namespace

ThreadWorker::ThreadWorker(std::function<void()> on_thread_start,
                           std::function<void()> on_thread_end,
                           std::optional<std::chrono::milliseconds> patience)
    : patience_(patience),
      thread_([shared = shared_, start = std::move(on_thread_start),
               end = std::move(on_thread_end)] { Loop(shared, start, end); }) {}

ThreadWorker::~ThreadWorker() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->jobs.clear();
  shared_->quit = true;
  shared_->changed.notify_all();
  const auto idle = [this] { return !shared_->running_job; };
  if (patience_ && !shared_->changed.wait_for(lock, *patience_, idle)) {
    shared_->left = true;
    ++left_running;
    lock.unlock();
    thread_.detach();
    return;
  }
  lock.unlock();
  thread_.join();
}

int ThreadWorker::LeftRunning() {
  return left_running.load();
}

void ThreadWorker::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->jobs.push_back(std::move(job));
  }
  shared_->changed.notify_all();
}

void ThreadWorker::Join() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->jobs.clear();
  shared_->changed.wait(lock, [this] { return !shared_->running_job; });
}

void ThreadWorker::Loop(const std::shared_ptr<Shared>& shared,
                        const std::function<void()>& on_start,
                        const std::function<void()>& on_end) {
  if (on_start) on_start();
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->changed.wait(lock, [&] { return shared->quit || !shared->jobs.empty(); });
    if (shared->quit) break;
    std::function<void()> job = std::move(shared->jobs.front());
    shared->jobs.pop_front();
    shared->running_job = true;
    lock.unlock();
    try {
      job();
    } catch (...) {
      // A job hands over its result itself; one that fails has nothing to hand.
    }
    job = nullptr;  // what the job captured goes on this thread, before Join returns
    lock.lock();
    shared->running_job = false;
    shared->changed.notify_all();
  }
  lock.unlock();
  if (on_end) on_end();
  lock.lock();
  if (shared->left) --left_running;
}

}  // namespace lantern::platform
