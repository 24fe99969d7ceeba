# shellcheck shell=bash
# Shared by the benchmarks that run the player itself under Wine: sourced
# after scripts/wine-env, on the X display scripts/with-display provides, with
# the project's root as the current folder.

read -r screen_width screen_height < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')

# Starts album $1 as the screen saver; its process is then $player_pid. The X
# pointer goes to the screen's centre first, where Wine starts its own cursor:
# a screen saver closes when the mouse moves.
start_player() {
  xdotool mousemove $((screen_width / 2)) $((screen_height / 2))
  wine "$1" /S </dev/null >/dev/null 2>&1 &
  player_pid=$!
  player_started=$SECONDS
}

# Sets $memory to field $1 (VmHWM, VmRSS) of the player's /proc status, in kB.
# The player must still run: read from a process that is gone, the figure
# would be nothing (it was printed as 0 MB). The benchmark stops instead and
# says when the player ended and its exit status. One way it ends early: the
# Wine server of its prefix is stopped (`wineserver -k`, which
# scripts/with-display runs when it starts and when it ends), and its programs
# end with status 1; so benchmarks run beside other Wine runs need a prefix
# of their own (LANTERN_WINEPREFIX).
read_memory() {
  memory=$(awk -v f="$1:" '$1 == f { print $2 }' "/proc/$player_pid/status" 2>/dev/null || true)
  [ -n "$memory" ] && return 0
  local status=0
  wait "$player_pid" 2>/dev/null || status=$?
  echo "the player (process $player_pid) ended $((SECONDS - player_started)) s after its start," \
    "before its memory was read: exit status $status" >&2
  exit 1
}

# Asks the running player titled $1 to close and waits for its end (10 s at
# most, then it is killed).
close_player() {
  scripts/wine-run build/win32/bin/close_window.exe LanternForm "$1" >/dev/null || true
  for _ in $(seq 100); do kill -0 "$player_pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$player_pid" 2>/dev/null || true
  wait "$player_pid" 2>/dev/null || true
}
