// The environment probes.
#include "show/probes.h"

#include <cstdlib>

#include "base/rounding.h"

namespace lantern::show {

std::string WithTrailingBackslash(const std::string& folder) {
  std::string s = folder.substr(0, folder.find('\0'));
  while (!s.empty() && s.back() == ' ')
    s.pop_back();
  if (s.empty() || s.back() != '\\') s += '\\';
  return s;
}

bool ProbeWow64(platform::Process& process) {
  return process.IsWow64().value_or(false);
}

std::string ProbeSystemFolder(platform::Process& process, bool wow64) {
  auto folder = process.SystemDirectory(wow64);
  if (!folder || folder->substr(0, folder->find('\0')).size() < 4) {
    folder = process.SystemDirectory(false);
  }
  return WithTrailingBackslash(folder.value_or(""));
}

std::string ProbeTempFolder(platform::Process& process) {
  auto temp = process.TempPath().value_or("");
  temp = temp.substr(0, temp.find('\0'));
  auto long_form = temp.empty() ? std::nullopt : process.LongPathName(temp);
  if (long_form && !long_form->empty()) temp = long_form->substr(0, long_form->find('\0'));
  return WithTrailingBackslash(temp);
}

int32_t ProbeIdleSeconds(platform::Power& power) {
  const auto last = power.LastInputTick();
  if (!last) return 0;
  const uint32_t idle_ms = power.TickCount() - *last;  // the tick count wraps
  return base::Round32(idle_ms / 1000.0);
}

int32_t SeedIdleSeconds(platform::Power& power) {
  const int32_t idle = ProbeIdleSeconds(power);
  const int32_t timeout = power.ScreenSaveTimeout().value_or(0);
  return std::abs(static_cast<int64_t>(timeout) - idle) >= 10 ? idle : timeout;
}

int32_t ProbeVersionClass(platform::Process& process) {
  const auto v = process.Version();
  if (!v || v->platform_id != 2) return 5;
  if (v->major == 6) return v->minor == 0 ? 6 : 7;
  if (v->major == 7 || v->major == 8) return 8;
  return 5;
}

void ProbePower(platform::Power& power, show::ProcessValues& values) {
  const platform::PowerTimeouts t = power.ReadPowerTimeouts();
  values.SleepTimeout = t.sleep;
  values.HibernateTimeout = t.hibernate;
  values.MonitorTimeout = t.monitor;
}

}  // namespace lantern::show
