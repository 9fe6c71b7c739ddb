#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs one test program on a real X server: Xvfb with the openbox window manager.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"   # stop, start_xvfb
log=$(mktemp)
xvfb_pid='' wm=''
trap 'stop "$wm"; stop "$xvfb_pid"; rm -f "$log"' EXIT
start_xvfb 1280 1024 "$log" || { echo "with-xvfb: Xvfb did not start: $(tail -3 "$log")" >&2; exit 1; }
export SYREL_XVFB_PID=$xvfb_pid   # tests that watch the server's own memory
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
QT_QPA_PLATFORM=xcb "$@"
