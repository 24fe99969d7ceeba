#!/usr/bin/env bash
# Input for real, under Wine with xdotool: the screen saver ends on Esc, on
# any other key and on a mouse move of more than 5 pixels, but not on a move
# of 3; in the windowed player the arrows step through the photos and Space
# holds the show.
set -euo pipefail
native_albumpack=$1
windows_albumpack=$2
player=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
corpus="$root/../shared/corpus/images/jpeg/pillow"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
started=""
trap '[ -n "$started" ] && kill -9 "$started" 2>/dev/null; rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
cd "$work"
cp "$corpus/flower.jpg" one.jpg
cp "$corpus/hopper.jpg" two.jpg
cat >album.toml <<'TOML'
title = "按键测试"
transitions = []
[[photos]]
file = "one.jpg"
[[photos]]
file = "two.jpg"
[settings]
TimeInterval = 4.0
TOML
"$native_albumpack" build album.toml -o album.scr --stub "$player" >/dev/null
centre_x=$((screen_width / 2))
centre_y=$((screen_height / 2))
"$root/scripts/wine-run" "$windows_albumpack" render album.scr 1 full1.png \
  --size "${screen_width}x${screen_height}" >/dev/null

saver_until() {  # starts the screen saver, waits for photo 1, then runs "$@"
  xdotool mousemove "$centre_x" "$centre_y"
  start_album album.scr /S
  await full1.png 5 >/dev/null || fail "the screen saver shows no photo"
  sleep 0.3
  "$@"
}
saver_until xdotool key Escape
ended "$started" || fail "Esc did not end the screen saver"
saver_until xdotool key a
ended "$started" || fail "a key did not end the screen saver"
saver_until xdotool mousemove $((centre_x + 3)) "$centre_y"
sleep 1
kill -0 "$started" 2>/dev/null || fail "a 3-pixel mouse move ended the screen saver"
xdotool mousemove $((centre_x + 3)) $((centre_y + 8))
ended "$started" || fail "an 8-pixel mouse move did not end the screen saver"
echo "screen saver: ends on Esc, a key and an 8-pixel move; stays on a 3-pixel move"

# The windowed player: four fifths of the screen, centred.
width=$((screen_width * 4 / 5 / 4 * 4))
height=$((screen_height * 4 / 5 / 2 * 2))
area="${width}x${height}+$(((screen_width - width) / 2))+$(((screen_height - height) / 2))"
for n in 1 2; do
  "$root/scripts/wine-run" "$windows_albumpack" render album.scr "$n" "window$n.png" \
    --size "${width}x${height}" >/dev/null
done
start_album album.scr
await window1.png 5 "$area" >/dev/null || fail "the windowed player shows no photo 1"
xdotool key Right
await window2.png 2 "$area" >/dev/null || fail "→ did not show photo 2"
xdotool key Left
await window1.png 2 "$area" >/dev/null || fail "← did not show photo 1 again"
xdotool key space
sleep 5  # longer than the slide interval
awk "BEGIN { exit !($(difference window1.png "$area") < 0.01) }" || fail "Space did not hold the show"
xdotool key space
await window2.png 6 "$area" >/dev/null || fail "Space again did not resume the show"
xdotool key Escape
ended "$started" || fail "Esc did not end the windowed player"
started=""
echo "windowed player: → and ← step through the photos, Space holds and resumes, Esc ends"
