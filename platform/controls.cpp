// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "controls.h"

#include "accessible.h"
#include "errors.h"
#include "twips.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <limits>

namespace platform {

void placeTwips(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
}

QFont designFont(const QString &family, double points, bool bold)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// --------------------------------------------------------------------- Image

Image::Image(QWidget *parent, const QString &name, int left, int top, const QPixmap &picture) : QLabel(parent)
{
    setObjectName(name);
    move(toPixelsX(left), toPixelsY(top));
    setPicture(picture);
}

void Image::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    setPixmap(picture);
    resize(picture.deviceIndependentSize().toSize());   // a 2x picture keeps its 1x size
}

namespace {
// Whether the keyboard has been used in a window: the focus ring shows from then on.
const char *const KeyboardCues = "syrelKeyboardCues";

bool navigates(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

bool activates(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space; }

// The window's tab stops, in focus order.
QList<QWidget *> tabStops(QWidget *window)
{
    QList<QWidget *> out;
    QWidget *w = window;
    do {
        w = w->nextInFocusChain();
        if (w != window && w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) &&
            w->isEnabled())
            out << w;
    } while (w != window);
    return out;
}
}   // namespace

bool Image::showsFocus() const { return hasFocus() && window()->property(KeyboardCues).toBool(); }

bool Image::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && (navigates(k->key()) || activates(k->key())) && !window()->property(KeyboardCues).toBool()) {
            window()->setProperty(KeyboardCues, true);
            update();
            if (navigates(k->key()))
                return true;   // the first move only shows where the focus is
        }
    }
    return QLabel::event(e);
}

void Image::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QLabel::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down: focusNextPrevChild(true); break;
    case Qt::Key_Left:
    case Qt::Key_Up: focusNextPrevChild(false); break;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (const QList<QWidget *> stops = tabStops(window()); !stops.isEmpty())
            (event->key() == Qt::Key_Home ? stops.first() : stops.last())->setFocus(Qt::TabFocusReason);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            click();
        break;
    default: QLabel::keyPressEvent(event); return;
    }
    event->accept();
}

void Image::focusInEvent(QFocusEvent *event)
{
    // Tab may reach the window before any picture there has the focus.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        window()->setProperty(KeyboardCues, true);
    QLabel::focusInEvent(event);
    update();
}

void Image::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    update();
}

void Image::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void Image::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!showsFocus())
        return;
    // A thin pale ring of the lit icons' cyan, inside the picture's clear margin.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(180, 236, 255, 230), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5.0, 5.0);
}

// --------------------------------------------------------------------- Label

Label::Label(QWidget *parent, const QString &name, const QString &caption) : QLabel(caption, parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Label::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit Click();
}

// ------------------------------------------------------------- CommandButton

CommandButton::CommandButton(QWidget *parent, const QString &name, const QString &caption)
    : QPushButton(caption, parent)
{
    setObjectName(name);
    setAccessibleName(caption);
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

// ------------------------------------------------------------------- TextBox

TextBox::TextBox(QWidget *parent, const QString &name) : QLineEdit(parent)
{
    setObjectName(name);
    setFrame(false);
    setMaxLength(std::numeric_limits<int>::max());   // the console takes lines of any length
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        emit KeyPress(13);
        return;
    }
    const QString t = event->text();
    if (!t.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        emit KeyPress(t.at(0).unicode());
    else if (t.isEmpty())
        emit KeyDown(event->key());
    QLineEdit::keyPressEvent(event);
}

// ------------------------------------------------------------------- ListBox

ListBox::ListBox(QWidget *parent, const QString &name) : QListWidget(parent)
{
    setObjectName(name);
    setUniformItemSizes(true);   // keeps a list of many lines quick to scroll
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
}

void ListBox::AddItem(const QString &line)
{
    addItem(line);
    announceLine(this, count() - 1);
}

void ListBox::Clear()
{
    QString held;
    if (QAccessible::isActive())
        for (const QString &line : lines())
            held += line + QLatin1Char('\n');
    clear();
    announceCleared(this, held);
}

void ListBox::setListIndex(int index)
{
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        return;
    }
    // Selecting the line already selected, or scrolling to a line already in
    // view, repaints it all the same: the consoles ask ten times a second.
    QListWidgetItem *line = item(index);
    if (index != currentRow() || !line->isSelected())
        setCurrentRow(index);
    if (!viewport()->rect().contains(visualItemRect(line)))
        scrollToItem(line);
}

QString ListBox::List(int index) const
{
    const QListWidgetItem *it = item(index);
    return it ? it->text() : QString();
}

QStringList ListBox::lines() const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

// --------------------------------------------------------------- ProgressBar

ProgressBar::ProgressBar(QWidget *parent, const QString &name) : QProgressBar(parent)
{
    setObjectName(name);
    setRange(0, 1000);   // the bar draws tenths; the value itself is a float
    setTextVisible(false);
    QProgressBar::setValue(0);
}

void ProgressBar::setValue(float v)
{
    if (!(v >= Min() && v <= Max()))
        throw VbError(err::InvalidValue, QStringLiteral("Invalid property value"));
    m_value = v;
    QProgressBar::setValue(int(v * 10.0f));
}

}   // namespace platform
