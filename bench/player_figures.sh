#!/usr/bin/env bash
# Figures of the player itself under Wine (run by scripts/bench on an X
# display from scripts/with-display, 1920x1080):
#   - the time from starting the demo album (its opening titles switched
#     off) as the screen saver to its first slide on the screen, median of 5 runs (the screen is sampled about every
#     30 ms, so figures are good to a few tens of milliseconds);
#   - the peak memory of the player process (VmHWM: resident pages at their
#     highest, the mapped album included) over one pass of an album of 100
#     12-megapixel JPEG photos.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# shellcheck source=scripts/wine-env
source scripts/wine-env
albumpack=build/native/bin/albumpack
player=build/win32/bin/lantern.exe
close_window=build/win32/bin/close_window.exe
work=build/bench/player
mkdir -p "$work"
read -r width height < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
box="200x200+$((width / 2 - 100))+$((height / 2 - 100))"

close_player() {  # asks the running player titled $1 to close and waits for process $2
  scripts/wine-run "$close_window" LanternForm "$1" >/dev/null || true
  for _ in $(seq 100); do kill -0 "$2" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$2" 2>/dev/null || true
}

# --- time to the first slide ---
examples/demo/make-assets build/demo-album >/dev/null
# Without its opening titles, which show for about ten seconds before the
# first slide.
sed 's/^EnableOpening = true/EnableOpening = false/' build/demo-album/album.toml \
  >build/demo-album/no-opening.toml
(cd build/demo-album &&
  "../../$albumpack" build no-opening.toml -o "../../$work/demo.scr" --stub "../../$player") >/dev/null
scripts/wine-run build/win32/bin/albumpack.exe render "$work/demo.scr" 1 "$work/slide1.png" \
  --size "${width}x${height}" >/dev/null
/usr/bin/convert "$work/slide1.png" -crop "$box" +repage "$work/expected.png"
title="屏幕保护: $("$albumpack" settings "$work/demo.scr" | awk -F '\t' 'tolower($1) == "txtsetting(0)" { print $3 }')"
times=()
for _ in 1 2 3 4 5; do
  xdotool mousemove $((width / 2)) $((height / 2))
  start=$(date +%s%N)
  wine "$work/demo.scr" /S </dev/null >/dev/null 2>&1 &
  pid=$!
  elapsed=""
  for _ in $(seq 300); do
    # The root window in one request: xwd fails while a layered window changes.
    /usr/bin/import -silent -window root -crop "$box" +repage "$work/now.png"
    now=$(date +%s%N)
    d=$({ /usr/bin/compare -metric MAE "$work/now.png" "$work/expected.png" null: 2>&1 || true; } |
      sed -E 's/.*\((.*)\).*/\1/')
    if awk "BEGIN { exit !($d < 0.01) }"; then
      elapsed=$(((now - start) / 1000000))
      break
    fi
  done
  close_player "$title" "$pid"
  [ -n "$elapsed" ] || { echo "the first slide never appeared" >&2; exit 1; }
  times+=("$elapsed")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
echo "start to first slide (demo album, /S): median ${median} ms of ${times[*]} ms"

# --- peak memory over a pass of 100 12-megapixel photos ---
# With a camera's grain, so that the album is as large as a camera's photos
# make it (about 3.6 MB a photo, 360 MB in all).
photo=build/bench/photo-12mp-camera.jpg
if [ ! -f "$photo" ]; then
  /usr/bin/convert /usr/share/backgrounds/mate/nature/Storm.jpg -resize '4000x3000!' \
    -attenuate 0.36 +noise Gaussian -quality 92 "$photo"
fi
{
  echo 'title = "内存测试"'
  echo 'transitions = []'
  echo '[settings]'
  echo 'TimeInterval = 0.5'
  for _ in $(seq 100); do printf '[[photos]]\nfile = "%s"\n' "$root/$photo"; done
} >"$work/memory.toml"
"$albumpack" build "$work/memory.toml" -o "$work/memory.scr" --stub "$player" >/dev/null
start=$(date +%s)
wine "$work/memory.scr" /S </dev/null >/dev/null 2>&1 &
pid=$!
# One pass: 100 slides of at least 0.5 s plus the decoding of each photo.
peak=0
while [ $(($(date +%s) - start)) -lt 100 ]; do
  hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
  [ "${hwm:-0}" -gt "$peak" ] && peak=$hwm
  sleep 1
done
rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
close_player "屏幕保护: 内存测试" "$pid"
echo "peak memory, 100 photos of 12 MP at ${width}x${height}: $((peak / 1024)) MB (resident at the end $((rss / 1024)) MB; album file $(($(stat -c %s "$work/memory.scr") / 1048576)) MB)"
