// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "variables.h"

using namespace platform;

Variables::Variables() : Form(QStringLiteral("Variables"))
{
    designWindow(QString(), BorderStyle::None, 1725, 90, StartPosition::WindowsDefault, Qt::white);
}

void Variables::Form_Load()
{
    Processing = QStringLiteral("Loading");
    FormVideo = QStringLiteral("Close");
    FormDebugger = QStringLiteral("Close");
    Scanner = QStringLiteral("Close");
    Dock = QStringLiteral("Slow");
}
