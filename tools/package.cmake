# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
# The Debian package: `cpack -G DEB` in the build folder makes
# syrel_<version>_<arch>.deb from the install rules, for the /usr prefix.
set(CPACK_PACKAGE_NAME syrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Syrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop toy staging a fictional supercomputer's operator interface")
# Wrapped as the package's long description shows it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Syrel takes over the screen and stages the operator interface of Syrel,"
  "a supercomputer that exists only in fiction: its boot clip, its desktop,"
  "a translucent dock of tools and two consoles that speak French: the"
  "Debugger, the Scanner, which stages the virtualisation of a persona, and"
  "a video window of the emulated world."
  ""
  "Its pictures and clips are the project's own work, drawn and generated"
  "by its own code.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${SYREL_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Syrel developers <syrel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# xz packs the clips (their sound track above all) to a third of gzip; on
# one thread it takes minutes.
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_THREADS 0)
# Libraries from what the program links; the media plugins and fonts it
# only loads at run time from the list tools/dev.sh installs too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
file(STRINGS ${CMAKE_SOURCE_DIR}/tools/runtime-packages.txt SYREL_RUNTIME_PACKAGES REGEX "^[^#]")
list(JOIN SYREL_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
