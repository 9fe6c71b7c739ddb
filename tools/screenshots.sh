#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Takes the screenshots of the README: one picture of each stage of a run of
# Syrel, on a private X server with a window manager and a compositor.
#   tools/screenshots.sh [builddir] [outdir] [scale]
#   (defaults: build/, docs/screenshots/ and 1)
#
# With a scale (2, 1.25) the program runs with QT_SCALE_FACTOR on a screen
# that much larger, to look at the pictures on dense screens; the shots then
# go to <builddir>/screenshots-<scale>x/ unless an outdir is given, and are
# scaled to 960 x scale px wide.
#
# The run is driven with xdotool like a user would: wait for the boot clip,
# then the desktop and the dock, open the Scanner and the Debugger from the
# dock and type "help" in each, type "start" in the Scanner, click the exit
# icon. Every picture is taken with ImageMagick's `import -window root`,
# scaled to 960 px wide and saved with a 256-colour palette.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
scale=${3:-1}
[[ $scale =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "screenshots: error: scale must be a number, not $scale" >&2; exit 1; }
# Device pixels for N logical ones, rounded as Qt rounds window sizes.
px() { awk -v n="$1" -v s="$scale" 'BEGIN { printf "%d", n * s + 0.5 }'; }
if [ "$scale" = 1 ]; then out=${2:-$here/docs/screenshots}; else out=${2:-$build/screenshots-${scale}x}; fi
W=$(px 1280)
H=$(px 1024)

say() { printf 'screenshots: %s\n' "$*"; }
die() { printf 'screenshots: error: %s\n' "$*" >&2; exit 1; }

# --- what the script needs ----------------------------------------------------
declare -A package=([Xvfb]=xvfb [openbox]=openbox [xcompmgr]=xcompmgr [xdotool]=xdotool
  [import]=imagemagick [convert]=imagemagick [xwininfo]=x11-utils [xdpyinfo]=x11-utils)
missing=()
for tool in Xvfb openbox xcompmgr xdotool import convert xwininfo xdpyinfo; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if ((${#missing[@]})); then
  pkgs=$(for t in "${missing[@]}"; do echo "${package[$t]}"; done | sort -u | tr '\n' ' ')
  die "missing tools: ${missing[*]}. Install them with: sudo apt-get install -y --no-install-recommends ${pkgs% }"
fi
[ -x "$build/syrel" ] || die "no program at $build/syrel; build it first: cmake --build $build --target syrel clips"
[ -f "$build/Boot.avi" ] || die "no clips beside $build/syrel; make them with: cmake --build $build --target clips"
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# --- private X server, window manager, compositor; all gone on any exit ----------
tmp=$(mktemp -d "${TMPDIR:-/tmp}/syrel-shots.XXXXXX")
xvfb_pid='' wm_pid='' cm_pid='' app_pid=''
. "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"   # stop, start_xvfb
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  stop "$app_pid"; stop "$cm_pid"; stop "$wm_pid"; stop "$xvfb_pid"
  rm -rf "$tmp"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_xvfb "$W" "$H" "$tmp/xvfb.log" || die "could not start Xvfb: $(tail -3 "$tmp/xvfb.log")"
unset WAYLAND_DISPLAY
say "X server on $DISPLAY (${W}x${H})"

openbox >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
xcompmgr -n >"$tmp/xcompmgr.log" 2>&1 &
cm_pid=$!
sleep 1
kill -0 "$wm_pid" 2>/dev/null || die "openbox did not start: $(cat "$tmp/openbox.log")"
kill -0 "$cm_pid" 2>/dev/null || die "xcompmgr did not start: $(cat "$tmp/xcompmgr.log")"

# --- helpers ---------------------------------------------------------------------
now() { date +%s%N; }
ms_since() { echo $(( ($(now) - $1) / 1000000 )); }

# Visible windows whose title matches $1 and, optionally, whose logical size
# is $2 (WxH); at a fractional scale the device size may be a pixel off.
windows() {
  local w g
  for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    if [ -n "${2:-}" ]; then
      g=$(xwininfo -id "$w" 2>/dev/null | awk -v want="$2" -v s="$scale" '/^  Width:/{w=$2} /^  Height:/{h=$2}
        END { split(want, d, "x"); dw = w - d[1] * s; dh = h - d[2] * s
              print (dw * dw <= 1 && dh * dh <= 1) ? "yes" : "no" }')
      [ "$g" = yes ] || continue
    fi
    echo "$w"
  done
}
shown() { [ -n "$(windows "$@")" ]; }

# wait_for SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
wait_for() {
  local limit=$1; shift
  local start; start=$(now)
  until "$@"; do
    kill -0 "$app_pid" 2>/dev/null || return 1
    (( $(ms_since "$start") < limit * 1000 )) || return 1
    sleep 0.05
  done
}
gone() { ! shown "$@"; }

# Top-left corner of a window's client area, as "X Y".
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}'; }

# Pixel of the last raw grab, as "R G B" (0..255).
pixel() { convert "$tmp/raw.png" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]\n" info:; }

grab() { import -window root "$tmp/raw.png"; }
mkdir -p "$tmp/shots"
save() { # keep the last grab as $1.png; they go to $out together at the end
  convert "$tmp/raw.png" -resize "$(px 960)x" -strip +dither -colors 256 -define png:compression-level=9 "PNG8:$tmp/shots/$1.png"
  say "$1.png ($(( $(stat -c %s "$tmp/shots/$1.png") / 1024 )) KB)"
}
click() { xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click 1; }
typeline() { xdotool type --delay 60 "$1"; sleep 0.1; xdotool key Return; }

start_app() {
  mkdir -p "$tmp/runtime"; chmod 700 "$tmp/runtime"
  (cd "$build" && XDG_RUNTIME_DIR="$tmp/runtime" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale exec ./syrel) >"$tmp/syrel.log" 2>&1 &
  app_pid=$!
}

# --- 1. the boot clip --------------------------------------------------------------
# Without a sound server the media framework now and then gives up on the clip
# at its start, and the run goes on to the desktop at once; start again then.
for attempt in 1 2 3 4 5; do
  start_app
  wait_for 15 shown '^Form2$' || die "the boot window did not appear (log: $(tail -3 "$tmp/syrel.log"))"
  t0=$(now)
  sleep 2.6                                  # the clip lasts about 6 s; its text is up by now
  if gone '^Desktop$'; then
    grab
    # a frame of the clip: not plain black, and still no desktop after it
    lit=$(convert "$tmp/raw.png" -format '%[fx:mean>0.002?1:0]' info:)
    gone '^Desktop$' && [ "$lit" = 1 ] && break
  fi
  if shown '^Desktop$'; then why="the desktop came up at once"; else why="the screen stayed black"; fi
  say "the boot clip did not play ($why; attempt $attempt of 5), starting again"
  stop "$app_pid"; app_pid=''
  sleep 1
done
[ -n "$app_pid" ] || die "the boot clip never played through; see the program's messages"
save 1-boot

# --- 3. the dock over the desktop ---------------------------------------------------------
wait_for 20 shown '^Desktop$' || die "the desktop did not appear"
say "desktop after $(ms_since "$t0") ms of boot clip"
wait_for 10 shown '^ $' 500x74 || die "the dock did not appear"
wait_for 15 gone '^Processing$' || die "the progress strip did not go away"
sleep 0.5
dock=$(windows '^ $' 500x74 | head -1)
read -r dx dy < <(origin "$dock")
# Its place by design: x = W/2 - 250, y = (H*15 - 1400)/15 logical px.
ex=$(px 390)
ey=$(px 931)
(( dx >= ex - 1 && dx <= ex + 1 && dy >= ey - 2 && dy <= ey + 2 )) ||
  say "note: dock at $dx,$dy, expected $ex,$ey"
grab
# The dock's corners are black at opacity 180: with the compositor at work the
# desktop shows through them.
read -r r g b < <(pixel $((dx + 2)) $((dy + 2)))
(( r + g + b > 0 )) || die "no translucency on screen (dock corner is pure black); is the compositor working?"
save 3-dock

# Icons, relative to the dock's top-left corner.
viewer_icon=($((dx + $(px 50))) $((dy + $(px 39))))
debugger_icon=($((dx + $(px 119))) $((dy + $(px 39))))
scanner_icon=($((dx + $(px 185))) $((dy + $(px 41))))
exit_icon=($((dx + $(px 456))) $((dy + $(px 39))))

# --- 2. the progress strip (on its way to the Scanner) ------------------------------
# At start-up openbox keeps the strip under the full-screen desktop while it
# fills (it shows only once full, with the dock); on the way to the Scanner it
# is in view all along, so that is where it is taken.
click "${scanner_icon[@]}"
wait_for 5 shown '^Processing$' 577x85 || die "the Scanner icon did not start the progress strip"
sleep 0.4                                    # the bar fills in about 1 s
grab
strip=$(windows '^Processing$' 577x85 | head -1)
read -r sx sy < <(origin "$strip")
read -r r1 g1 b1 < <(pixel $((sx + $(px 20))) $((sy + $(px 40))))
read -r r2 g2 b2 < <(pixel $((sx + $(px 560))) $((sy + $(px 40))))
[ "$r1 $g1 $b1" != "$r2 $g2 $b2" ] || say "note: the strip looks empty or full in 2-strip.png"
save 2-strip

# --- 4. the two consoles -------------------------------------------------------------
wait_for 10 shown '^ $' 475x475 || die "the Scanner did not open"
wait_for 15 gone '^Processing$' || die "the progress strip did not go away"
scanner=$(windows '^ $' 475x475 | head -1)
xdotool windowactivate --sync "$scanner" 2>/dev/null || true
typeline help
sleep 0.5
click "${debugger_icon[@]}"
wait_for 5 shown '^Debugger$' 517x454 || die "the Debugger did not open"
debugger=$(windows '^Debugger$' 517x454 | head -1)
sleep 0.5
# It opens centred, under the Scanner's left edge: drag it by its title bar to
# the left, as one would, so that both consoles can be read.
read -r bx by < <(origin "$debugger")
read -r scx _ < <(origin "$scanner")
shift_left=$((bx + $(px 517) + 12 - scx))
if ((shift_left > 0)); then
  xdotool mousemove $((bx + 100)) $((by - 8)); sleep 0.2
  xdotool mousedown 1; sleep 0.2
  xdotool mousemove $((bx + 100 - shift_left / 2)) $((by - 8)); sleep 0.1
  xdotool mousemove $((bx + 100 - shift_left)) $((by - 8)); sleep 0.2
  xdotool mouseup 1; sleep 0.3
fi
xdotool windowactivate --sync "$debugger" 2>/dev/null || true
typeline help
sleep 0.6
grab
save 4-consoles

# --- 5. the world viewer with its colour legend ------------------------------------
read -r scx scy < <(origin "$scanner")
click $((scx + $(px 200))) $((scy + $(px 465)))          # the Scanner's input line
typeline start
wait_for 5 shown '^ $' 657x588 || die "\"start\" did not open the viewer"
sleep 1.5                                    # let the clip run a little
grab
save 5-viewer

# --- 6. the shutdown notice ------------------------------------------------------------
click "${exit_icon[@]}"
wait_for 5 shown '^Closing \.\.\.$' || die "the exit icon did not show the shutdown notice"
sleep 0.4                                    # the viewer is fading out, the consoles wait their turn
grab
save 6-shutdown
for _ in $(seq 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  say "note: the program was still running 20 s after the exit icon"
else
  wait "$app_pid" 2>/dev/null || true
  say "the program ended after the shutdown"
fi
app_pid=''
mv -f "$tmp"/shots/*.png "$out"/
say "pictures in $out"
