// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "desktop.h"

#include "assets/art.h"
#include "closing.h"
#include "dock/dock.h"
#include "platform/accessible.h"
#include "processing.h"
#include "variables.h"

#include <QPainter>
#include <QResizeEvent>

using namespace platform;

DesktopPicture::DesktopPicture(QWidget *parent, qreal dpr) : QWidget(parent), m_dpr(dpr)
{
    setObjectName(QStringLiteral("Picture"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QPixmap DesktopPicture::picture() const { return art::desktop(m_dpr); }

void DesktopPicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.drawPixmap(0, 0, picture());   // at its logical size, never scaled
}

Desktop::Desktop() : Form(QStringLiteral("Desktop"))
{
    designWindow(QStringLiteral("Desktop"), BorderStyle::None, 10200, 5445, StartPosition::WindowsDefault, Qt::black);
    setMaximised(true);
    // A focused window that covers the screen is lifted by window managers
    // over every always-on-top window: the strip, the dock and the tools
    // would vanish under the picture at the first click on it.
    window()->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    Picture = new DesktopPicture(window(), window()->devicePixelRatioF());
    Picture->setGeometry(window()->rect());
    Picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    leaveOutOfAccessibleTree(Picture);   // a background, nothing to read
    struct Follow : QObject {
        DesktopPicture *pic;
        explicit Follow(DesktopPicture *p) : QObject(p), pic(p) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Resize)
                pic->setGeometry(QRect(QPoint(0, 0), static_cast<QResizeEvent *>(e)->size()));
            return false;
        }
    };
    window()->installEventFilter(new Follow(Picture));
}

void Desktop::Form_Load()
{
    Forms::load<Variables>();
    Forms::show<Processing>();
}

void Desktop::Form_Unload()
{
    Forms::unload<Dock>();
    Forms::unload<Closing>();
}

void Desktop::Form_QueryUnload(int &Cancel, int)
{
    // The same way out as the dock's exit icon, whether the dock is up yet or not.
    Cancel = 1;
    if (Dock *dock = Forms::find<Dock>(); dock && !dock->isUnloading())
        dock->Image9_Click();
    else
        Dock::ShutDown();
}
