// A second thread for work that must not hold up the user-interface thread
// (decoding and scaling the next photo while a slide is shown). Jobs run one
// at a time, in the order posted, on a thread that is not the caller's; a job
// reaches the rest of the program only through what it was given (its own
// buffers, and a mutex-protected slot it hands its result over in). The
// backends: a real thread (platform/thread_worker.h), and the fake's, which
// runs a job at once, at a moment a test scripts, or on a real thread.
#pragma once

#include <functional>

namespace lantern::platform {

class Worker {
 public:
  // Waits for the job that runs, if any (a ThreadWorker made with a
  // patience waits only that long); jobs not yet started are dropped.
  virtual ~Worker() = default;
  // Queues a job. It runs later on the worker's thread (or, on the fake,
  // whenever the test says).
  virtual void Post(std::function<void()> job) = 0;
  // Drops the jobs not yet started and waits until none runs. The caller's
  // safe point for freeing or reusing what it gave the worker.
  virtual void Join() = 0;
};

}  // namespace lantern::platform
