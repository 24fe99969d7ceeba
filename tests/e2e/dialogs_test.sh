#!/usr/bin/env bash
# The dialogs for real, under Wine with xdotool: "album.exe" without
# arguments shows the information window (left as dialogs-info.png in the
# build folder), whose "  播放  " plays the album and whose "  安装  "
# installs it; "album.scr /C" shows the configuration dialog with the
# album's information (dialogs-set.png), whose " 导出 " asks for a folder
# (the folder picker answered by keys: it opens on c:\, Return takes it)
# and the password, writes the photos, the song and its lyrics there, and
# says so in a message box that is painted (dialogs-exported.png).
set -euo pipefail
native_albumpack=$1
windows_albumpack=$2
player=$3
saver_dialog=$4
shots=${5:-}
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
corpus="$root/../shared/corpus"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
started=""
dialog=""
name="lantern-dialogs-test-$$"
system32="$WINEPREFIX/drive_c/windows/syswow64"
[ -d "$system32" ] || system32="$WINEPREFIX/drive_c/windows/system32"
installed="$system32/$name.Scr"
key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name.Scr"
exported=(1.MP3 1.LRC 1.JPG 2.JPG)
cleanup_prefix() {
  rm -f "$installed"
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  for f in "${exported[@]}"; do rm -f "$WINEPREFIX/drive_c/$f"; done
}
trap '[ -n "$started" ] && kill -9 "$started" 2>/dev/null; [ -n "$dialog" ] && kill -9 "$dialog" 2>/dev/null; cleanup_prefix; rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"
cleanup_prefix

cd "$work"
cp "$corpus/images/jpeg/pillow/flower.jpg" one.jpg
cp "$corpus/images/jpeg/pillow/hopper.jpg" two.jpg
cp "$corpus/lrc/derived/simple_crlf_utf8bom.lrc" song.lrc
head -c 50000 /dev/urandom >song.mp3
printf 'ID3' | dd of=song.mp3 conv=notrunc 2>/dev/null
cat >album.toml <<'TOML'
title = "对话测试"
author = "王五"
email = "me@example.com"
website = "http://example.com/"
description = "两张照片和一首歌"
rights = "(c) 2024"
transitions = []
[pictures]
logo = "two.jpg"
[[photos]]
file = "one.jpg"
[[photos]]
file = "two.jpg"
[[songs]]
file = "song.mp3"
lyrics = "song.lrc"
[settings]
TimeInterval = 4.0
EnableLyric = false
EnableExport = true
ExportPassword = "pw"
TOML
"$native_albumpack" build album.toml -o "$name.exe" --stub "$player" >/dev/null
cp "$name.exe" album.scr

# The window titled $1, waited for up to 10 s; its id in `window`.
await_window() {
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && return 0
    sleep 0.1
  done
  return 1
}
# The window's outer geometry: left, top, width, height.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  left=$X top=$Y w=$WIDTH h=$HEIGHT
}
# Clicks at (x, y) on the screen.
click() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 1
}
# The album's message box (a dialog window without a title), waited for up to
# 5 s; its area (WxH+X+Y) in `box`.
await_message_box() {
  local id
  box=""
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --classname '^album\.scr$' 2>/dev/null); do
      [ -z "$(xdotool getwindowname "$id")" ] || continue
      xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q DIALOG || continue
      eval "$(xdotool getwindowgeometry --shell "$id")"
      box="${WIDTH}x${HEIGHT}+$X+$Y"
      return 0
    done
    sleep 0.1
  done
  return 1
}
# Waits up to 2 s for the area $1 of the screen to be painted: its mean
# brightness is that of a light box, not of black.
await_painted() {
  local mean
  for _ in $(seq 10); do
    shot "$work/screen.png"
    mean=$(/usr/bin/convert "$work/screen.png" -crop "$1" +repage -format '%[fx:mean]' info:)
    awk "BEGIN { exit !($mean > 0.5) }" && return 0
    sleep 0.2
  done
  return 1
}
# The buttons sit in the band below the frame: the centre of their row is
# about 33 pixels above the window's outer bottom edge.
button_y() { echo $((top + h - 33)); }

start_album "$name.exe"
await_window "对话测试" || fail "album.exe without arguments shows no information window"
sleep 1
geometry
[ -n "$shots" ] && shot "$shots/dialogs-info.png"
[ "$w" -lt "$screen_width" ] || fail "the information window fills the screen"
click $((left + w / 2)) "$(button_y)"
width=$((screen_width * 4 / 5 / 4 * 4))
height=$((screen_height * 4 / 5 / 2 * 2))
area="${width}x${height}+$(((screen_width - width) / 2))+$(((screen_height - height) / 2))"
"$root/scripts/wine-run" "$windows_albumpack" render "$name.exe" 1 window1.png \
  --size "${width}x${height}" >/dev/null
if ! await window1.png 8 "$area" >/dev/null; then
  [ -n "$shots" ] && shot "$shots/dialogs-play.png"
  fail "  播放   did not play the album"
fi
xdotool key Escape
ended "$started" || fail "Esc did not end the player"
started=""
echo "information window: shown for album.exe, play plays the album"

wine "$saver_dialog" "$(winepath -w "$work/dialog.log")" "(无)" "$name" other \
  </dev/null >"$work/dialog.out" 2>&1 &
dialog=$!
sleep 1
start_album "$name.exe"
await_window "对话测试" || fail "no information window the second time"
sleep 1
geometry
click $((left + 50)) "$(button_y)"
for _ in $(seq 100); do [ -f "$installed" ] && break; sleep 0.1; done
[ -f "$installed" ] || fail "  安装   did not copy the saver to $installed"
ended "$started" || fail "the program did not end after installing"
started=""
cmp "$installed" "$name.exe" || fail "the installed saver differs from the album"
wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall entry"
for _ in $(seq 50); do [ -s "$work/dialog.log" ] && break; sleep 0.1; done
grep -q "selchange $name" "$work/dialog.log" || fail "the saver was not selected in the dialog"
ended "$dialog" || fail "the stand-in dialog did not end"
dialog=""
"$root/scripts/wine-run" "$installed" /UNINSTALL || fail "the remover exited with $?"
echo "information window: install installs the saver"

start_album album.scr /C
await_window "屏幕保护: 对话测试" || fail "album.scr /C shows no configuration dialog"
sleep 1
geometry
[ -n "$shots" ] && shot "$shots/dialogs-set.png"
xdotool mousemove $((left + w - 50)) "$(button_y)"
sleep 0.5
[ -n "$shots" ] && shot "$shots/dialogs-hover.png"
click $((left + w - 50)) "$(button_y)"
sleep 2
[ -n "$shots" ] && shot "$shots/dialogs-picker.png"
xdotool key Return  # the picker opened on c:\
sleep 1
xdotool type pw
sleep 0.5
[ -n "$shots" ] && shot "$shots/dialogs-password.png"
xdotool key Return
await_message_box || fail "the export showed no completion message"
await_painted "$box" || fail "the completion message at $box is not painted"
[ -n "$shots" ] && cp "$work/screen.png" "$shots/dialogs-exported.png"
xdotool key Return  # the completion message
for f in "${exported[@]}"; do
  [ -f "$WINEPREFIX/drive_c/$f" ] || fail "export did not write c:\\$f"
done
cmp "$WINEPREFIX/drive_c/1.JPG" one.jpg || fail "the exported photo differs"
cmp "$WINEPREFIX/drive_c/1.LRC" song.lrc || fail "the exported lyrics differ"
sleep 0.5
geometry
click $((left + 50)) "$(button_y)"
ended "$started" || fail " 退出  did not close the configuration dialog"
started=""
echo "configuration dialog: shown for /C, export writes the files into the chosen folder"
