#!/usr/bin/env bash
# The player for real: an album made by the album builder, started as the
# screen saver under Wine, shows photo 1 full screen (compared with the slide
# the builder composes the same way), then photo 2 after the slide interval.
# A second copy started meanwhile closes the first and takes over; when the
# show is closed, its "~Pemo" folder is gone and the process has ended.
set -euo pipefail
native_albumpack=$1
windows_albumpack=$2
player=$3
close_window=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
corpus="$root/../shared/corpus/images/jpeg/pillow"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
width=$screen_width
height=$screen_height
cd "$work"
cp "$corpus/flower.jpg" one.jpg
cp "$corpus/hopper.jpg" two.jpg
head -c 100000 /dev/urandom >song.mp3
cat >album.toml <<'TOML'
title = "播放测试"
transitions = []
[[photos]]
file = "one.jpg"
caption = "一"
[[photos]]
file = "two.jpg"
[[songs]]
file = "song.mp3"
[settings]
TimeInterval = 3.0
MuteSound = true
TOML
"$native_albumpack" build album.toml -o album.scr --stub "$player" >/dev/null
for n in 1 2; do
  "$root/scripts/wine-run" "$windows_albumpack" render album.scr "$n" "slide$n.png" \
    --size "${width}x${height}" >/dev/null || fail "render of slide $n failed"
done

start_saver() {
  start_album album.scr /S
  pids+=("$started")
}
pemo() { find "$WINEPREFIX/drive_c/users" -maxdepth 4 -name '~Pemo*' 2>/dev/null; }
# Folders that earlier runs of the prefix left behind (a killed run leaves its
# own) are not this run's.
pemo | while read -r stale; do rm -rf "$stale"; done

xdotool mousemove $((width / 2)) $((height / 2))
start_saver
first=${pids[0]}
t1=$(await slide1.png 3) || fail "photo 1 did not appear within 3 s (difference $(difference slide1.png))"
echo "photo 1 on screen after ${t1} s"
[ -n "$(pemo)" ] || fail "no ~Pemo folder while the show runs"
t2=$(await slide2.png 4) || fail "photo 2 did not follow (difference $(difference slide2.png))"
echo "photo 2 on screen ${t2} s later"

start_saver
second=${pids[1]}
ended "$first" || fail "the first copy did not close when the second started"
await slide1.png 3 >/dev/null || fail "the second copy does not show photo 1"
kill -0 "$second" 2>/dev/null || fail "the second copy ended"

"$root/scripts/wine-run" "$close_window" LanternForm "屏幕保护: 播放测试" ||
  fail "no player window to close"
ended "$second" || fail "the player did not end when closed"
wait "$second" || fail "the player exited with $?"
[ -z "$(pemo)" ] || fail "the ~Pemo folder is still there: $(pemo)"
# The bare player holds no album: it ends at once, quietly, as does an album
# whose settings are cut short.
"$root/scripts/wine-run" "$player" /S || fail "the player without an album exited with $?"
echo "player: photo 1 after ${t1} s, photo 2 after the interval, instance check, clean end"
