// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The world viewer: plays clips of the emulated world; its buttons and
// captions switch clips.  Failures of its load step and clip handlers are
// reported into the Debugger, opened beside it.

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/mediaplayer.h"

#include <QMap>

class Video : public platform::Form {
public:
    static constexpr const char *FormName = "Video";
    Video();
    ~Video() override;
    void Form_Load() override;
    void Form_Unload() override;
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Label7_Click();
    void Label8_Click();

    // Reports the failure being handled into the Debugger.
    void Erreur();

    // The failure being handled: its number and description.
    struct ErrObject {
        int Number = 0;
        QString Description;
    } Err;

    // The player group: element 0 is the hidden template, element 1 plays.
    platform::WindowsMediaPlayer *WindowsMediaPlayer1(int index) const;
    bool hasPlayer(int index) const { return m_players.contains(index); }
    void loadPlayer(int index);
    void unloadPlayer(int index);

    platform::CommandButton *Command3, *Command4, *Command5, *Command6, *Command7;
    platform::Label *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;

private:
    void playClip(const QString &clip);
    QMap<int, platform::WindowsMediaPlayer *> m_players;
};
