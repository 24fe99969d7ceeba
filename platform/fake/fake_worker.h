// The fake backend's worker. What a test chooses: jobs run at once, inside
// Post (kImmediate); they wait until the test runs them, usually from a
// scripted call at a virtual time (kHeld); or they run on a real thread
// (kThread, for the race detector).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/thread_worker.h"
#include "platform/worker.h"

namespace lantern::platform::fake {

enum class WorkerMode { kImmediate, kHeld, kThread };

// Keeps the live workers so a test can run their held jobs.
class FakeWorkers {
 public:
  void set_mode(WorkerMode mode) { mode_ = mode; }
  WorkerMode mode() const { return mode_; }
  std::unique_ptr<Worker> Create();
  // Runs every held job of every live worker, in the order posted.
  void RunHeldJobs();
  size_t held_jobs() const;
  int posted() const { return posted_; }

 private:
  class HeldWorker;
  friend class HeldWorker;

  WorkerMode mode_ = WorkerMode::kImmediate;
  std::vector<HeldWorker*> live_;
  int posted_ = 0;
};

}  // namespace lantern::platform::fake
