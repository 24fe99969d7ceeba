// What the plain benchmark harnesses share (those built natively and for
// i686, where Google Benchmark is not packaged): the median time of a step,
// and the platform to measure on, the fake backend natively and the real
// windows under Wine.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/fake/fake_platform.h"
#endif

namespace lantern::bench {

// The median of `runs` timings of `step(i)`, in microseconds.
template <typename Step>
double MedianMicroseconds(int runs, Step step) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    step(i);
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline std::unique_ptr<platform::Platform> MakePlatform() {
#ifdef _WIN32
  return platform::win32::CreateWin32Platform();
#else
  return std::make_unique<platform::fake::FakePlatform>();
#endif
}

}  // namespace lantern::bench
