# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Sourced by the scripts that run the program on a private X server.

# stop PID: stops one process we started, and reaps it.
stop() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# start_xvfb WIDTH HEIGHT LOG: starts Xvfb on a display number it picks
# itself and tells once it listens, so that two servers starting at once
# cannot take the same one. Sets DISPLAY and xvfb_pid; fails if none came up.
start_xvfb() {
  local fifo number=''
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/syrel-xvfb.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${1}x${2}x24" -nolisten tcp 3>"$fifo" >"$3" 2>&1 &
  xvfb_pid=$!
  read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  [ -n "$number" ] || return 1
  export DISPLAY=:$number
}
