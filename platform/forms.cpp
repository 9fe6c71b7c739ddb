// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "forms.h"

#include "dispatch.h"
#include "kernel32.h"
#include "mediaplayer.h"
#include "timer.h"
#include "wmhints.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace platform {

namespace {
std::vector<Form *> g_loaded;                // in load order
std::vector<std::unique_ptr<Form>> g_dead;   // unloaded, waiting to be freed
bool g_shuttingDown = false;
bool g_collectPending = false;
std::function<void()> g_onAllUnloaded;
std::vector<Slot *> g_slots;
QMargins g_seenToolFrame;   // learnt from a framed tool window
bool g_seenToolFrameValid = false;
QMargins g_assumedFrame;   // what tests pretend
bool g_assumedFrameValid = false;
bool g_askedForFrame = false;   // the window manager has been asked once

void remember(Slot &s)
{
    if (std::find(g_slots.begin(), g_slots.end(), &s) == g_slots.end())
        g_slots.push_back(&s);
}

void scheduleCollect()
{
    if (g_collectPending || !QCoreApplication::instance())
        return;
    g_collectPending = true;
    // Not a zero timer: a handler that keeps processing events would see it again at once.
    QTimer::singleShot(10, QCoreApplication::instance(), [] {
        g_collectPending = false;
        Forms::collect();
    });
}
}   // namespace

// ---------------------------------------------------------------- FormWindow

FormWindow::FormWindow(Form *form) : m_form(form) {}

void FormWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The windows have no minimise box; a window manager that minimises them
    // anyway (openbox offers it in its menu) would leave a tool that nothing
    // in the program can bring back. It comes straight back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_form && m_form->isLoaded())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        });
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    // The window model decides when the window goes: the close box unloads it.
    event->ignore();
    if (m_form && m_form->isLoaded() && !m_form->isUnloading()) {
        QPointer<FormWindow> self(this);
        Form *f = m_form;
        QTimer::singleShot(0, this, [self, f] {
            if (self)
                runHandler("close box", [f] {
                    int cancel = 0;
                    f->Form_QueryUnload(cancel, Form::vbFormControlMenu);
                    if (!cancel)
                        Forms::unload(f);
                });
        });
    }
}

// ---------------------------------------------------------------------- Form

Form::Form(const QString &name) : m_name(name), m_window(new FormWindow(this))
{
    m_window->setObjectName(name);
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form() { delete m_window; }

QMargins Form::frameMargins() const
{
    if (m_border == BorderStyle::None)
        return {};
    const QRect outer = m_window->frameGeometry(), inner = m_window->geometry();
    if (outer != inner) {
        const QMargins seen(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                            outer.bottom() - inner.bottom());
        g_seenToolFrame = seen;
        g_seenToolFrameValid = true;
        return seen;
    }
    if (g_assumedFrameValid)
        return g_assumedFrame;
    if (g_seenToolFrameValid)
        return g_seenToolFrame;
    if (frameIntervalMs() <= 0)
        return {};
    // The window manager tells the frame it will draw before the window is mapped.
    if (!g_askedForFrame) {
        g_askedForFrame = true;
        if (const std::optional<QMargins> told = askFrameExtents(m_window)) {
            g_seenToolFrame = *told;
            g_seenToolFrameValid = true;
            return *told;
        }
    }
    // A small title bar and thin borders, when it does not say.
    return QMargins(1, 20, 1, 1);
}

void Form::setAssumedFrame(const QMargins &margins)
{
    g_assumedFrame = margins;
    g_assumedFrameValid = !margins.isNull();
}

void Form::forgetLearntFrame()
{
    g_seenToolFrameValid = false;
    g_askedForFrame = false;
}

namespace {
bool framedBySystem(const QWidget *w) { return w->frameGeometry() != w->geometry(); }
}   // namespace

int Form::Left() const
{
    const int px = m_window->geometry().x() - frameMargins().left() - screenOrigin().x();
    return px == m_twipsPosPixels.x() ? m_twipsPos.x() : toTwipsX(px);
}
int Form::Top() const
{
    const int px = m_window->geometry().y() - frameMargins().top() - screenOrigin().y();
    return px == m_twipsPosPixels.y() ? m_twipsPos.y() : toTwipsY(px);
}
int Form::Width() const
{
    const QMargins m = frameMargins();
    return toTwipsX(m_window->width() + m.left() + m.right());
}
int Form::Height() const
{
    const QMargins m = frameMargins();
    return toTwipsY(m_window->height() + m.top() + m.bottom());
}

void Form::setLeft(int twips) { Move(twips, Top()); }
void Form::setTop(int twips) { Move(Left(), twips); }

void Form::Move(int left, int top)
{
    m_placed = true;
    m_twipsPos = QPoint(left, top);
    m_twipsPosPixels = QPoint(toPixelsX(left), toPixelsY(top));
    const QMargins m = frameMargins();
    const QPoint frame = m_twipsPosPixels + screenOrigin();
    m_wantedFrame = frame;
    m_centred = false;
    if ((m_window->isVisible() && framedBySystem(m_window)) || m.isNull()) {
        m_window->move(frame);   // the window system places the frame
    } else {
        // Not framed yet: place the client area where the frame will leave it.
        m_window->setGeometry(QRect(frame + QPoint(m.left(), m.top()), m_window->size()));
    }
}

QString Form::Caption() const { return m_window->windowTitle(); }

void Form::designWindow(const QString &caption, BorderStyle border, int clientWidthTwips, int clientHeightTwips,
                        StartPosition start, const QColor &background)
{
    m_window->setWindowTitle(caption);
    m_border = border;
    // Tool windows, so that Qt tells the window manager whose they are
    // (transient-for) before they are mapped.
    Qt::WindowFlags flags = Qt::Tool;
    if (border == BorderStyle::None)
        flags |= Qt::FramelessWindowHint;
    else
        flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    m_window->setWindowFlags(flags);
    m_window->setFixedSize(toPixelsX(clientWidthTwips), toPixelsY(clientHeightTwips));
    QPalette pal = m_window->palette();
    pal.setColor(QPalette::Window, background);
    m_window->setPalette(pal);
    m_window->setAutoFillBackground(true);
    m_start = start;
}

void Form::setMaximised(bool on)
{
    m_maximised = on;
    m_window->setWindowFlags(on ? Qt::Window | Qt::FramelessWindowHint : Qt::Tool | Qt::FramelessWindowHint);
    // Asked before the window is mapped: window managers keep ordinary
    // windows out of the panels' space and stack the panels over them.
    // (Not on the offscreen platform: it would size the window to its own screen.)
    if (frameIntervalMs() > 0)
        m_window->setWindowState(on ? Qt::WindowFullScreen : Qt::WindowNoState);
}

void Form::keepAboveOwner()
{
    // Every window that does not cover the screen belongs to the newest one
    // that does (transient for it): window managers then keep it above the
    // full-screen picture, in the picture's layer, and never bury it there.
    if (m_maximised || frameIntervalMs() <= 0)
        return;
    Form *owner = nullptr;
    for (Form *f : g_loaded)
        if (f->m_maximised && f != this)
            owner = f;
    if (!owner)
        return;
    owner->m_window->winId();
    m_window->winId();
    m_window->windowHandle()->setTransientParent(owner->m_window->windowHandle());
}

bool Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Move)
        keepPlaced();
    if (event->type() != QEvent::Expose || watched != m_window->windowHandle() ||
        !m_window->windowHandle()->isExposed())
        return false;
    watched->removeEventFilter(this);
    // Some compositors apply only an opacity given once the window is mapped.
    reassertOpacity(m_window);
    keepPlaced();
    if (m_maximised) {
        // The full-screen window is up and managed: the windows shown before
        // it (the strip comes with the desktop's loading) are mapped again,
        // now that the window manager knows the window they belong to; some
        // keep a window's layer as it was when it was mapped.
        // The newest of them gets the keyboard back: with the keyboard in a
        // window of its own, the full-screen one stays in front of the panels.
        Form *newest = nullptr;
        for (Form *f : g_loaded)
            if (f != this && !f->m_maximised && f->m_window->isVisible()) {
                f->m_window->hide();
                f->m_window->show();
                newest = f;
            }
        if (newest)
            newest->m_window->activateWindow();
    }
    return false;
}

void Form::keepPlaced()
{
    if (!m_wantedFrame || m_maximised || !m_window->isVisible() || m_corrections >= 3 || !m_shown.isValid() ||
        m_shown.hasExpired(3000))
        return;
    // A frame is judged once the window manager has drawn it.
    if (m_border != BorderStyle::None && !framedBySystem(m_window))
        return;
    const QMargins m = frameMargins();
    QPoint frame = *m_wantedFrame;
    if (m_centred) {   // on the frame the window manager really drew
        const QSize screen = screenPixels(), outer = m_window->size().grownBy(m);
        frame = screenOrigin() + QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
    }
    const QPoint client = frame + QPoint(m.left(), m.top());
    if (m_window->geometry().topLeft() == client)
        return;
    ++m_corrections;
    if (!moveAsUser(m_window, client))
        m_corrections = 3;   // nothing more to ask
}

void Form::placeAtStart()
{
    if (m_placed)
        return;
    m_placed = true;
    const QSize screen = screenPixels();
    const QPoint origin = screenOrigin();
    // With several monitors the window system would pick one by its own
    // rules (the first, or the one under the mouse): keep to the primary.
    const bool severalScreens = QGuiApplication::screens().size() > 1;
    if (m_maximised) {
        m_window->setFixedSize(screen);
        m_window->move(origin);
    } else if (m_start == StartPosition::CenterScreen || (m_start == StartPosition::WindowsDefault && severalScreens)) {
        const QMargins m = frameMargins();
        const QSize outer = m_window->size().grownBy(m);
        const QPoint frame((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
        m_window->setGeometry(QRect(origin + frame + QPoint(m.left(), m.top()), m_window->size()));
        m_wantedFrame = origin + frame;
        m_centred = true;
    } else if (m_start == StartPosition::Manual) {
        Move(0, 0);   // the frame's corner at the screen's corner
        m_placed = true;
    }
}

void Form::makeVisible(bool activate)
{
    placeAtStart();
    // Without activation the window manager is told so before the map
    // (a user time of 0), rather than taking the keyboard back afterwards.
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    if (QWindow *w = m_window->windowHandle())
        w->setProperty("_q_showWithoutActivating", !activate);
    if (frameIntervalMs() > 0 && (m_window->windowFlags() & Qt::WindowDoesNotAcceptFocus))
        refuseKeyboard(m_window);
    m_window->show();
    if (frameIntervalMs() > 0)   // the offscreen platform has no stacking
        m_window->raise();
    if (frameIntervalMs() > 0 && m_window->windowHandle()) {
        m_window->windowHandle()->installEventFilter(this);
        m_window->installEventFilter(this);
        m_corrections = 0;
        m_shown.start();
        // Window managers that answer late: looked at again once they have had their say.
        for (const int ms : {150, 600})
            QTimer::singleShot(ms, this, [this] { keepPlaced(); });
    }
    if (activate && !(m_window->windowFlags() & Qt::WindowDoesNotAcceptFocus))
        m_window->activateWindow();
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void Form::teardown()
{
    // Destroyed with its controls and timers: nothing of it runs any more.
    for (Timer *t : m_window->findChildren<Timer *>())
        t->setEnabled(false);
    for (Timer *t : findChildren<Timer *>())
        t->setEnabled(false);
    for (WindowsMediaPlayer *p : m_window->findChildren<WindowsMediaPlayer *>())
        p->release();
    // Windows that belonged to it stand on their own from now on: some window
    // managers hide the windows of an owner that is gone (the shutdown notice
    // outlives the desktop).
    if (QWindow *own = m_window->windowHandle())
        for (Form *f : g_loaded)
            if (QWindow *w = f->m_window->windowHandle(); w && w->transientParent() == own)
                w->setTransientParent(nullptr);
    m_window->hide();
    m_window->setEnabled(false);
}

// --------------------------------------------------------------------- Forms

Form *Forms::touch(Slot &s)
{
    if (s.current)
        return s.current;
    if (g_shuttingDown) {
        // Answers from its design, never loaded, never shown.
        Form *ghost = s.create();
        ghost->m_state = Form::State::Dead;
        ghost->teardown();
        g_dead.emplace_back(ghost);
        scheduleCollect();
        return ghost;
    }
    return loadSlot(s);
}

Form *Forms::loadSlot(Slot &s)
{
    if (s.current)
        return s.current;
    remember(s);
    Form *f = s.create();
    f->m_slot = &s;
    f->m_state = Form::State::Loaded;
    s.current = f;
    g_loaded.push_back(f);
    f->keepAboveOwner();
    f->placeAtStart();
    runHandler("Form_Load", [f] { f->Form_Load(); });
    return s.current ? s.current : f;
}

void Forms::showSlot(Slot &s, bool activate)
{
    if (!s.current && g_shuttingDown)
        return;
    Form *f = loadSlot(s);
    if (f->isUnloading()) {
        if (!g_shuttingDown)
            s.reopen = true;
        return;
    }
    if (f->isLoaded())
        f->makeVisible(activate);
}

void Forms::unloadSlot(Slot &s)
{
    if (s.current)
        unload(s.current);
}

void Forms::unload(Form *f)
{
    if (!f || f->m_state != Form::State::Loaded)
        return;
    f->m_state = Form::State::Unloading;
    runHandler("Form_Unload", [f] { f->Form_Unload(); });

    Slot *s = f->m_slot;
    f->m_state = Form::State::Dead;
    if (s && s->current == f)
        s->current = nullptr;
    g_loaded.erase(std::remove(g_loaded.begin(), g_loaded.end(), f), g_loaded.end());
    bury(f);

    if (s && s->reopen) {
        s->reopen = false;
        if (!g_shuttingDown)
            showSlot(*s);
    }
    // Shutting down, with nothing left but windows in their unload steps
    // (a strip still fading, say): those steps need not be waited for.
    if (g_shuttingDown && std::all_of(g_loaded.begin(), g_loaded.end(), [](Form *l) { return l->isUnloading(); }))
        setRunEnding(true);
    if (g_loaded.empty() && g_onAllUnloaded)
        g_onAllUnloaded();
}

void Forms::bury(Form *f)
{
    f->teardown();
    g_dead.emplace_back(f);
    scheduleCollect();
}

int Forms::loadedCount() { return int(g_loaded.size()); }
std::vector<Form *> Forms::loaded() { return g_loaded; }

void Forms::beginShutdown()
{
    g_shuttingDown = true;
    for (Slot *s : g_slots)
        s->reopen = false;
}
bool Forms::shuttingDown() { return g_shuttingDown; }

void Forms::unloadAll()
{
    // Newest first; a window whose unload is running finishes on its own.
    for (int guard = 0; guard < 1000; ++guard) {
        Form *next = nullptr;
        for (auto it = g_loaded.rbegin(); it != g_loaded.rend(); ++it)
            if (!(*it)->isUnloading()) {
                next = *it;
                break;
            }
        if (!next)
            return;
        unload(next);
    }
}

void Forms::setOnAllUnloaded(std::function<void()> fn) { g_onAllUnloaded = std::move(fn); }

void Forms::collect()
{
    if (HandlerScope::depth() > 0) {
        scheduleCollect();
        return;
    }
    g_dead.clear();
}

int Forms::deadCount() { return int(g_dead.size()); }

void Forms::reset()
{
    HandlerScope scope;   // nothing below may free a window under our feet
    for (Form *f : std::vector<Form *>(g_loaded.rbegin(), g_loaded.rend())) {
        f->m_state = Form::State::Dead;
        if (f->m_slot)
            f->m_slot->current = nullptr;
        f->teardown();
        g_dead.emplace_back(f);
    }
    g_loaded.clear();
    for (Slot *s : g_slots) {
        s->current = nullptr;
        s->reopen = false;
    }
    g_shuttingDown = false;
    setRunEnding(false);
    g_onAllUnloaded = nullptr;
    g_dead.clear();
}

}   // namespace platform
