// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// What the two consoles share: an output list, an input line that echoes
// each entered line after "Commande > " and hands it to the window's own
// interpreter, and a timer that keeps the newest line selected.

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/timer.h"

#include <QStringList>

class ConsoleWindow : public platform::Form {
public:
    struct Design {
        QString name;
        QString caption;
        int clientWidth, clientHeight;   // twips
        platform::StartPosition start;
        int listHeight;   // the input line lies below a strip of window background
        int textTop;
        bool textFirstInTabOrder;
    };

    explicit ConsoleWindow(const Design &design);

    void Text1_KeyPress(int KeyAscii);
    void Text1_KeyDown(int KeyCode);
    void Timer1_Timer();

    platform::ListBox *List1;
    platform::TextBox *Text1;
    platform::Timer *Timer1;
    QString CommandeText;

    // The lines entered in this window, oldest first.
    const QStringList &history() const { return m_history; }

protected:
    virtual void RunCommand(QString line) = 0;
    void banner(const QString &second);
    // Still the open console? A command that processes events may find it closed.
    bool stillOpen() const { return state() == State::Loaded; }

private:
    QStringList m_history;
    int m_recall = 0;
};
