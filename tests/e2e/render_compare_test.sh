#!/usr/bin/env bash
# One slide, two renderers: albums made here are rendered by the native
# albumpack (libjpeg-turbo, FreeType and HarfBuzz) and by albumpack.exe under
# Wine (GDI+), slide by slide, in every draw-scale mode of the photos, with a
# mask, a caption in the texture's pattern (Latin, Chinese and an emoji) and
# a headline in a gradient. The photo's area must match within 2 levels of
# mean absolute difference, and the text must lie in the same lines, each
# line's ink bounding box within a few pixels (slide-compare).
#
# Both sides draw with the album's packaged fonts: the headline with DejaVu
# Serif renamed "Lantern Test", a face the system does not have, so that
# albumpack.exe finds it only among the album's fonts; the caption with
# WenQuanYi Micro Hei, Latin and Chinese in one face (Wine's GDI+ takes no
# missing character from another face). Both are regular: a face without a
# bold member is emboldened differently on the two sides (ARCHITECTURE.md).
# The emoji is in neither face: the native renderer takes it from Symbola,
# Wine draws a missing-glyph box for each half of its UTF-16 pair. It stands
# in the middle of a centred line, so the two only move the line's ends by
# half the difference of their widths, which the tolerance covers.
set -euo pipefail
native_albumpack=$1
windows_albumpack=$2
stub=$3
compare=$4
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in "$native_albumpack" "$compare"; do
  [ -x "$tool" ] || fail "not built: $tool (build the native tree first)"
done
convert=/usr/bin/convert
photos=/usr/share/backgrounds/mate/nature

cd "$work"
# A photo smaller than the slide (every mode places it differently) and one
# larger (decoded reduced, shrunk), both 16:10 so that the areas below are
# whole pixels, and both with fine detail, so that a photo placed a pixel or
# two off shows as a difference of several levels.
$convert "$photos/RainDrops.jpg" -resize 640x400 -quality 92 small.jpg
cp "$photos/LadyBird.jpg" large.jpg
# The same length in every name record keeps the font's tables in place.
perl -0777 -pe 'for my $n (["DejaVu Serif", "Lantern Test"], ["DejaVuSerif", "LanternTest"]) {
    my ($from, $to) = @$n;
    s/\Q$from\E/$to/g;
    my ($wide_from, $wide_to) = map { join "", map { "\0$_" } split //, $_ } $from, $to;
    s/\Q$wide_from\E/$wide_to/g;
  }' /usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf >serif.ttf
cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc wqy.ttc
$convert -size 64x64 pattern:checkerboard -fill '#d09040' -colorize 50% texture.png
# The mask fades the slide's edges into the background.
$convert -size 464x336 xc:white -bordercolor black -border 24 -blur 0x8 mask.png

# album MODE FILE [SETTINGS…]: the manifest of an album whose photos are
# drawn in draw-scale mode MODE.
manifest() {
  cat <<TOML
title = "render compare"
fonts = ["serif.ttf", "wqy.ttc"]
[[styles]]
font = "WenQuanYi Micro Hei"
size = 28
style = 0
border_width = 2
pattern = 2
[[styles]]
font = "Lantern Test"
size = 44
style = 0
border_width = 1
pattern = 4
start_color = "#FFFFFF"
end_color = "#FFD080"
[pictures]
texture = "texture.png"
mask = "mask.png"
[[photos]]
file = "small.jpg"
position = [100, 80]
caption = "Lantern 灯笼 🌸 相册 photos"
caption_box = [102, 610, 820, 100]
headline = "Spring in the Garden"
headline_box = [112, 20, 800, 90]
effect = 0
style = 0
[[photos]]
file = "large.jpg"
position = [10, 20]
caption = "A caption that is too long for one line wraps onto 第二行 lines"
caption_box = [262, 560, 500, 170]
[settings]
CurrentMask = 1
ImgDrawScale = $1
${2:-}
TOML
}

# Where each photo lands on a 1024x768 slide in each mode (0 shrink to fit,
# 1 placed, 2 tiled, 3 fit, 4 stretched): X,Y,W,H.
declare -A area=(
  [0.1]="192,184,640,400" [0.2]="0,64,1024,640"
  [1.1]="100,80,640,400" [1.2]="10,20,1014,748"
  [2.1]="0,0,1024,768" [2.2]="0,0,1024,768"
  [3.1]="0,64,1024,640" [3.2]="0,64,1024,640"
  [4.1]="0,0,1024,768" [4.2]="0,0,1024,768"
)
# The areas searched for each slide's text (its boxes with room around them),
# each with the pixels its lines' ends may lie apart. The emoji's line: Wine's
# two boxes are 28 pixels wider than Symbola's glyph, which moves the centred
# line's ends 14 pixels out.
declare -A text_areas=([1]="60,0,904,130:3 60,580,904,160:17" [2]="200,520,624,248:3")

render_both() {  # album, slide, output name
  "$native_albumpack" render "$1" "$2" "native-$3.png" --size 1024x768 >/dev/null ||
    fail "the native render of $3 failed"
  "$root/scripts/wine-run" "$windows_albumpack" render "$1" "$2" "windows-$3.png" \
    --size 1024x768 >/dev/null || fail "the Windows render of $3 failed"
}

failures=0
check() {  # what, slide-compare arguments…
  local what=$1
  shift
  echo "== $what"
  "$compare" "$@" || { echo "^^ differs: $what"; failures=$((failures + 1)); }
}

for mode in 0 1 2 3 4; do
  manifest "$mode" >"text-$mode.toml"
  manifest "$mode" $'EnableCaption = false\nEnableHeadlineEffect = false' >"plain-$mode.toml"
  for kind in text plain; do
    "$native_albumpack" build "$kind-$mode.toml" -o "$kind-$mode.exe" --stub "$stub" >/dev/null
  done
  for slide in 1 2; do
    render_both "text-$mode.exe" "$slide" "text-$mode-$slide"
    render_both "plain-$mode.exe" "$slide" "plain-$mode-$slide"
    check "mode $mode, photo $slide" photo "native-plain-$mode-$slide.png" \
      "windows-plain-$mode-$slide.png" "${area[$mode.$slide]}" --limit 2
    for text_area in ${text_areas[$slide]}; do
      check "mode $mode, photo $slide, text in ${text_area%:*}" text \
        "native-text-$mode-$slide.png" "native-plain-$mode-$slide.png" \
        "windows-text-$mode-$slide.png" "windows-plain-$mode-$slide.png" "${text_area%:*}" \
        --tolerance "${text_area#*:}"
    done
  done
done
[ "$failures" -eq 0 ] || fail "$failures comparisons differ beyond their limits"
echo "render compare: photos and text of 10 slides agree between the two renderers"
