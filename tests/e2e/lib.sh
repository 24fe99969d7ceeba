# Shared by the end-to-end tests of the player: sourced after `work` (a
# scratch folder) is set. Needs the X display scripts/with-display provides.

fail() { echo "FAIL: $*" >&2; exit 1; }

read -r screen_width screen_height < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')

# Screenshots read the root window in one request (ImageMagick's import).
# xwd reads every window of another visual or colormap on its own: it fails
# with BadMatch when one of Wine's layered windows (32 bits deep) is hidden or
# moved meanwhile, and, like ImageMagick's "x:" reader, it shows a message box
# over another window of its program black.

# A screenshot of the whole screen, or of its area $2 (WxH+X+Y), into picture $1.
shot() { /usr/bin/import -silent -window root ${2:+-crop "$2" +repage} "$1"; }

# The mean difference, 0 (same) to 1, between picture $1 and the screen's
# area $2 (WxH+X+Y; the whole screen when empty).
difference() {
  shot "$work/screen.ppm" "${2:-}"
  { /usr/bin/compare -metric MAE "$work/screen.ppm" "$1" null: 2>&1 || true; } |
    sed -E 's/.*\((.*)\).*/\1/'
}

# Waits up to $2 seconds for the screen (or area $3) to show picture $1;
# prints the seconds it took.
await() {
  local start now
  start=$(date +%s.%N)
  while :; do
    now=$(date +%s.%N)
    if awk "BEGIN { exit !($(difference "$1" "${3:-}") < 0.01) }"; then
      awk "BEGIN { printf \"%.2f\", $now - $start }"
      return 0
    fi
    awk "BEGIN { exit !($now - $start > $2) }" && return 1
    sleep 0.05
  done
}

# Waits up to 5 s for process $1 to end.
ended() {
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}

# Starts album $1 under Wine with the arguments that follow; the process id
# is left in `started`.
start_album() {
  local album=$1
  shift
  wine "$album" "$@" </dev/null >>"$work/wine.log" 2>&1 &
  started=$!
}
