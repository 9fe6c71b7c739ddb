#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Runs one test program on a real X server: Xvfb with a window manager.
#   with-xvfb.sh [--wm openbox|xfwm4|mutter|kwin] [--size WxH] [--composite] PROGRAM [ARGS...]
# openbox at 1280x1024 unless told otherwise; --composite adds xcompmgr
# beside a window manager that does not composite by itself. The window manager runs in a
# D-Bus session of its own, as the desktops' managers expect one.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"   # stop, start_xvfb
wm_name=openbox size=1280x1024 composite=
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm_name=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --composite) composite=1; shift ;;
    *) break ;;
  esac
done
case "$wm_name" in
  openbox) wm_command=(openbox) ;;
  xfwm4) wm_command=(xfwm4 --compositor=on --replace) ;;
  mutter) wm_command=(mutter --x11 --replace --sm-disable) ;;
  kwin) wm_command=(env QT_QPA_PLATFORM=xcb kwin_x11 --replace) ;;
  *) echo "with-xvfb: unknown window manager $wm_name" >&2; exit 2 ;;
esac
log=$(mktemp) wm_log=$(mktemp) runtime=$(mktemp -d)
xvfb_pid='' wm='' bus='' cm=''
trap 'stop "$cm"; stop "$wm"; stop "$bus"; stop "$xvfb_pid"; rm -rf "$log" "$wm_log" "$runtime"' EXIT
start_xvfb "${size%x*}" "${size#*x}" "$log" || { echo "with-xvfb: Xvfb did not start: $(tail -3 "$log")" >&2; exit 1; }
export XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$runtime/config XDG_CACHE_HOME=$runtime/cache
{ read -r DBUS_SESSION_BUS_ADDRESS && read -r bus; } < <(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS
# Ready once it has said so on the root window (EWMH). A manager that falls
# over while starting (kwin_x11 now and then cannot reach the new server)
# is given two more tries.
for try in 1 2 3; do
  "${wm_command[@]}" >"$wm_log" 2>&1 &
  wm=$!
  for _ in $(seq 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break 2
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$wm" 2>/dev/null && break   # still starting after 30 s: judged below
  wait "$wm" 2>/dev/null || true
  echo "with-xvfb: $wm_name ended (try $try): $(tail -3 "$wm_log")" >&2
  wm=''
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "with-xvfb: $wm_name did not come up" >&2; exit 1; }
if [ -n "$composite" ]; then
  xcompmgr -n >/dev/null 2>&1 &
  cm=$!
fi
export SYREL_TEST_WM=$wm_name
export SYREL_XVFB_PID=$xvfb_pid   # tests that watch the server's own memory
QT_QPA_PLATFORM=xcb "$@"
