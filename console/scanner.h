// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The Scanner console: readies the system with "start" and stages the
// timed virtualisation of a persona.

#include "consolewindow.h"

class Scanner : public ConsoleWindow {
public:
    static constexpr const char *FormName = "Scanner";
    Scanner();
    void Form_Load() override;
    void Form_Unload() override;

    QString Started;

protected:
    void RunCommand(QString line) override;

private:
    void add(const QString &line) { List1->AddItem(line); }
    void start();
    void virtualise(const QString &line);
    void exit();
    // Processes pending events; false once this console has been closed meanwhile.
    bool pendingEvents();
    // A blocking pause; false once this console has been closed meanwhile.
    bool pause(int ms);
};
