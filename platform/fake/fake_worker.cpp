// Workers that run their jobs when the test says.
#include "platform/fake/fake_worker.h"

#include <algorithm>

namespace lantern::platform::fake {

class FakeWorkers::HeldWorker final : public Worker {
 public:
  HeldWorker(FakeWorkers& owner, WorkerMode mode) : owner_(owner), mode_(mode) {
    owner_.live_.push_back(this);
    if (mode_ == WorkerMode::kThread) thread_ = std::make_unique<ThreadWorker>();
  }
  ~HeldWorker() override {
    thread_.reset();
    std::erase(owner_.live_, this);
  }
  HeldWorker(const HeldWorker&) = delete;
  HeldWorker& operator=(const HeldWorker&) = delete;

  void Post(std::function<void()> job) override {
    ++owner_.posted_;
    if (mode_ == WorkerMode::kThread) {
      thread_->Post(std::move(job));
    } else if (mode_ == WorkerMode::kImmediate) {
      job();
    } else {
      held_.push_back(std::move(job));
    }
  }
  void Join() override {
    held_.clear();
    if (thread_) thread_->Join();
  }
  void RunHeld() {
    while (!held_.empty()) {
      std::function<void()> job = std::move(held_.front());
      held_.pop_front();
      job();
    }
  }
  size_t held() const { return held_.size(); }

 private:
  FakeWorkers& owner_;
  WorkerMode mode_;
  std::deque<std::function<void()>> held_;
  std::unique_ptr<ThreadWorker> thread_;
};

std::unique_ptr<Worker> FakeWorkers::Create() {
  return std::make_unique<HeldWorker>(*this, mode_);
}

void FakeWorkers::RunHeldJobs() {
  for (HeldWorker* worker : std::vector<HeldWorker*>(live_))
    worker->RunHeld();
}

size_t FakeWorkers::held_jobs() const {
  size_t n = 0;
  for (const HeldWorker* worker : live_)
    n += worker->held();
  return n;
}

}  // namespace lantern::platform::fake
