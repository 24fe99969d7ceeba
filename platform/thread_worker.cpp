// One thread that takes jobs from a queue under a mutex.
#include "platform/thread_worker.h"

namespace lantern::platform {

ThreadWorker::ThreadWorker(std::function<void()> on_thread_start,
                           std::function<void()> on_thread_end)
    : thread_([this, start = std::move(on_thread_start), end = std::move(on_thread_end)] {
        Loop(start, end);
      }) {}

ThreadWorker::~ThreadWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.clear();
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ThreadWorker::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void ThreadWorker::Join() {
  std::unique_lock<std::mutex> lock(mutex_);
  jobs_.clear();
  changed_.wait(lock, [this] { return !running_job_; });
}

void ThreadWorker::Loop(const std::function<void()>& on_start,
                        const std::function<void()>& on_end) {
  if (on_start) on_start();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
    if (quit_) break;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    running_job_ = true;
    lock.unlock();
    try {
      job();
    } catch (...) {
      // A job hands over its result itself; one that fails has nothing to hand.
    }
    job = nullptr;  // what the job captured goes on this thread, before Join returns
    lock.lock();
    running_job_ = false;
    changed_.notify_all();
  }
  lock.unlock();
  if (on_end) on_end();
}

}  // namespace lantern::platform
