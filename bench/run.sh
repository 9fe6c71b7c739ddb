#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs the timings and costs under Xvfb with openbox, from a build folder
# (default: build/), and prints one table; the clip-switch rows twice, side
# by side: on an idle machine and beside the bench's own CPU load (--busy).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
# The peers: ffmpeg (the CPU floor), mpv's own player, and Qt's own player
# (Qt Multimedia, needed by the bench alone).
need=()
command -v ffmpeg >/dev/null || need+=(ffmpeg)
command -v mpv >/dev/null || need+=(mpv)
dpkg-query -W -f='${Status}' qt6-multimedia-dev 2>/dev/null | grep -q 'install ok installed' || need+=(qt6-multimedia-dev)
if ((${#need[@]})); then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${need[@]}" >/dev/null
  else
    echo "run.sh: the bench's peers are missing: sudo apt-get install -y --no-install-recommends ${need[*]}" >&2
    exit 1
  fi
fi
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" --target syrel-bench syrel-qtplayer clips >/dev/null
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
DISPLAY=$display QT_LOGGING_RULES='qt.multimedia*=false' PULSE_SERVER=unix:/nonexistent ./syrel-bench 2>/dev/null
