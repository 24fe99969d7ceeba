#!/usr/bin/env bash
# The windowed player's control bar for real, under Wine with xdotool: it
# appears when the pointer moves over the slide and hides after its idle
# time; its buttons step, pause and mute as their keys do, and stay above the
# player after a click; the size menu changes the window's size; Alt+Enter
# goes full screen and back, the bar following the window. Screenshots hold
# while the bar's window is hidden and shown over and over.
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
flicker=""
trap '[ -n "$flicker" ] && kill "$flicker"; [ -n "$started" ] && kill -9 "$started" 2>/dev/null; rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
cd "$work"
cp "$corpus/flower.jpg" one.jpg
cp "$corpus/hopper.jpg" two.jpg
sox -q -n -r 44100 -c 2 song.wav synth 60 sine 440 vol 0.1
lame --quiet song.wav song.mp3
cat >album.toml <<'TOML'
title = "控制条测试"
transitions = []
[[photos]]
file = "one.jpg"
[[photos]]
file = "two.jpg"
[[songs]]
file = "song.mp3"
[settings]
TimeInterval = 4.0
TOML
"$native_albumpack" build album.toml -o album.scr --stub "$player" >/dev/null

# Four fifths of the screen, centred; the bar's buttons are 32 pixels wide,
# the first three after the 96-pixel counter, the bar 360 pixels from the
# slide's right edge and 8 below its top.
width=$((screen_width * 4 / 5 / 4 * 4))
height=$((screen_height * 4 / 5 / 2 * 2))
left=$(((screen_width - width) / 2))
top=$(((screen_height - height) / 2))
for n in 1 2; do
  "$root/scripts/wine-run" "$windows_albumpack" render album.scr "$n" "window$n.png" \
    --size "${width}x${height}" >/dev/null
  # What shows below the bar: the slide without its top 48 rows.
  /usr/bin/convert "window$n.png" -crop "${width}x$((height - 48))+0+48" +repage "lower$n.png"
done
lower="${width}x$((height - 48))+$left+$((top + 48))"
bar_area() { echo "352x32+$(($1 + $3 - 360))+$(($2 + 8))"; }
button_x() { echo $((left + width - 360 + (($1 + 2) * 32) + 16)); }
button_y=$((top + 24))
# The window of the given size that this album shows ("WxH+X+Y"), mapped;
# its id in `found`.
mapped_window() {
  local id
  for id in $(xwininfo -root -children | awk '/album.scr/ {print $1}'); do
    xwininfo -id "$id" | awk -v want="$1" '
      /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} /Map State: IsViewable/ {v=1}
      END { if (v && w "x" h "+" x "+" y == want) found=1; exit !found }' && found=$id && return 0
  done
  return 1
}
# The bar's area differs from the slide below it (the bar is shown there).
bar_shown() {
  /usr/bin/convert window1.png -crop "352x32+$((width - 360))+8" +repage bar_under.png
  awk "BEGIN { exit !($(difference bar_under.png "$(bar_area "$left" "$top" "$width")") > 0.05) }"
}

xdotool mousemove $((left + 100)) $((top + height - 100))
start_album album.scr
await lower1.png 5 "$lower" >/dev/null || fail "the windowed player shows no photo 1"
xdotool key space  # hold the show while the bar is looked at
sleep 0.5
bar_shown || fail "the bar does not show when the player starts"
sleep 9
bar_shown && fail "the bar did not hide after its idle time"
# The first move marks where the pointer is; one of more than 10 pixels from
# there brings the bar back.
xdotool mousemove $((left + 140)) $((top + height - 140))
sleep 0.2
xdotool mousemove $((left + 100)) $((top + height - 100))
sleep 0.5
bar_shown || fail "the bar did not come back with the pointer"
echo "the bar shows at the start, hides after its idle time and comes back with the pointer"

click_button() {
  xdotool mousemove "$(button_x "$1")" "$button_y"
  sleep 0.3
  xdotool click 1
}
click_button 3
await lower2.png 3 "$lower" >/dev/null || fail "the next button did not show photo 2"
bar_shown || fail "the bar went behind the player after a click"
click_button 1
await lower1.png 3 "$lower" >/dev/null || fail "the previous button did not show photo 1"
sleep 5  # the show is held (Space above): nothing changes
awk "BEGIN { exit !($(difference lower1.png "$lower") < 0.01) }" || fail "the show did not stay held"
click_button 2
await lower2.png 7 "$lower" >/dev/null || fail "the pause button did not resume the show"
echo "the buttons step, hold and resume the show, and the bar stays above the player"

mute_area="32x32+$(($(button_x 4) - 16))+$((top + 8))"
xdotool mousemove "$(button_x 4)" "$button_y"  # the button lit, as while clicking it
sleep 0.5
shot "$work/screen.png"
/usr/bin/convert "$work/screen.png" -crop "$mute_area" +repage sound_on.png
click_button 4
sleep 0.5
awk "BEGIN { exit !($(difference sound_on.png "$mute_area") > 0.02) }" ||
  fail "the mute button did not change its picture"
click_button 4
sleep 0.5
awk "BEGIN { exit !($(difference sound_on.png "$mute_area") < 0.02) }" ||
  fail "the mute button did not come back"
echo "the mute button switches the music off and on"

# The size menu's first choice: half the screen.
click_button 7
sleep 0.5
xdotool mousemove $((left + width - 88 + 32)) $((top + 8 + 32 + 16))
sleep 0.3
xdotool click 1
half_w=$((screen_width * 5 / 10 / 4 * 4))
half_h=$((screen_height * 5 / 10 / 2 * 2))
half_left=$(((screen_width - half_w) / 2))
half_top=$(((screen_height - half_h) / 2))
for _ in $(seq 30); do
  mapped_window "352x32+$((half_left + half_w - 360))+$((half_top + 8))" && break
  sleep 0.2
done
mapped_window "352x32+$((half_left + half_w - 360))+$((half_top + 8))" ||
  fail "the size menu did not make the window half the screen with the bar following"
echo "the size menu makes the window half the screen; the bar follows"

xdotool key alt+Return
for _ in $(seq 30); do
  mapped_window "352x32+$((screen_width - 360))+8" && break
  sleep 0.2
done
mapped_window "352x32+$((screen_width - 360))+8" || fail "Alt+Enter did not go full screen"
xdotool key alt+Return
for _ in $(seq 30); do
  mapped_window "352x32+$((half_left + half_w - 360))+$((half_top + 8))" && break
  sleep 0.2
done
mapped_window "352x32+$((half_left + half_w - 360))+$((half_top + 8))" ||
  fail "Alt+Enter again did not come back to the window"
echo "Alt+Enter goes full screen and back; the bar follows"

# Screenshots hold while a layered window (the bar's, 32 bits deep) is hidden
# and shown over and over.
chain=()
for _ in $(seq 20); do chain+=(windowunmap "$found" windowmap "$found"); done
(while [ ! -e "$work/steady" ]; do xdotool "${chain[@]}" 2>/dev/null; done) &
flicker=$!
for n in $(seq 30); do
  shot "$work/flicker.png" || fail "screenshot $n failed while the bar was hidden and shown"
done
touch "$work/steady"
wait "$flicker"  # the bar is shown again
flicker=""
echo "screenshots hold while the bar is hidden and shown"
xdotool key Escape
ended "$started" || fail "Esc did not end the windowed player"
started=""
