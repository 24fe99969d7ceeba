#!/usr/bin/env bash
# The player's processor time under Wine while the show is paused and, for
# comparison, while it shows a slide: the windowed player with a two-photo
# album, Space to pause, utime + stime of the process over 5 s each, as a
# percentage of one core. Run by scripts/bench on an X display from
# scripts/with-display; needs build/native/bin/albumpack and
# build/win32/bin/lantern.exe.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# shellcheck source=scripts/wine-env
source scripts/wine-env
corpus="$root/../shared/corpus/images/jpeg/pillow"
work=build/bench/paused
mkdir -p "$work"
cp "$corpus/flower.jpg" "$work/one.jpg"
cp "$corpus/hopper.jpg" "$work/two.jpg"
cat >"$work/album.toml" <<'TOML'
title = "暂停测试"
transitions = []
[[photos]]
file = "one.jpg"
[[photos]]
file = "two.jpg"
[settings]
TimeInterval = 30.0
TOML
(cd "$work" && "$root/build/native/bin/albumpack" build album.toml -o paused.scr \
  --stub "$root/build/win32/bin/lantern.exe") >/dev/null

cpu_ticks() {  # utime + stime of process $1, in clock ticks
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}
percent_over() {  # processor time of process $1 over $2 seconds, in % of a core
  local before after
  before=$(cpu_ticks "$1")
  sleep "$2"
  after=$(cpu_ticks "$1")
  awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$2" \
    'BEGIN { printf "%.1f", 100 * t / hz / s }'
}

wine "$work/paused.scr" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill -9 "$pid" 2>/dev/null || true' EXIT
sleep 4  # started, photo 1 shown
showing=$(percent_over "$pid" 5)
xdotool key space
sleep 1
paused=$(percent_over "$pid" 5)
xdotool key Escape
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
echo "processor time of the windowed player: ${paused} % of a core while paused, ${showing} % while a slide is shown (5 s each)"
