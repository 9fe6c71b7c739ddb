# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# Removes what `cmake --install` put in place (honours DESTDIR), then the
# program's own folder once empty.
if(NOT EXISTS install_manifest.txt)
  message(FATAL_ERROR "Nothing installed from this build folder (no install_manifest.txt)")
endif()
file(STRINGS install_manifest.txt files)
foreach(f IN LISTS files)
  set(path "$ENV{DESTDIR}${f}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
endforeach()
file(GLOB left "$ENV{DESTDIR}${SYREL_HOME_FULL}/*")
if(NOT left AND EXISTS "$ENV{DESTDIR}${SYREL_HOME_FULL}")
  file(REMOVE_RECURSE "$ENV{DESTDIR}${SYREL_HOME_FULL}")
endif()
