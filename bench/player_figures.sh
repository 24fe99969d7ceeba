#!/usr/bin/env bash
# Figures of the player itself under Wine (run by scripts/bench on an X
# display from scripts/with-display, 1920x1080):
#   - the time from starting the demo album (its opening titles switched
#     off) as the screen saver to its first slide on the screen, median of 5 runs (the screen is sampled about every
#     30 ms, so figures are good to a few tens of milliseconds);
#   - the peak memory of the player process (VmHWM: resident pages at their
#     highest, the album's pages mapped from the file included) over one
#     pass of an album of 100 12-megapixel JPEG photos (about 360 MB), and
#     over as many slides of an album of six of those photos.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# shellcheck source=scripts/wine-env
source scripts/wine-env
# shellcheck source=bench/player_lib.sh
source bench/player_lib.sh
albumpack=build/native/bin/albumpack
player=build/win32/bin/lantern.exe
work=build/bench/player
mkdir -p "$work"
width=$screen_width
height=$screen_height
box="200x200+$((width / 2 - 100))+$((height / 2 - 100))"

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
  start=$(date +%s%N)
  start_player "$work/demo.scr"
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
  close_player "$title"
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
pass_memory() {  # pass_memory COUNT: peak and end figures over 100 s of an album of COUNT photos
  local toml="$work/memory$1.toml"
  {
    echo "title = \"内存测试$1\""
    echo 'transitions = []'
    echo '[settings]'
    echo 'TimeInterval = 0.5'
    for _ in $(seq "$1"); do printf '[[photos]]\nfile = "%s"\n' "$root/$photo"; done
  } >"$toml"
  "$albumpack" build "$toml" -o "$work/memory$1.scr" --stub "$player" >/dev/null
  start_player "$work/memory$1.scr"
  # One pass of 100 photos: 100 slides of at least 0.5 s plus the decoding of
  # each photo. The player is checked every second.
  for _ in $(seq 100); do
    sleep 1
    read_memory VmHWM
  done
  local peak=$memory
  read_memory VmRSS
  close_player "屏幕保护: 内存测试$1"
  echo "$1 photos of 12 MP at ${width}x${height} (album file" \
    "$(($(stat -c %s "$work/memory$1.scr") / 1048576)) MB): peak memory $((peak / 1024)) MB," \
    "resident at the end $((memory / 1024)) MB"
  last_peak=$peak
}
pass_memory 100
peak100=$last_peak
pass_memory 6
awk -v a="$peak100" -v b="$last_peak" 'BEGIN { printf "peak, 100 photos / 6 photos: %.2f\n", a / b }'
