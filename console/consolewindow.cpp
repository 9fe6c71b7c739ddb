// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "consolewindow.h"

#include "platform/dispatch.h"

#include <QScrollBar>

using namespace platform;

ConsoleWindow::ConsoleWindow(const Design &d) : Form(d.name)
{
    designWindow(d.caption, BorderStyle::FixedToolWindow, d.clientWidth, d.clientHeight, d.start, Qt::white);

    List1 = new ListBox(window(), QStringLiteral("List1"));
    placeTwips(List1, 0, 0, d.clientWidth, d.listHeight);
    List1->setFont(designFont(QStringLiteral("Lucida Console"), 8.25));
    List1->setFrameShape(QFrame::NoFrame);
    QPalette lp = List1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        lp.setColor(group, QPalette::Base, Qt::black);
        lp.setColor(group, QPalette::Text, Qt::white);
        lp.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        lp.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    List1->setPalette(lp);
    List1->setAccessibleName(QStringLiteral("Sortie"));
    // The list is disabled, and so is its scroll bar: without this it would
    // show in the light system grey on the black console once the list fills.
    QPalette bp = List1->verticalScrollBar()->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        bp.setColor(group, QPalette::Window, Qt::black);
        bp.setColor(group, QPalette::Base, Qt::black);
        bp.setColor(group, QPalette::Button, QColor(0x30, 0x30, 0x30));
        bp.setColor(group, QPalette::Light, QColor(0x48, 0x48, 0x48));
        bp.setColor(group, QPalette::Midlight, QColor(0x3c, 0x3c, 0x3c));
        bp.setColor(group, QPalette::Mid, QColor(0x24, 0x24, 0x24));
        bp.setColor(group, QPalette::Dark, QColor(0x18, 0x18, 0x18));
        bp.setColor(group, QPalette::Shadow, Qt::black);
        bp.setColor(group, QPalette::ButtonText, QColor(0x70, 0x70, 0x70));
        bp.setColor(group, QPalette::WindowText, QColor(0x70, 0x70, 0x70));
    }
    List1->verticalScrollBar()->setPalette(bp);

    Text1 = new TextBox(window(), QStringLiteral("Text1"));
    placeTwips(Text1, 0, d.textTop, d.clientWidth, 285);
    Text1->setFont(designFont(QStringLiteral("Verdana"), 8.25));
    QPalette tp = Text1->palette();
    tp.setColor(QPalette::Base, Qt::black);
    tp.setColor(QPalette::Text, QColor(0, 255, 0));
    Text1->setPalette(tp);
    Text1->setAccessibleName(QStringLiteral("Commande"));

    if (d.textFirstInTabOrder) {
        // Taking the list out and back puts it after the input line in the tab order.
        const QRect g = List1->geometry();
        List1->setParent(nullptr);
        List1->setParent(window());
        List1->setGeometry(g);
        List1->show();
    }
    List1->setFocusPolicy(Qt::NoFocus);
    List1->setEnabled(false);   // only the program appends and selects lines
    Text1->setFocus();
    window()->setFocusProxy(Text1);

    Timer1 = new Timer(window(), QStringLiteral("Timer1"), 100);
    onEvent(Timer1, &Timer::tick, this, &ConsoleWindow::Timer1_Timer, "Console.Timer1_Timer");
    connect(Text1, &TextBox::KeyPress, this,
            [this](int key) { runHandler("Console.Text1_KeyPress", [this, key] { Text1_KeyPress(key); }); });
    connect(Text1, &TextBox::KeyDown, this,
            [this](int key) { runHandler("Console.Text1_KeyDown", [this, key] { Text1_KeyDown(key); }); });
}

void ConsoleWindow::banner(const QString &second)
{
    List1->AddItem(QStringLiteral("Syrel Software Emulation. Version 1.0"));
    List1->AddItem(second);
    List1->AddItem(QString());
}

void ConsoleWindow::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii != 13)
        return;
    List1->AddItem(QStringLiteral("Commande > ") + Text1->Text());
    CommandeText = Text1->Text();
    if (!CommandeText.isEmpty())
        m_history << CommandeText;
    m_recall = int(m_history.size());
    Text1->setText(QString());
    RunCommand(CommandeText);
}

void ConsoleWindow::Text1_KeyDown(int KeyCode)
{
    // Up and Down walk through the lines entered earlier in this window.
    if (m_history.isEmpty())
        return;
    if (KeyCode == Qt::Key_Up && m_recall > 0) {
        Text1->setText(m_history.at(--m_recall));
    } else if (KeyCode == Qt::Key_Down && m_recall < m_history.size()) {
        ++m_recall;
        Text1->setText(m_recall < m_history.size() ? m_history.at(m_recall) : QString());
    }
}

void ConsoleWindow::Timer1_Timer() { List1->setListIndex(List1->ListCount() - 1); }
