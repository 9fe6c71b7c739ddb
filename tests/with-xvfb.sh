#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs one test program on a real X server: Xvfb with the openbox window manager.
set -euo pipefail
# Xvfb picks a free display number itself and tells it once it listens:
# no race with another X server starting at the same time.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${wm:-} $xvfb 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 20 number <"$fifo" || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
display=:$number
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb "$@"
