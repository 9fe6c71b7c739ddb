// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The full-screen backdrop.  Its load starts the run (shared variables,
// then the transition strip); its unload tears down the dock and the notice.

#include "platform/forms.h"

#include <QWidget>

// Draws the picture at its own size from the top-left corner, black beyond.
// The picture is read only to be painted: the window keeps what was drawn,
// and it is seldom drawn again (a new screen size), so the run does not
// hold a second full-screen copy of it.
class DesktopPicture : public QWidget {
public:
    // `dpr`: the window's pixel density, which picks the drawing (art.h).
    DesktopPicture(QWidget *parent, qreal dpr);
    QPixmap picture() const;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    qreal m_dpr;
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
