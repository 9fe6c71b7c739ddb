// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The fixed pages the Debugger prints.

#include <QStringList>

namespace debuggerPages {
QStringList help();
QStringList systemCheck();
QStringList developers();
QStringList closeSyntax();
QStringList loadSyntax();
}   // namespace debuggerPages
