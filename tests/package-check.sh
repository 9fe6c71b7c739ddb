#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Builds the Debian package from a build folder, installs it as a user
# would (apt-get install ./syrel_*.deb), starts `syrel` from PATH in an
# unrelated folder under Xvfb and openbox, checks that it plays its boot
# clip from its own folder, reaches the dock and ends with status 0 after a
# click on the exit icon, then purges the package and checks that nothing
# it installed is left.
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

# What it must hold, relative to the root.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#; s#/$##' | grep . >"$tmp/contents"
app_id=$(grep -o '/usr/share/applications/[^/]*\.desktop$' "$tmp/contents" | head -1 | xargs -r basename | sed 's/\.desktop$//')
[ -n "$app_id" ] || die "no desktop entry in the package"
home=$(grep -m1 '/syrel/Boot\.avi$' "$tmp/contents" | xargs -r dirname)
[ -n "$home" ] || die "no clips in the package"
for f in /usr/bin/syrel $home/syrel $home/Boot.avi $home/Syrel.avi $home/5eme.avi \
  /usr/share/metainfo/$app_id.metainfo.xml /usr/share/icons/hicolor/256x256/apps/$app_id.png \
  /usr/share/icons/hicolor/16x16/apps/$app_id.png /usr/share/doc/syrel/copyright; do
  grep -qx "$f" "$tmp/contents" || die "the package lacks $f"
done

# --- installed for real, or unpacked ---------------------------------------------------
root=''
if [ -n "${SYREL_PACKAGE_UNPACK:-}" ]; then
  why="SYREL_PACKAGE_UNPACK is set"
elif [ "$(id -u)" -ne 0 ]; then
  why="not root"
elif dpkg-query -W -f='${Status}' syrel 2>/dev/null | grep -q 'install ok installed'; then
  why="a syrel package is installed already"
elif [ -e /usr/bin/syrel ] || [ -e $home ]; then
  why="/usr/bin/syrel or $home is there already"
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
  program=$(command -v syrel) || die "syrel is not on PATH"
  [ "$program" = /usr/bin/syrel ] || die "syrel on PATH is $program, not /usr/bin/syrel"
else
  say "unpacked, not installed ($why)"
  root=$tmp/root
  dpkg-deb -x "$deb" "$root"
  program=$root/usr/bin/syrel
fi
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || die "desktop entry"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$tmp/as.log" 2>&1 ||
  { cat "$tmp/as.log" >&2; die "metainfo"; }
grep -qx 'Exec=syrel' "$root/usr/share/applications/$app_id.desktop" || die "the desktop entry does not run syrel"
clips=$(dirname "$(readlink -f "$program")")
[ "$clips" = "$root$home" ] || die "$program leads to $clips, not $root$home"

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
# The boot clip is open from the program's own folder (it plays for 6 s).
boot_clip_open() { ls -l "/proc/$app_pid/fd" 2>/dev/null | grep -q -- "-> $clips/Boot.avi$"; }
clip_or_desktop() { boot_clip_open || shown '^Desktop$'; }

work=$tmp/elsewhere
mkdir -p "$work" "$tmp/runtime"
chmod 700 "$tmp/runtime"
# Without a sound server GStreamer now and then gives up on a clip as it
# starts and the run goes on to the desktop; such a run proves nothing about
# the clips, so it gets another go.
for attempt in 1 2 3; do
  (cd "$work" && XDG_RUNTIME_DIR="$tmp/runtime" PATH="$(dirname "$program"):$PATH" exec syrel) >"$tmp/syrel.log" 2>&1 &
  app_pid=$!
  wait_for 20 clip_or_desktop || { cat "$tmp/syrel.log" >&2; die "neither the boot clip nor the desktop came"; }
  boot_clip_open && break
  say "the boot clip was not seen open (attempt $attempt of 3)"
  stop "$app_pid"; app_pid=''
done
[ -n "$app_pid" ] || die "the program never opened $clips/Boot.avi"
say "started from $work; playing $clips/Boot.avi"
wait_for 30 shown '^Desktop$' || die "the desktop did not appear"
wait_for 30 shown '^ $' || die "the dock did not appear"    # captioned with one space
sleep 0.5
# The exit icon, at its place on the dock: x = W/2 - 250, y = (H*15 - 1400)/15.
xdotool mousemove $((W / 2 - 250 + 456)) $(((H * 15 - 1400) / 15 + 39)) click 1
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
