// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The full-screen backdrop.  Its load starts the run (shared variables,
// then the transition strip); its unload tears down the dock and the notice.

#include "platform/forms.h"

#include <QWidget>

// Draws the picture at its own size from the top-left corner, black beyond.
class DesktopPicture : public QWidget {
public:
    DesktopPicture(QWidget *parent, const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QPixmap m_picture;
};

class Desktop : public platform::Form {
public:
    static constexpr const char *FormName = "Desktop";
    Desktop();
    void Form_Load() override;
    void Form_Unload() override;
    void Form_QueryUnload(int &Cancel, int UnloadMode) override;

    DesktopPicture *Picture;
};
