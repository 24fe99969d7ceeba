// The worker on a real thread (std::thread): one thread, started with the
// worker and ended with it. `on_thread_start` and `on_thread_end` run on the
// thread itself (the Windows backend initialises COM there).
//
// Ending the worker drops the jobs not yet started and waits for the one
// that runs. A worker made with a patience waits no longer than that: a job
// still running then (a decode inside a system call that cannot be stopped
// part-way) is left to finish on its own thread, which ends after it. Such a
// job must own everything it touches but what lives until the process ends;
// LeftRunning says whether one still runs, so the program can end its
// process at once instead of tearing down what the job may still use.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/worker.h"

namespace lantern::platform {

class ThreadWorker final : public Worker {
 public:
  explicit ThreadWorker(std::function<void()> on_thread_start = {},
                        std::function<void()> on_thread_end = {},
                        std::optional<std::chrono::milliseconds> patience = std::nullopt);
  ~ThreadWorker() override;
  ThreadWorker(const ThreadWorker&) = delete;
  ThreadWorker& operator=(const ThreadWorker&) = delete;

  void Post(std::function<void()> job) override;
  void Join() override;

  // Threads of ended workers whose job still runs.
  static int LeftRunning();

 private:
  // What the thread shares with the worker; the thread holds it too, so a
  // thread left running never reaches a worker that is gone.
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool running_job = false;
    bool quit = false;
    bool left = false;  // the worker ended without waiting for the thread
  };

  static void Loop(const std::shared_ptr<Shared>& shared, const std::function<void()>& on_start,
                   const std::function<void()>& on_end);

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::optional<std::chrono::milliseconds> patience_;
  std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace lantern::platform
