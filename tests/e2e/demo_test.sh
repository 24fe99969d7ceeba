#!/usr/bin/env bash
# The Windows backend for real: the demo fills the screen with its test
# pattern, keys typed with xdotool arrive as key events during WaitMs, and Esc
# ends the program. Needs the X display that scripts/with-display provides.
set -euo pipefail
demo=$1
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/wine-env
source "$here/../../scripts/wine-env"
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
width=$screen_width height=$screen_height
# Wine's helper processes inherit the descriptors of the program that starts
# them (winepath may be the first of the run): keep them away from CTest's pipes.
log=$(winepath -w "$work/keys.log" 2>>"$work/wine.log")
wine "$demo" --log "$log" </dev/null >>"$work/wine.log" 2>&1 &
pid=$!

pixel() {  # prints the colour at x y of the screen as "R,G,B"
  shot "$work/now.png"
  /usr/bin/convert "$work/now.png" -crop "1x1+$1+$2" -depth 8 txt:- |
    sed -n '2p' | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'
}
# The first bar is white, the second yellow, the seventh blue; below, a checkerboard.
bar_y=$((height / 4))
for _ in $(seq 100); do
  [ "$(pixel $((width / 16)) "$bar_y")" = "255,255,255" ] && break
  sleep 0.1
done
shot "$work/screen.png"
[ -n "${LANTERN_SCREENSHOT:-}" ] && cp "$work/screen.png" "$LANTERN_SCREENSHOT"
check() {
  local got
  got=$(pixel "$1" "$2")
  [ "$got" = "$3" ] || fail "pixel ($1,$2) is $got, expected $3"
}
check $((width / 16)) "$bar_y" "255,255,255"
check $((width * 3 / 16)) "$bar_y" "255,255,0"
check $((width * 13 / 16)) "$bar_y" "0,0,255"
check $((width * 15 / 16)) "$bar_y" "0,0,0"
square_row=$(((height / 2 + 31) / 32))  # the first whole row of squares below the bars
square_y=$((square_row * 32 + 16))
if [ $((square_row % 2)) -eq 0 ]; then even="255,255,255" odd="0,0,0"; else even="0,0,0" odd="255,255,255"; fi
check 16 "$square_y" "$even"
check 48 "$square_y" "$odd"

xdotool key Right a
for _ in $(seq 50); do
  [ "$(wc -l <"$work/keys.log" 2>/dev/null || echo 0)" -ge 2 ] && break
  sleep 0.1
done
grep -q '^key 39 0$' "$work/keys.log" || fail "→ did not arrive: $(cat "$work/keys.log")"
grep -q '^key 65 0$' "$work/keys.log" || fail "A did not arrive"
kill -0 "$pid" 2>/dev/null || fail "the demo ended before Esc"

xdotool key Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the demo did not end on Esc"
wait "$pid" || fail "the demo exited with $?"
pid=""
echo "demo window: pattern, keys and Esc all as expected"
