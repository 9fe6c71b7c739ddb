// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The command line, read before anything touches the display: --help and
// --version answer and end the run, any other option or argument is a
// mistake (status 2).

namespace commandline {

// The status to end with at once, or -1 when the session should start.
int handle(int argc, char *argv[]);

}   // namespace commandline
