#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Builds the Debian package from a build folder and has lintian judge it
# (no error, no warning), installs it as a user would (apt-get install
# ./syrel_*.deb), starts `syrel` from PATH in an unrelated folder under Xvfb
# and openbox, with a clip of the user's own in place of the boot clip;
# checks that it plays that one, then a demo clip from /usr/share/syrel in
# the viewer, that its windows' WM_CLASS is the desktop entry's, and that it
# ends with status 0 after a click on the exit icon; then purges the
# package and checks that nothing it installed is left.
#   tests/package-check.sh [builddir]
#
# Installing needs root. Run by anyone else, where a syrel package or
# program is installed already (it must not be replaced), or with
# SYREL_PACKAGE_UNPACK=1, the package is unpacked into a temporary folder and
# run from there instead.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
W=1280
H=1024

say() { printf 'package-check: %s\n' "$*"; }
die() { printf 'package-check: FAILED: %s\n' "$*" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/syrel-package.XXXXXX")
xvfb_pid='' wm_pid='' app_pid='' installed=''
apt() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -q "$@"; }
. "$(dirname "${BASH_SOURCE[0]}")/../tools/xvfb.sh"   # stop, start_xvfb
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  stop "$app_pid"; stop "$wm_pid"; stop "$xvfb_pid"
  [ -z "$installed" ] || apt purge syrel >/dev/null 2>&1 || true
  rm -rf "$tmp"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the package -------------------------------------------------------------------
rm -f "$build"/syrel_*.deb
(cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; die "cpack -G DEB"; }
debs=("$build"/syrel_*_*.deb)
[ -f "${debs[0]}" ] && [ ${#debs[@]} -eq 1 ] || die "expected one syrel_<version>_<arch>.deb in $build"
deb=${debs[0]}
arch=$(dpkg --print-architecture)
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "syrel_${version}_${arch}.deb" ] || die "unexpected file name $(basename "$deb")"
say "$(basename "$deb"): $(( $(stat -c %s "$deb") / 1024 )) KiB"
say "Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || die "section is not games"
lintian --fail-on error,warning --display-info "$deb" >"$tmp/lintian.log" 2>&1 ||
  { cat "$tmp/lintian.log" >&2; die "lintian"; }
say "lintian: no error, no warning ($(grep -c '^I: ' "$tmp/lintian.log" || true) informational tags)"

# What it must hold, relative to the root.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#; s#/$##' | grep . >"$tmp/contents"
app_id=$(grep -o '/usr/share/applications/[^/]*\.desktop$' "$tmp/contents" | head -1 | xargs -r basename | sed 's/\.desktop$//')
[ -n "$app_id" ] || die "no desktop entry in the package"
home=/usr/share/syrel
for f in /usr/games/syrel $home/Boot.avi $home/Syrel.avi $home/5eme.avi /usr/share/man/man6/syrel.6.gz \
  /usr/share/metainfo/$app_id.metainfo.xml /usr/share/icons/hicolor/256x256/apps/$app_id.png \
  /usr/share/icons/hicolor/16x16/apps/$app_id.png /usr/share/doc/syrel/copyright /usr/share/doc/syrel/changelog.gz; do
  grep -qx "$f" "$tmp/contents" || die "the package lacks $f"
done
! grep '^/usr/lib/' "$tmp/contents" || die "the package puts files under /usr/lib"

# --- installed for real, or unpacked ---------------------------------------------------
root=''
if [ -n "${SYREL_PACKAGE_UNPACK:-}" ]; then
  why="SYREL_PACKAGE_UNPACK is set"
elif [ "$(id -u)" -ne 0 ]; then
  why="not root"
elif dpkg-query -W -f='${Status}' syrel 2>/dev/null | grep -q 'install ok installed'; then
  why="a syrel package is installed already"
elif [ -e /usr/games/syrel ] || [ -e $home ]; then
  why="/usr/games/syrel or $home is there already"
else
  why=''
fi
if [ -z "$why" ]; then
  # Paths of the package present before it, so that shared folders may stay.
  while read -r p; do [ -e "$p" ] && echo "$p"; done <"$tmp/contents" >"$tmp/before" || true
  installed=yes
  apt install "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; die "apt-get install $deb"; }
  say "installed with apt-get"
  dpkg -L syrel | grep -v '^/\.$' >"$tmp/listed"
  # A user's PATH (login.defs, /etc/profile) has /usr/games; root's may not.
  program=$(PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games command -v syrel) ||
    die "syrel is not on a user's PATH"
  [ "$program" = /usr/games/syrel ] || die "syrel on PATH is $program, not /usr/games/syrel"
else
  say "unpacked, not installed ($why)"
  root=$tmp/root
  dpkg-deb -x "$deb" "$root"
  program=$root/usr/games/syrel
fi
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || die "desktop entry"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$tmp/as.log" 2>&1 ||
  { cat "$tmp/as.log" >&2; die "metainfo"; }
grep -qx 'Exec=syrel' "$root/usr/share/applications/$app_id.desktop" || die "the desktop entry does not run syrel"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$app_id.desktop")
[ -n "$wm_class" ] || die "the desktop entry has no StartupWMClass"
page=$root/usr/share/man/man6/syrel.6.gz
zcat "$page" | groff -ww -z -man 2>"$tmp/groff.log" && [ ! -s "$tmp/groff.log" ] ||
  { cat "$tmp/groff.log" >&2; die "the man page has warnings"; }
MANWIDTH=80 man -l "$page" 2>&1 | grep -q 'syrel - stage the operator interface' || die "man -l $page"
clips=$root$home
# The user's own boot clip, H.264 in MP4 under the demo clip's name.
data=$tmp/data
mkdir -p "$data/syrel"
ffmpeg -nostdin -loglevel error -f lavfi -i color=c=navy:s=320x240:r=25:d=8 -c:v libx264 -pix_fmt yuv420p \
  -f mp4 "$data/syrel/Boot.avi" || die "ffmpeg could not make the user's clip"
# Unpacked, the demo clips must come from the unpacked tree (found from
# the program's own folder), not from an installed copy.
xdg_dirs=${XDG_DATA_DIRS:-}
[ -z "$root" ] || xdg_dirs=$tmp/no-data

# --- a run, from an unrelated folder ------------------------------------------------
start_xvfb "$W" "$H" "$tmp/xvfb.log" || die "could not start Xvfb: $(tail -3 "$tmp/xvfb.log")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
openbox >"$tmp/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

now() { date +%s%N; }
# wait_for SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS
# or when the program has ended.
wait_for() {
  local limit=$1; shift
  local start; start=$(now)
  until "$@"; do
    kill -0 "$app_pid" 2>/dev/null || return 1
    (( ($(now) - start) / 1000000 < limit * 1000 )) || return 1
    sleep 0.05
  done
}
shown() { [ -n "$(xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null)" ]; }
# clip_open FILE: the program has FILE open.
clip_open() { ls -l "/proc/$app_pid/fd" 2>/dev/null | grep -q -- "-> $1$"; }
# The user's boot clip (it plays for 8 s), not the demo one.
boot_clip_open() { clip_open "$data/syrel/Boot.avi"; }
clip_or_desktop() { boot_clip_open || shown '^Desktop$'; }

work=$tmp/elsewhere
mkdir -p "$work" "$tmp/runtime"
chmod 700 "$tmp/runtime"
# Without a sound server GStreamer now and then gives up on a clip as it
# starts and the run goes on to the desktop; such a run proves nothing about
# the clips, so it gets another go.
for attempt in 1 2 3; do
  (cd "$work" && XDG_RUNTIME_DIR="$tmp/runtime" XDG_DATA_HOME="$data" XDG_DATA_DIRS="$xdg_dirs" \
    PATH="$(dirname "$program"):$PATH" exec syrel) >"$tmp/syrel.log" 2>&1 &
  app_pid=$!
  wait_for 20 clip_or_desktop || { cat "$tmp/syrel.log" >&2; die "neither the boot clip nor the desktop came"; }
  boot_clip_open && break
  say "the boot clip was not seen open (attempt $attempt of 3)"
  stop "$app_pid"; app_pid=''
done
[ -n "$app_pid" ] || die "the program never opened $data/syrel/Boot.avi"
say "started from $work; playing the user's $data/syrel/Boot.avi"
wait_for 30 shown '^Desktop$' || die "the desktop did not appear"
desktop=$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Desktop$' | head -1)
class=$(xprop -id "$desktop" WM_CLASS)
[[ $class == *", \"$wm_class\"" ]] || die "WM_CLASS is $class; the desktop entry says $wm_class"
wait_for 30 shown '^ $' || die "the dock did not appear"    # captioned with one space
sleep 0.5
# The dock's icons, at their places: x = W/2 - 250, y = (H*15 - 1400)/15.
dock_click() { xdotool mousemove $((W / 2 - 250 + $1)) $(((H * 15 - 1400) / 15 + 39)) click 1; }
dock_click 50   # the viewer, which plays the demo Syrel.avi
wait_for 20 clip_open "$clips/Syrel.avi" || die "the viewer did not open $clips/Syrel.avi"
say "the viewer plays $clips/Syrel.avi; WM_CLASS $class"
dock_click 456   # the exit icon
for _ in $(seq 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && die "the program was still running 30 s after the exit icon"
status=0
wait "$app_pid" || status=$?
app_pid=''
[ "$status" -eq 0 ] || { cat "$tmp/syrel.log" >&2; die "the program ended with status $status"; }
say "reached the dock and ended with status 0 after the exit icon"

# --- removal ---------------------------------------------------------------------
if [ -n "$installed" ]; then
  apt purge syrel >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log" >&2; die "apt-get purge syrel"; }
  installed=''
  left=()
  while read -r p; do
    { [ -e "$p" ] || [ -L "$p" ]; } && ! grep -qxF "$p" "$tmp/before" && left+=("$p")
  done <"$tmp/listed"
  ((${#left[@]} == 0)) || die "left after purge: ${left[*]}"
  dpkg-query -W syrel >/dev/null 2>&1 && die "dpkg still knows syrel"
  say "removed and purged; nothing left of its $(wc -l <"$tmp/listed") paths"
fi
say "ok"
