// What the plain benchmark harnesses share (those built natively and for
// i686, where Google Benchmark is not packaged): the median time of a step,
// the thread's processor time, and the platform to measure on, the fake
// backend natively and the real windows under Wine.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_platform.h"
#else
#include <time.h>

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

// The calling thread's processor time, in ms. Wine counts it in ticks of
// 10 ms, so a figure is taken over many runs.
inline double ThreadMs() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>(uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
#else
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

inline std::unique_ptr<platform::Platform> MakePlatform() {
#ifdef _WIN32
  return platform::win32::CreateWin32Platform();
#else
  return std::make_unique<platform::fake::FakePlatform>();
#endif
}

}  // namespace lantern::bench
