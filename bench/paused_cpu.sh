#!/usr/bin/env bash
# The player's processor time under Wine while the show is paused and, for
# comparison, while it shows a slide: the windowed player with a two-photo
# album, Space to pause, utime + stime over 5 s each, as a percentage of one
# core, of the player's process and of the Wine server (which does the work
# of every message call; it serves any other Wine program running meanwhile
# too). Run by scripts/bench on an X display from
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

cpu_ticks() {  # utime + stime of the processes $@, in clock ticks
  local total=0 p
  for p in "$@"; do
    total=$((total + $(awk '{ print $14 + $15 }' "/proc/$p/stat" 2>/dev/null || echo 0)))
  done
  echo "$total"
}
measure() {  # "player %, Wine server %" over 5 s, both at once
  local a b c d server
  server=$(pgrep -u "$(id -u)" -x 'wineserver(64)?' | tr '\n' ' ')
  a=$(cpu_ticks "$pid")
  # shellcheck disable=SC2086
  c=$(cpu_ticks $server)
  sleep 5
  b=$(cpu_ticks "$pid")
  # shellcheck disable=SC2086
  d=$(cpu_ticks $server)
  awk -v p="$((b - a))" -v w="$((d - c))" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.1f %% (Wine server %.1f %%)", 100 * p / hz / 5, 100 * w / hz / 5 }'
}

wine "$work/paused.scr" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill -9 "$pid" 2>/dev/null || true' EXIT
sleep 4  # started, photo 1 shown
showing=$(measure)
xdotool key space
sleep 1
paused=$(measure)
xdotool key Escape
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
echo "processor time of the windowed player, of one core: ${paused} while paused, ${showing} while a slide is shown (5 s each)"
