// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The Debugger console: information pages and commands that open and
// close the other tools.

#include "consolewindow.h"

class Debugger : public ConsoleWindow {
public:
    static constexpr const char *FormName = "Debugger";
    Debugger();
    void Form_Load() override;
    void Form_Unload() override;

protected:
    void RunCommand(QString line) override;

private:
    void add(const QString &line) { List1->AddItem(line); }
    void addAll(const QStringList &lines);
};
