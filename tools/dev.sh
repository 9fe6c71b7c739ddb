#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Sets up, builds and runs Syrel, or its test suite, on Debian 12.
#   tools/dev.sh run    install what is missing, build, make the demo clips, start the program
#   tools/dev.sh test   install what is missing, build, run every test
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SYREL_BUILD:-$here/build}
mode=${1:-run}

packages=(cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libxcb1-dev libxcb-shm0-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libswscale-dev libavutil-dev libpulse-dev
  ffmpeg pulseaudio pulseaudio-utils xvfb xauth openbox xcompmgr x11-utils xdotool imagemagick
  dpkg-dev file desktop-file-utils appstream lintian man-db groff-base clang-format
  xfwm4 mutter kwin-x11 kwin-style-breeze
  python3-pyatspi at-spi2-core dbus-daemon dbus-session-bus-common)
# What the program needs at run time, shared with the Debian package's Depends.
mapfile -t -O "${#packages[@]}" packages < <(grep -v '^#' "$here/tools/runtime-packages.txt")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Another apt run (an unattended upgrade) may hold the lock for a while.
    apt-get -o DPkg::Lock::Timeout=900 update -q
    apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}"
  else
    echo "Some packages are missing. Run this once, then this command again:"
    echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}"
    exit 1
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs"

case "$mode" in
  run)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "Built $build/syrel, but there is no display to start it on."
      echo "Start it from a desktop session, or under Xvfb: xvfb-run -a $build/syrel"
      exit 1
    fi
    exec "$build/syrel"
    ;;
  test)
    # Licence headers and formatting of the sources.
    bash "$here/tools/spdx.sh" --check
    bash "$here/tools/format.sh" --check
    (cd "$build" && ctest --output-on-failure -j "$jobs")
    # The Debian package: built, installed, run from PATH, removed.
    bash "$here/tests/package-check.sh" "$build"
    # The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
    # Leak reports are off: the media framework keeps caches until exit.
    sanitized=${SYREL_SANITIZE_BUILD:-$build-sanitize}
    cmake -S "$here" -B "$sanitized" -DCMAKE_BUILD_TYPE=Debug -DSYREL_SANITIZE=ON >/dev/null
    cmake --build "$sanitized" -j "$jobs"
    # The screen reader's view is left out here: it judges what AT-SPI is
    # told, not memory, and the sanitized program is too slow for its waits.
    # So is the desktop matrix: tst_screen already drives the same code.
    (cd "$sanitized" && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure -j "$jobs" -E '^(tst_a11y|tst_desktop_.*)$')
    # The media engine's threads under ThreadSanitizer, through the tests
    # that drive the real engine.  Suppressions: tests/tsan.supp.
    tsan=${SYREL_TSAN_BUILD:-$build-tsan}
    cmake -S "$here" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSYREL_TSAN=ON >/dev/null
    cmake --build "$tsan" -j "$jobs" --target tst_player tst_badclips tst_sound clips
    (cd "$tsan" && TSAN_OPTIONS="suppressions=$here/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 history_size=7" \
      ctest --output-on-failure -R '^(tst_player|tst_badclips|tst_sound)$')
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
