#!/usr/bin/env bash
# The time from a close to the player's process ending, under Wine, with the
# show in each state: waiting out a slide, inside a transition, inside a
# headline's text effect, while a long song is extracted, while the worker
# decodes the slide's photo and while the interface thread's picture (the
# background) is decoded. The worst case for a decode is a very large photo
# the system's decoder reads whole: an 8000x6000 progressive JPEG, which our
# reduced decoder refuses. The close is a key press (the screen saver, /S),
# sent a set time after the start, when the show is in that state; the end
# is seen by polling the process every 5 ms. The close comes a set time
# after the player's window appears (while the screen is still black: a song
# being extracted, a photo being decoded, before its scaling) or after the
# slide reaches the screen's centre (the transition half-way, the headline
# fading in). Each state runs three times.
# Run by scripts/bench on an X display from scripts/with-display; needs
# build/native/bin/albumpack and build/win32/bin/lantern.exe (another player
# may be given as $1, to compare).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# shellcheck source=scripts/wine-env
source scripts/wine-env
albumpack=build/native/bin/albumpack
player="${1:-build/win32/bin/lantern.exe}"
nature=/usr/share/backgrounds/mate/nature
work=build/bench/close
mkdir -p "$work"
read -r width height < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')

# --- the pictures and the song ---
for p in Aqua Dune Garden; do
  [ -f "$work/$p.jpg" ] || /usr/bin/convert "$nature/$p.jpg" -resize '1600x1200!' -quality 90 \
    "$work/$p.jpg"
done
huge="$work/huge-progressive.jpg"
[ -f "$huge" ] || /usr/bin/convert "$nature/Storm.jpg" -resize '8000x6000!' -attenuate 0.2 \
  +noise Gaussian -interlace JPEG -quality 90 "$huge"
song="$work/long.wav"  # 200 MB of silence: extracted in 50 pieces
[ -f "$song" ] || python3 - "$song" <<'PY'
import struct, sys
n = 200 << 20
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + n) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 2, 44100, 176400, 4, 16) + b"data" + struct.pack("<I", n))
    block = bytes(1 << 20)
    for _ in range(n >> 20):
        f.write(block)
PY

# album NAME, then manifest lines after the photos and settings.
album() {
  local name=$1 first=$2
  shift 2
  {
    echo "title = \"关闭测试 $name\""
    printf '%s\n' "$@"
    printf '[[photos]]\nfile = "%s"\nheadline = "A headline to draw"\neffect = 1\nheadline_box = [100, 100, 1200, 200]\n' "$first"
    printf '[[photos]]\nfile = "Dune.jpg"\n[[photos]]\nfile = "Garden.jpg"\n'
  } >"$work/$name.toml"
}
album slide Aqua.jpg 'transitions = []' '[settings]' 'TimeInterval = 30.0' \
  'EnableHeadlineEffect = false'
album transition Aqua.jpg 'transitions = [36]' '[settings]' 'TimeInterval = 30.0' \
  'EnableHeadlineEffect = false'
album effect Aqua.jpg 'transitions = []' '[settings]' 'TimeInterval = 30.0' \
  'EnableHeadlineEffect = true'
album song Aqua.jpg 'transitions = []' '[[songs]]' 'file = "long.wav"' '[settings]' \
  'TimeInterval = 30.0' 'EnableHeadlineEffect = false'
album worker huge-progressive.jpg 'transitions = []' '[settings]' 'TimeInterval = 30.0' \
  'EnableHeadlineEffect = false'
album interface Aqua.jpg 'transitions = []' '[pictures]' 'background = "huge-progressive.jpg"' \
  '[settings]' 'TimeInterval = 30.0' 'EnableHeadlineEffect = false' 'BackGroundSet = "3"' \
  'BackgroundDrawScale = 4'

# Waits (15 s at most) until the screen's centre is not black.
wait_for_centre() {
  for _ in $(seq 300); do
    pixel=$(/usr/bin/import -silent -window root -crop "1x1+$((width / 2))+$((height / 2))" \
      -depth 8 txt:- | tail -1)
    case "$pixel" in *'#000000'*) sleep 0.02 ;; *) return 0 ;; esac
  done
}

# Waits (5 s at most) until album $1's window exists.
wait_for_window() {
  for _ in $(seq 500); do
    xdotool search --name "关闭测试 $1" >/dev/null 2>&1 && return 0
    sleep 0.01
  done
}

# Runs album $1 as the screen saver, presses a key $3 seconds after its
# window appears or its centre shows ($2: window, centre), and prints the
# milliseconds from the key to the process's end.
close_after() {
  xdotool mousemove $((width / 2)) $((height / 2))
  wine "$work/$1.scr" /S </dev/null >/dev/null 2>&1 &
  local pid=$! start end
  [ "$2" = window ] && wait_for_window "$1"
  [ "$2" = centre ] && wait_for_centre
  sleep "$3"
  start=$(date +%s%N)
  xdotool key Escape
  while kill -0 "$pid" 2>/dev/null; do sleep 0.005; done
  end=$(date +%s%N)
  wait "$pid" 2>/dev/null || true
  echo $(((end - start) / 1000000))
}

# state, album, from when, seconds from then to the close
states=(
  "waiting out a slide|slide|centre|1.5"
  "inside a transition (CurtainDrop)|transition|centre|0"
  "inside a headline's text effect|effect|centre|0.9"
  "extracting a 200 MB song|song|window|0.3"
  "the worker decoding the 8000×6000 progressive photo|worker|window|0.3"
  "the interface thread's background, that photo|interface|window|0.3"
)
for entry in "${states[@]}"; do
  IFS='|' read -r state name from delay <<<"$entry"
  (cd "$work" && "$root/$albumpack" build "$name.toml" -o "$name.scr" --stub "$root/$player") \
    >/dev/null
  times=()
  for _ in 1 2 3; do times+=("$(close_after "$name" "$from" "$delay")"); done
  echo "close to process end, ${state} (closed ${delay} s after the ${from}): ${times[*]} ms"
done
