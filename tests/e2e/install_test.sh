#!/usr/bin/env bash
# Installing and removing for real, under Wine: "album.exe /INSTALL" copies the
# saver into the 32-bit system folder, writes the uninstall entry, installs the
# album's font that the system lacked (GDI+ finds the family afterwards) and
# selects the saver in the open screen-saver dialog; "album.scr /UNINSTALL"
# from the installed copy deletes the file about a second later and removes
# the entry.
set -euo pipefail
native_albumpack=$1
player=$2
saver_dialog=$3
font_probe=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
corpus="$root/../shared/corpus"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
dialog=""
trap '[ -n "$dialog" ] && kill -9 "$dialog" 2>/dev/null; cleanup_prefix; rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
# shellcheck source=tests/e2e/lib.sh
source "$here/lib.sh"

name="lantern-install-test-$$"
system32="$WINEPREFIX/drive_c/windows/syswow64"
[ -d "$system32" ] || system32="$WINEPREFIX/drive_c/windows/system32"
installed="$system32/$name.Scr"
key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name.Scr"
family="Test TTF"
cleanup_prefix() {
  rm -f "$installed"
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wine reg delete "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts" /v "$family" /f \
    >/dev/null 2>&1 || true
  find "$WINEPREFIX/drive_c/users" -maxdepth 4 -iname PemoFont -type d -exec rm -rf {} + 2>/dev/null || true
}
cleanup_prefix
"$root/scripts/wine-run" "$font_probe" "$family" && fail "the prefix already has $family"

cd "$work"
cp "$corpus/images/jpeg/pillow/flower.jpg" one.jpg
cp "$corpus/fonts/fonttools/TestTTF.ttf" font.ttf
cat >album.toml <<TOML
title = "安装测试"
fonts = ["font.ttf"]
[[styles]]
font = "$family"
[[photos]]
file = "one.jpg"
TOML
"$native_albumpack" build album.toml -o "$name.exe" --stub "$player" >/dev/null

wine "$saver_dialog" "$(winepath -w "$work/dialog.log")" "(无)" "$name" other \
  </dev/null >"$work/dialog.out" 2>&1 &
dialog=$!
sleep 1
"$root/scripts/wine-run" "$name.exe" /INSTALL || fail "the installer exited with $?"
[ -f "$installed" ] || fail "the saver was not copied to $installed"
cmp "$installed" "$name.exe" || fail "the installed saver differs from the album"
uninstall=$(wine reg query "$key" /v UninstallString 2>/dev/null | tr -d '\r' | grep UninstallString)
case "$uninstall" in
  *"$name.Scr\" /uninstall") ;;
  *) fail "no uninstall entry: $uninstall" ;;
esac
"$root/scripts/wine-run" "$font_probe" "$family" || fail "GDI+ does not find $family after installing"
for _ in $(seq 50); do [ -s "$work/dialog.log" ] && break; sleep 0.1; done
grep -q "selchange $name" "$work/dialog.log" || fail "the saver was not selected in the dialog"
ended "$dialog" || fail "the dialog did not end"
dialog=""
echo "install: copied, entry written, font usable, saver selected"

"$root/scripts/wine-run" "$installed" /UNINSTALL || fail "the remover exited with $?"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
for _ in $(seq 50); do [ -f "$installed" ] || break; sleep 0.1; done
[ -f "$installed" ] && fail "the installed saver was not deleted"
cleanup_prefix
echo "uninstall: file deleted after the delay, entry removed"
