#!/usr/bin/env bash
# The recorded demo: the demo album played under Wine and recorded by
# scripts/record-album gives a video of the length and frame size the script
# reports, with a sound track that is not silence, whose frames show more
# than one slide and, between two of them, frames that are neither: a
# transition. Needs the X display that scripts/with-display provides.
set -euo pipefail
native_albumpack=$1
player=$2
seconds=${3:-20}
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$here/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$root/examples/demo/make-assets" "$work/album" >/dev/null
(cd "$work/album" && "$native_albumpack" build album.toml -o ../demo.scr --stub "$player" >/dev/null)
said=$("$root/scripts/record-album" "$work/demo.scr" "$work/demo.mp4" "$seconds" | tail -n 1)
echo "$said"
read -r size stated_seconds _ < <(echo "$said" |
  sed -E 's/^record-album: ([0-9]+x[0-9]+), ([0-9]+) s at ([0-9]+) frames.*/\1 \2 \3/')
[ "$stated_seconds" = "$seconds" ] || fail "the script says $stated_seconds s, asked for $seconds"
[ -s "$work/demo.webp" ] || fail "no preview beside the video"

probe() { ffprobe -v error -select_streams "$1" -show_entries "$2" -of csv=p=0 "$work/demo.mp4"; }
[ "$(probe v:0 stream=width,height | tr , x)" = "$size" ] || fail "frames are not $size"
duration=$(probe v:0 format=duration)
awk -v d="$duration" -v s="$seconds" 'BEGIN { exit !(d > s - 0.5 && d < s + 0.5) }' ||
  fail "the video lasts $duration s, not $seconds"
[ "$(probe a:0 stream=codec_name)" = "aac" ] || fail "no AAC sound track"
loudest=$(ffmpeg -nostdin -hide_banner -i "$work/demo.mp4" -vn -af volumedetect -f null - 2>&1 |
  sed -n 's/.*max_volume: \(-*[0-9.]*\) dB/\1/p')
awk -v v="$loudest" 'BEGIN { exit !(v > -40) }' || fail "the sound track is silent ($loudest dB)"

# Four small frames a second; d[i] is how far frame i is from frame i+1.
mkdir "$work/frames"
ffmpeg -nostdin -v error -i "$work/demo.mp4" -vf "fps=4,scale=160:-2" "$work/frames/%04d.png"
frames=("$work"/frames/*.png)
distance() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -E 's/.*\((.*)\)/\1/' || true; }
far() { awk -v d="$1" -v t="$2" 'BEGIN { exit !(d > t) }'; }
# A still stretch: at least three frames in a row that hardly change (a
# lyric line changing is a small change). Its middle frame stands for it.
stills=()
run=0
for ((i = 0; i + 1 < ${#frames[@]}; i++)); do
  if far "$(distance "${frames[i]}" "${frames[i + 1]}")" 0.03; then
    [ "$run" -ge 2 ] && stills+=("$((i - run / 2)):$((i - run)):$i")
    run=0
  else
    run=$((run + 1))
  fi
done
[ "$run" -ge 2 ] && stills+=("$((i - run / 2)):$((i - run)):$i")
slides=0
transitions=0
previous=""
for still in "${stills[@]}"; do
  IFS=: read -r middle first _ <<<"$still"
  if [ -n "$previous" ]; then
    IFS=: read -r before _ before_last <<<"$previous"
    if far "$(distance "${frames[before]}" "${frames[middle]}")" 0.1; then
      slides=$((slides + 1))
      for ((k = before_last + 1; k < first; k++)); do
        if far "$(distance "${frames[k]}" "${frames[before]}")" 0.05 &&
          far "$(distance "${frames[k]}" "${frames[middle]}")" 0.05; then
          transitions=$((transitions + 1))
          break
        fi
      done
    fi
  else
    slides=1
  fi
  previous=$still
done
[ "$slides" -ge 2 ] || fail "the video shows $slides distinct pictures"
[ "$transitions" -ge 1 ] || fail "no frames between two pictures that are neither of them"
echo "recorded demo: $size, $duration s, sound up to $loudest dB, $slides pictures, $transitions transitions"
