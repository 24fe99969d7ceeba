#!/usr/bin/env bash
# The slide cycle of the player under Wine (run by scripts/bench on an X
# display from scripts/with-display, 1920x1080), for an album of six
# 12-megapixel JPEG photos (camera-sized files) and the same album at
# 1024x768, a 2 s interval,
# no transitions:
#   - the slide period: the median time between slide changes on the screen
#     over about ten slides;
#   - the time from the next-slide key (Right, pressed 700 ms into a slide)
#     to the next slide on the screen, median of 5;
#   - the player's peak memory (VmHWM, at the end) and its resident memory
#     after those first ten slides (VmRSS, steady).
# Each photo carries a square of its own colour at its centre, and
# screen-watch reads the screen's centre pixel about every millisecond.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# shellcheck source=scripts/wine-env
source scripts/wine-env
# shellcheck source=bench/player_lib.sh
source bench/player_lib.sh
albumpack=build/native/bin/albumpack
player=build/win32/bin/lantern.exe
watch=build/native/bin/screen-watch
work=build/bench/period
mkdir -p "$work"
base=/usr/share/backgrounds/mate/nature/Storm.jpg
colours=(ff0000 00ff00 0000ff ffff00 ff00ff 00ffff)

make_album() {  # make_album NAME WIDTH HEIGHT
  local name=$1 w=$2 h=$3 i=0
  local side=$((h / 15))
  local toml="$work/$name.toml"
  # Grain as a camera's sensor gives it: a 12-megapixel photo is then a 5-6 MB
  # file, as a camera's are (a smooth picture compresses to a fraction of that).
  /usr/bin/convert "$base" -resize "${w}x${h}!" -attenuate 0.6 +noise Gaussian -quality 92 \
    "$work/$name-base.jpg"
  {
    echo "title = \"周期$name\""
    echo 'transitions = []'
    echo '[settings]'
    echo 'TimeInterval = 2.0'
  } >"$toml"
  for c in "${colours[@]}"; do
    i=$((i + 1))
    [ -f "$work/$name-$i.jpg" ] ||
      /usr/bin/convert "$work/$name-base.jpg" -fill "#$c" \
        -draw "rectangle $((w / 2 - side)),$((h / 2 - side)) $((w / 2 + side)),$((h / 2 + side))" \
        -quality 92 "$work/$name-$i.jpg"
    printf '[[photos]]\nfile = "%s"\n' "$root/$work/$name-$i.jpg" >>"$toml"
  done
  "$albumpack" build "$toml" -o "$work/$name.scr" --stub "$player" >/dev/null
}

# The changes to a slide's own colour (each channel near 0 or 255, not
# black), from screen-watch's lines.
slide_changes() {
  awk 'function hex(h,  i, v) { v = 0; for (i = 1; i <= length(h); i++)
         v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }
       { ok = 1; sum = 0
         for (i = 0; i < 3; i++) { v = hex(substr($2, 2 * i + 1, 2)); sum += v
                                   if (v > 64 && v < 192) ok = 0 }
         if (ok && sum > 192) print $1 }' "$1"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "?" }'; }

measure() {  # measure NAME
  local name=$1
  start_player "$work/$name.scr"
  "$watch" 60 >"$work/$name.watch" &
  local watcher=$!
  sleep 22  # about ten slides at their own pace
  read_memory VmRSS
  local rss=$memory
  : >"$work/$name.keys"
  for _ in 1 2 3 4 5; do
    local before now
    before=$(slide_changes "$work/$name.watch" | wc -l)
    for _ in $(seq 500); do  # the next slide, at most 5 s away
      [ "$(slide_changes "$work/$name.watch" | wc -l)" -eq "$before" ] || break
      sleep 0.01
    done
    sleep 0.7
    now=$(date +%s%3N)
    xdotool key Right
    echo "$now" >>"$work/$name.keys"
    sleep 0.5
  done
  read_memory VmHWM
  local hwm=$memory
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  close_player "屏幕保护: 周期$name"
  # Periods between the changes before the first key, the first (start-up) left out.
  local first_key period keys
  first_key=$(head -1 "$work/$name.keys")
  slide_changes "$work/$name.watch" >"$work/$name.slides"
  period=$(awk -v k="$first_key" '$1 < k { if (n++) print $1 - last; last = $1 }' \
    "$work/$name.slides" | median)
  keys=$(while read -r k; do
    awk -v k="$k" '$1 >= k { print $1 - k; exit }' "$work/$name.slides"
  done <"$work/$name.keys" | median)
  echo "$name: slide period ${period} ms (2000 ms interval), key to next slide ${keys} ms," \
    "peak memory $((hwm / 1024)) MB, steady $((rss / 1024)) MB" \
    "(photos $(du -b "$work/$name"-[1-6].jpg | awk '{ s += $1 } END { printf "%.1f", s / 6 / 1048576 }') MB each)"
}

make_album 12mp 4000 3000
make_album 1024 1024 768
measure 12mp
measure 1024
