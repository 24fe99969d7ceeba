#!/usr/bin/env bash
# The preview under Wine: a stand-in for the display settings' little monitor
# starts the album with "/p" and its window handle. The preview's window fills
# the host's client area, shows photo 1 shrunk into it on black (read from a
# screenshot where the system shows it) and ends when the host window goes
# away. Prints the time from the start to the preview's window in the host
# (median of 5); its first photo follows 200 ms later.
set -euo pipefail
native_albumpack=$1
player=$2
preview_host=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
cd "$work"
# A wide photo: shrunk to the host's 320 pixels it leaves black above and below.
/usr/bin/convert -size 640x240 xc:'#d02020' wide.jpg
/usr/bin/convert -size 640x480 xc:'#2040d0' tall.jpg
cat >album.toml <<'TOML'
title = "预览测试"
transitions = []
[[photos]]
file = "wide.jpg"
[[photos]]
file = "tall.jpg"
TOML
"$native_albumpack" build album.toml -o album.scr --stub "$player" >/dev/null

# The colour of the screenshot's pixel at $1,$2 as "R G B".
pixel() {
  /usr/bin/convert shot.png -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:
}
near() {  # near "R G B" R G B: every channel within 40
  read -r r g b <<<"$1"
  awk "BEGIN { exit !(($r-$2)^2 < 1600 && ($g-$3)^2 < 1600 && ($b-$4)^2 < 1600) }"
}

"$root/scripts/wine-run" "$preview_host" album.scr 2.5 >host.txt &
host_pid=$!
sleep 2
shot shot.png
wait "$host_pid" || fail "the preview window did not appear or the saver did not end: $(cat host.txt)"
read -r _ x y w h < <(grep '^client' host.txt)
grep -q "^child LanternForm $x $y $((x + w)) $((y + h)) visible 1" host.txt ||
  fail "the preview window does not fill the host's client area: $(cat host.txt)"
grep -q '^ended 0' host.txt || fail "the saver did not end with the host: $(cat host.txt)"
# Wine 8 does not put a child window of another process on the screen (its
# drawing has no window surface to go to), so the photo is read from the
# screen only where the system shows it.
if grep -q '^first-photo-ms none' host.txt; then
  echo "preview: the system does not show another program's child window; pixels not checked"
else
  near "$(pixel $((x + w / 2)) $((y + h / 2)))" 208 32 32 || fail "no photo in the middle"
  near "$(pixel $((x + 2)) $((y + 2)))" 0 0 0 || fail "not black above the photo"
  near "$(pixel $((x + 2)) $((y + h / 2)))" 208 32 32 || fail "the photo does not reach the left edge"
fi

times=()
for _ in 1 2 3 4 5; do
  "$root/scripts/wine-run" "$preview_host" album.scr 3 >host.txt ||
    fail "run failed: $(cat host.txt)"
  times+=("$(awk '/^child-ms/ { print $2 }' host.txt)")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
echo "preview: window in the host after ${median} ms (median of 5: ${times[*]}), ends with the host"
