// The worker on a real thread (std::thread): one thread, started with the
// worker and ended with it. `on_thread_start` and `on_thread_end` run on the
// thread itself (the Windows backend initialises COM there).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/worker.h"

namespace lantern::platform {

class ThreadWorker final : public Worker {
 public:
  explicit ThreadWorker(std::function<void()> on_thread_start = {},
                        std::function<void()> on_thread_end = {});
  ~ThreadWorker() override;
  ThreadWorker(const ThreadWorker&) = delete;
  ThreadWorker& operator=(const ThreadWorker&) = delete;

  void Post(std::function<void()> job) override;
  void Join() override;

 private:
  void Loop(const std::function<void()>& on_start, const std::function<void()>& on_end);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool running_job_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace lantern::platform
