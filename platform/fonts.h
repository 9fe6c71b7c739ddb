// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The windows ask for "Verdana" and "Lucida Console"; where those are not
// installed, metric-close free fonts stand in for them.
namespace platform {
void installFontSubstitutes();
}
