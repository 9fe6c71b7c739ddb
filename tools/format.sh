#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# The C++ sources follow .clang-format (clang-format 14, as in Debian 12).
#   tools/format.sh --check   fails and shows where a source differs
#   tools/format.sh --fix     reformats them in place
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:---check}
cd "$here"
command -v clang-format >/dev/null || { echo "format: clang-format is missing (apt-get install clang-format)" >&2; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -u)
else
  mapfile -t files < <(find . -type f \( -name '*.cpp' -o -name '*.h' \) -not -path './build*' | sed 's#^\./##' | sort)
fi
existing=()
for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
case "$mode" in
  --check)
    if ! clang-format --dry-run --Werror "${existing[@]}"; then
      echo "format: $(clang-format --version | head -1); reformat with: bash tools/format.sh --fix" >&2
      exit 1
    fi
    echo "format: ${#existing[@]} C++ sources follow .clang-format"
    ;;
  --fix) clang-format -i "${existing[@]}" ;;
  *) echo "usage: $0 --check|--fix" >&2; exit 2 ;;
esac
