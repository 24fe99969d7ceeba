// Lyric figures: reading a 5000-line LRC file (CRLF lines, a few tags, every
// line timed) into the timeline, and the longest file read (1 MiB) at its
// worst: short lines in no order with many equal times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "media/lyrics.h"

namespace {

std::vector<uint8_t> FiveThousandLines() {
  std::string lrc = "[ti:Benchmark]\r\n[ar:Nobody]\r\n[offset:120]\r\n";
  char tag[32];
  for (int i = 0; i < 5000; ++i) {
    const int cs = i * 37;  // in order, as files usually are
    std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", cs / 6000, cs / 100 % 60, cs % 100);
    lrc += tag;
    lrc += "Line " + std::to_string(i + 1) + " of the words to sing along with\r\n";
  }
  return {lrc.begin(), lrc.end()};
}

void BM_ParseLrc5000Lines(benchmark::State& state) {
  const std::vector<uint8_t> bytes = FiveThousandLines();
  lantern::media::LyricTimeline lyrics;
  for (auto _ : state) {
    const bool read = lantern::media::ParseLyrics(bytes, {}, lyrics);
    benchmark::DoNotOptimize(read);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseLrc5000Lines)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> LongestUnsortedFile() {
  std::string lrc;
  char tag[32];
  for (unsigned i = 0; lrc.size() + 16 <= lantern::media::kMaxLyricFileBytes; ++i) {
    const unsigned cs = (i * 2654435761u) % 30000;  // scattered, about 2.7 lines a time
    std::snprintf(tag, sizeof tag, "[%02u:%02u.%02u]w\r\n", cs / 6000, cs / 100 % 60, cs % 100);
    lrc += tag;
  }
  return {lrc.begin(), lrc.end()};
}

void BM_ParseLrcLongestUnsorted(benchmark::State& state) {
  const std::vector<uint8_t> bytes = LongestUnsortedFile();
  lantern::media::LyricTimeline lyrics;
  for (auto _ : state) {
    const bool read = lantern::media::ParseLyrics(bytes, {}, lyrics);
    benchmark::DoNotOptimize(read);
  }
  state.counters["lines"] = lyrics.LyricCount;
}
BENCHMARK(BM_ParseLrcLongestUnsorted)->Unit(benchmark::kMillisecond);

}  // namespace
