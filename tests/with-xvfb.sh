#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs one test program on a real X server: Xvfb with the openbox window manager.
set -euo pipefail
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${wm:-} $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb "$@"
