#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs the timings and costs under Xvfb with openbox, from a build folder
# (default: build/), and prints one table.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target syrel-bench syrel-qtplayer clips >/dev/null
command -v ffmpeg >/dev/null || { echo "run.sh: ffmpeg is needed (the CPU peer)" >&2; exit 1; }
display=:$((50 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
cd "$build"
DISPLAY=$display QT_LOGGING_RULES='qt.multimedia*=false' ./syrel-bench 2>/dev/null
