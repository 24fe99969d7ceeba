#!/usr/bin/env bash
# Albums for real: the native album builder writes photos, a song, its lyrics,
# a font and button pictures into a copy of a Windows program; under Wine that
# program finds every item among its own resources (FindResourceW) and writes
# it back byte for byte. The Windows build of the builder, run under Wine,
# writes the same album byte for byte.
set -euo pipefail
native_albumpack=$1
windows_albumpack=$2
probe=$3
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
corpus="$root/../shared/corpus"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$native_albumpack" ] || fail "the native albumpack is not built: $native_albumpack"

cd "$work"
# The first file by name. sed reads the whole list: `head` would close the
# pipe after one line while sort may still be writing, and sort ended by that
# fails the pipeline (pipefail), now and then.
first() { find "$1" "$2" "$3" | sort | sed -n 1p; }
jpeg=$(first "$corpus/images/jpeg" -name '*.jpg')
png=$(first "$corpus/images/png" -name '*.png')
font=$(first "$corpus/fonts" -iname '*.ttf')
cp "$jpeg" "photo 1.jpg"
cp "$png" photo2.png
cp "$font" font.ttf
head -c 300000 /dev/urandom >song.mp3
printf 'ID3' | dd of=song.mp3 conv=notrunc 2>/dev/null
printf '[00:01.00]第一行\r\n[00:02.50]second line\r\n' >song.lrc
cat >album.toml <<'TOML'
title = "相册 test"
fonts = ["font.ttf"]
[buttons]
prev = "photo2.png"
[[photos]]
file = "photo 1.jpg"
caption = "一"
[[photos]]
file = "photo2.png"
[[songs]]
file = "song.mp3"
lyrics = "song.lrc"
TOML

"$native_albumpack" build album.toml -o album.exe --stub "$probe" >/dev/null
"$native_albumpack" check album.exe >/dev/null || fail "check reports problems"

mkdir out
"$root/scripts/wine-run" album.exe out "ImgNames(1)" "imgnames(2)" "btn_prev" "MusicNames(1)" \
  "MusicLyricFiles(1)" "ToInstallFont(1)" || fail "the album did not find its items (exit $?)"
cmp "out/ImgNames(1)" "photo 1.jpg" || fail "photo 1 differs"
cmp "out/imgnames(2)" photo2.png || fail "photo 2 differs"
cmp out/btn_prev photo2.png || fail "the button picture differs"
cmp "out/MusicNames(1)" song.mp3 || fail "the song differs"
cmp "out/MusicLyricFiles(1)" song.lrc || fail "the lyrics differ"
cmp "out/ToInstallFont(1)" font.ttf || fail "the font differs"
if "$root/scripts/wine-run" album.exe out "ImgNames(3)" >/dev/null; then
  fail "a missing item was reported as found"
fi

"$root/scripts/wine-run" "$windows_albumpack" build album.toml -o album-win.exe \
  --stub "$(winepath -w "$probe")" >/dev/null || fail "the Windows albumpack failed"
cmp album.exe album-win.exe || fail "the Windows albumpack wrote a different album"
# The Windows builder composes slide 1 as the player would, into a PNG.
"$root/scripts/wine-run" "$windows_albumpack" render album.exe 1 slide.png --size 320x240 >/dev/null ||
  fail "render failed"
[ "$(/usr/bin/convert slide.png -format '%wx%h' info:)" = "320x240" ] || fail "render wrote no 320x240 PNG"
colours=$(/usr/bin/convert slide.png -format '%k' info:)
[ "$colours" -gt 100 ] || fail "the rendered slide has only $colours colours: no photo"
echo "album resources: all items found under Wine, both builders write the same album, render works"
