// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "video.h"

#include "console/debugger.h"
#include "dock/dock.h"
#include "platform/accessible.h"
#include "platform/dispatch.h"
#include "platform/errors.h"
#include "shell/modwindowfunctions.h"
#include "shell/variables.h"

using namespace platform;

// Failures the viewer reports, as "ERROR : <number> - <description>":
//   340  the player element to play on does not exist (its creation failed);
//   360  the player element exists already;
//   9001 the media player component could not be created.
namespace {
const QString NoElement = QStringLiteral("Élément %1 du lecteur inexistant");
const QString ElementLoaded = QStringLiteral("Élément %1 du lecteur déjà chargé");

Label *makeLabel(QWidget *parent, const char *name, const char *caption, int left, int width, int height,
                 const char *colour, bool visible)
{
    auto *l = new Label(parent, QString::fromLatin1(name), QString::fromUtf8(caption));
    placeTwips(l, left, 7650, width, height);
    l->setFont(designFont(QStringLiteral("Verdana"), 8.25, true));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1String(colour)));
    l->setVisible(visible);
    return l;
}
}   // namespace

Video::Video() : Form(QStringLiteral("Video"))
{
    designWindow(QStringLiteral(" "), BorderStyle::FixedToolWindow, 9855, 8820, StartPosition::CenterScreen,
                 QColor(0x40, 0x40, 0x40));
    QWidget *w = window();
    w->setAccessibleName(QStringLiteral("Syrel World Viewer"));   // its caption is blank

    auto *p = new WindowsMediaPlayer(w, QStringLiteral("WindowsMediaPlayer1"));
    placeTwips(p, 0, 0, 9840, 7635);
    p->setURL(QString());
    p->autoStart = true;
    p->playCount = 999;
    p->uiMode = QStringLiteral("none");
    p->stretchToFit = true;
    p->setVolume(50);
    p->setMute(false);
    p->enableContextMenu = false;
    p->enableErrorDialogs = false;
    p->setFullScreen(false);
    p->setRate(1.0);
    p->balance = 0;
    p->currentPosition = 0;
    p->invokeURLs = true;
    p->setPlayerEnabled(true);
    p->windowlessVideo = false;
    p->hide();   // the template never plays
    p->setFocusPolicy(Qt::NoFocus);
    leaveOutOfAccessibleTree(p);
    m_players.insert(0, p);

    auto button = [w](const char *name, const char *caption, int left, int width) {
        auto *b = new CommandButton(w, QString::fromLatin1(name), QString::fromUtf8(caption));
        placeTwips(b, left, 8370, width, 330);
        // The classic 8-point system face; a narrow stand-in keeps the captions whole.
        b->setFont(designFont(QStringLiteral("MS Sans Serif"), 7.5));
        return b;
    };
    Command3 = button("Command3", "Tour Act.", 2205, 1095);
    Command4 = button("Command4", "Arrive des RW", 3330, 1095);
    Command5 = button("Command5", "Action 2", 4500, 1095);
    Command6 = button("Command6", "Action 3", 5670, 1095);
    Command7 = button("Command7", "Talvia", 6840, 915);

    Label7 = makeLabel(w, "Label7", "Analyse de la Zone 1", 0, 2040, 195, "#00FF00", true);
    Label8 = makeLabel(w, "Label8", "Analyse du 5eme Territoire", 7020, 2760, 195, "#00FF00", true);
    Label6 = makeLabel(w, "Label6", "LEGENDE :", 45, 1275, 240, "#FFFFFF", false);
    Label2 = makeLabel(w, "Label2", "BRAMEN", 1980, 825, 240, "#00FF00", false);
    Label3 = makeLabel(w, "Label3", "TALVIA", 2880, 735, 240, "#FF00FF", false);
    Label5 = makeLabel(w, "Label5", "ORIV", 3825, 600, 240, "#C0C000", false);
    Label1 = makeLabel(w, "Label1", "VORN", 8415, 600, 240, "#FF0000", false);
    Label4 = makeLabel(w, "Label4", "TOUR", 9225, 555, 240, "#804000", false);
    for (Label *l : {Label7, Label8}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setAccessibleName(l->text());
    }

    QWidget::setTabOrder(Command3, Command4);
    QWidget::setTabOrder(Command4, Command5);
    QWidget::setTabOrder(Command5, Command6);
    QWidget::setTabOrder(Command6, Command7);

    onEvent(Command3, &CommandButton::Click, this, &Video::Command3_Click, "Video.Command3_Click");
    onEvent(Command4, &CommandButton::Click, this, &Video::Command4_Click, "Video.Command4_Click");
    onEvent(Command5, &CommandButton::Click, this, &Video::Command5_Click, "Video.Command5_Click");
    onEvent(Command6, &CommandButton::Click, this, &Video::Command6_Click, "Video.Command6_Click");
    onEvent(Command7, &CommandButton::Click, this, &Video::Command7_Click, "Video.Command7_Click");
    onEvent(Label7, &Label::Click, this, &Video::Label7_Click, "Video.Label7_Click");
    onEvent(Label8, &Label::Click, this, &Video::Label8_Click, "Video.Label8_Click");
}

Video::~Video() = default;

WindowsMediaPlayer *Video::WindowsMediaPlayer1(int index) const
{
    WindowsMediaPlayer *p = m_players.value(index);
    if (!p)
        throw VbError(err::NoSuchElement, NoElement.arg(index));
    return p;
}

void Video::loadPlayer(int index)
{
    if (m_players.contains(index))
        throw VbError(err::ElementExists, ElementLoaded.arg(index));
    auto *p = new WindowsMediaPlayer(window(), QStringLiteral("WindowsMediaPlayer1"));
    p->setProperty("Index", index);
    p->copySettingsFrom(*m_players.value(0));
    p->setAccessibleName(QStringLiteral("Vidéo"));
    p->hide();
    try {
        p->createEngine();
    } catch (...) {
        delete p;
        throw;
    }
    // The playing element comes first in the tab order, then the buttons:
    // taking the buttons out and back puts them after it, in their order.
    for (CommandButton *b : {Command3, Command4, Command5, Command6, Command7}) {
        const QRect g = b->geometry();
        b->setParent(nullptr);
        b->setParent(window());
        b->setGeometry(g);
        b->show();
    }
    m_players.insert(index, p);
}

void Video::unloadPlayer(int index)
{
    WindowsMediaPlayer *p = WindowsMediaPlayer1(index);
    m_players.remove(index);
    p->release();
    p->hide();
    p->deleteLater();
}

void Video::Form_Load()
{
    try {
        Forms::get<Variables>().FormVideo = QStringLiteral("Open");
        Dock &dock = Forms::get<Dock>();
        Dock::light(dock.Image1, dock.Image1H);
        loadPlayer(1);
        WindowsMediaPlayer1(1)->setVisible(true);
        modWindowFunctions::SetWindowTopmost(hWnd(), true);
        WindowsMediaPlayer1(1)->setURL(QStringLiteral("Syrel.avi"));
    } catch (const VbError &e) {
        Err = {e.number(), e.description()};
        Erreur();
    }
}

void Video::Form_Unload()
{
    Forms::get<Variables>().FormVideo = QStringLiteral("Close");
    Dock &dock = Forms::get<Dock>();
    Dock::light(dock.Image1, dock.Image11);
    // A viewer whose player could not be made still closes with its fade.
    if (hasPlayer(1))
        unloadPlayer(1);
    modWindowFunctions::FadeWindow(hWnd(), 255, 0, 5);
}

void Video::playClip(const QString &clip)
{
    try {
        WindowsMediaPlayer1(1)->setURL(clip);
    } catch (const VbError &e) {
        Err = {e.number(), e.description()};
        Erreur();
    }
}

void Video::Command3_Click() { playClip(QStringLiteral("Map-Vide-Tour.avi")); }
void Video::Command4_Click() { playClip(QStringLiteral("Map-3-Position.avi")); }
void Video::Command5_Click() { playClip(QStringLiteral("Map-2-2-1-Action.avi")); }
void Video::Command6_Click() { playClip(QStringLiteral("Map-3-1-Action.avi")); }
void Video::Command7_Click() { playClip(QStringLiteral("Map-Blanc-Tour.avi")); }
void Video::Label7_Click() { playClip(QStringLiteral("Map-Blanc-Vide.avi")); }
void Video::Label8_Click() { playClip(QStringLiteral("5eme.avi")); }

void Video::Erreur()
{
    const ErrObject failure = Err;   // kept whatever the steps below do
    Forms::show<Debugger>();
    Move(0, Top());
    Debugger &debugger = Forms::get<Debugger>();
    debugger.Move(Left() + Width(), Top());
    debugger.List1->AddItem(QStringLiteral("ERROR : ") + QString::number(failure.Number) + QStringLiteral(" - ") +
                            failure.Description);
}
