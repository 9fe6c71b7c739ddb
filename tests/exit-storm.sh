#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Starts the program many times on a display of its own (Xvfb and openbox)
# and ends it at the worst moments: during the strip's fade, while a clip
# opens, right after a clip is let go, during a fade, by the exit icon,
# Alt+F4, SIGTERM and the X server going away.  Every run must end within
# a few seconds with its expected status, and no sanitizer may speak.
#   tests/exit-storm.sh PROGRAM [ROUNDS]
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"   # stop, start_xvfb
program=$1
rounds=${2:-1}
failures=0
log=$(mktemp)
xvfb_pid='' wm='' pid=''
trap 'kill -9 $pid 2>/dev/null; stop "$wm"; stop "$xvfb_pid"; rm -f "$log" "$log".*' EXIT

display_up() {
  start_xvfb 1280 1024 "$log.x" || { echo "exit-storm: Xvfb did not start" >&2; exit 1; }
  openbox >/dev/null 2>&1 &
  wm=$!
}
display_down() { stop "$wm"; stop "$xvfb_pid"; wm='' xvfb_pid=''; }

# Waits for a viewable window of the program's of the given size, up to $3 s.
wait_window() {
  local deadline=$((SECONDS + $3)) w
  while ((SECONDS < deadline)); do
    for w in $(xdotool search --onlyvisible --pid "$pid" '' 2>/dev/null); do
      xwininfo -id "$w" 2>/dev/null | grep -q "Width: $1\$" &&
        xwininfo -id "$w" 2>/dev/null | grep -q "Height: $2\$" && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

click_dock() {   # the dock's icon at (x, y) within the dock, placed by its form
  xdotool mousemove $((1280 / 2 - 250 + $1)) $(((1024 * 15 - 1400) / 15 + $2)) click 1 >/dev/null 2>&1 || true
}

# Waits up to $1 s for the program to end; its status in $status.
wait_end() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    status=timeout
    kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  local s=$?
  [ "$status" = timeout ] || status=$s
}

run() {   # name, expected status, then the moves
  local name=$1 expected=$2
  shift 2
  status=''
  "$program" 2>"$log.err" &
  pid=$!
  if ! "$@"; then
    echo "exit-storm: $name: the program never got there" >&2
    tail -5 "$log.err" >&2
    kill -9 "$pid" 2>/dev/null
    failures=$((failures + 1))
    return
  fi
  wait_end 8
  if [ "$status" != "$expected" ] || grep -qE 'Sanitizer|runtime error' "$log.err"; then
    echo "exit-storm: $name: status $status (expected $expected)" >&2
    grep -E -A30 'Sanitizer|runtime error' "$log.err" | head -60 >&2
    failures=$((failures + 1))
  else
    echo "exit-storm: $name: ended with $status"
  fi
}

strip_then_exit() { wait_window 577 85 60 >/dev/null && wait_window 500 74 30 >/dev/null && click_dock 456 39; }
dock() { wait_window 500 74 90 >/dev/null; }
clip_opening_then_exit() { dock && click_dock 50 39 && sleep 0.05 && click_dock 456 39; }
clip_let_go_then_alt_f4() {
  dock && click_dock 50 39 && wait_window 657 588 20 >/dev/null && sleep 0.3 && click_dock 50 39 &&
    sleep 0.05 && xdotool windowactivate "$(wait_window 500 74 5)" 2>/dev/null && sleep 0.2 && xdotool key alt+F4
}
fade_then_exit() { dock && click_dock 119 39 && wait_window 517 454 20 >/dev/null && click_dock 119 39 && click_dock 456 39; }
term_in_boot() { sleep 1 && kill -TERM "$pid"; }
term_in_fade() { dock && click_dock 119 39 && wait_window 517 454 20 >/dev/null && click_dock 119 39 && sleep 0.2 && kill -TERM "$pid"; }
server_gone() { dock && click_dock 50 39 && wait_window 657 588 20 >/dev/null && sleep 0.5 && kill -9 "$xvfb_pid"; }

for ((round = 1; round <= rounds; round++)); do
  display_up
  run "exit icon during the strip's fade" 0 strip_then_exit
  run "exit icon while a clip opens" 0 clip_opening_then_exit
  run "Alt+F4 right after a clip is let go" 0 clip_let_go_then_alt_f4
  run "exit icon during a fade" 0 fade_then_exit
  run "SIGTERM during the boot clip" 143 term_in_boot
  run "SIGTERM during a fade" 143 term_in_fade
  run "the X server killed under a playing clip" 1 server_gone
  display_down
done
exit $((failures > 0))
