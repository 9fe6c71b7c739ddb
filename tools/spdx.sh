#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Licence headers: every source file of the project starts with
#   SPDX-License-Identifier: GPL-3.0-or-later
#   SPDX-FileCopyrightText: 2026 The Syrel developers
# in its own comment syntax (after a #! line or an XML declaration).
#   tools/spdx.sh --check   list the files without them; fails if there are any
#   tools/spdx.sh --fix     add them where they are missing (a second run changes nothing)
# Files are those git knows (tracked, or new and not ignored), or every file
# outside the build folders when this is not a git checkout. A kind of file
# it does not know is an error: tell it below how that kind takes comments.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:---check}
[[ $mode == --check || $mode == --fix ]] || { echo "usage: $0 --check|--fix" >&2; exit 2; }
license='SPDX-License-Identifier: GPL-3.0-or-later'
copyright='SPDX-FileCopyrightText: 2026 The Syrel developers'

# The comment syntax of a file: //, #, <!-- or "none" (cannot carry one).
syntax() {
  case "$1" in
    *.cpp | *.h | *.hpp | *.cc) echo '//' ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.txt | *.desktop | *.desktop.in | \
      .gitignore | */.gitignore | .clang-format | */.clang-format | *.yaml | *.yml | *.py | *.toml | *.supp | .ci/*) echo '#' ;;
    *.xml | *.xml.in | *.qrc | *.svg) echo '<!--' ;;
    *.[1-9]) echo '.\"' ;;   # manual pages
    # Pictures, clips, JSON, the README and the licence texts themselves.
    *.png | *.jpg | *.ico | *.avi | *.json | *.md | LICENSE | app/copyright | app/changelog) echo none ;;
    *) if head -c 2 "$here/$1" | grep -q '^#!'; then echo '#'; else echo unknown; fi ;;
  esac
}

marked() { head -n 5 "$1" | grep -qF "$license" && head -n 5 "$1" | grep -qF "$copyright"; }

mark() { # $1 path, $2 syntax
  local file=$here/$1 tmp lines first
  case "$2" in
    '//') lines="// $license"$'\n'"// $copyright" ;;
    '#') lines="# $license"$'\n'"# $copyright" ;;
    '<!--') lines="<!-- $license -->"$'\n'"<!-- $copyright -->" ;;
    '.\"') lines=".\\\" $license"$'\n'".\\\" $copyright" ;;
  esac
  tmp=$(mktemp)
  first=$(head -n 1 "$file")
  if [[ $first == '#!'* || $first == '<?xml'* ]]; then
    { printf '%s\n%s\n' "$first" "$lines"; tail -n +2 "$file"; } >"$tmp"
  elif [[ $2 == '//' && -n $first ]]; then
    { printf '%s\n\n' "$lines"; cat "$file"; } >"$tmp"   # apart from the file's own opening comment
  else
    { printf '%s\n' "$lines"; cat "$file"; } >"$tmp"
  fi
  cat "$tmp" >"$file"   # keeps the file's mode
  rm -f "$tmp"
}

cd "$here"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard | sort -u)
else
  mapfile -t files < <(find . -type f -not -path './.git/*' -not -path './build*' -not -path './.cache/*' |
    sed 's#^\./##' | sort)
fi

missing=() unknown=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue   # deleted but not yet committed
  s=$(syntax "$f")
  case "$s" in
    none) continue ;;
    unknown) unknown+=("$f"); continue ;;
  esac
  marked "$f" && continue
  if [ "$mode" = --fix ]; then
    mark "$f" "$s"
    echo "spdx: marked $f"
  else
    missing+=("$f")
  fi
done

if ((${#unknown[@]})); then
  printf 'spdx: no comment syntax known for: %s\n' "${unknown[@]}" >&2
  echo "spdx: add the kind of file to syntax() in tools/spdx.sh" >&2
  exit 1
fi
if ((${#missing[@]})); then
  printf 'spdx: no licence header: %s\n' "${missing[@]}" >&2
  echo "spdx: add them with: bash tools/spdx.sh --fix" >&2
  exit 1
fi
[ "$mode" = --fix ] || echo "spdx: every source file carries its licence header"
