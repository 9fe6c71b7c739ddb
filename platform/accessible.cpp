// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "accessible.h"

#include "controls.h"
#include "forms.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace platform {

namespace {
const char *const LeftOut = "syrelLeftOutOfAccessibleTree";

QList<QWidget *> treeChildren(const QWidget *w)
{
    QList<QWidget *> out;
    for (QObject *o : w->children())
        if (auto *c = qobject_cast<QWidget *>(o); c && !c->isWindow() && !c->property(LeftOut).toBool())
            out << c;
    return out;
}

// A top-level window: the window role (Qt gives a plain widget a filler's),
// and only the controls a user can meet.
class AccessibleForm : public QAccessibleWidget {
public:
    explicit AccessibleForm(QWidget *w) : QAccessibleWidget(w, QAccessible::Window) {}
    int childCount() const override { return int(treeChildren(widget()).size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> c = treeChildren(widget());
        return index >= 0 && index < c.size() ? QAccessible::queryAccessibleInterface(c.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(treeChildren(widget()).indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }
};

// Clicks from a screen reader come after its call has been answered: a
// handler may run for long (a fade) and the reader would give up waiting.
template <class T> void clickLater(T *control)
{
    QMetaObject::invokeMethod(
        control,
        [c = QPointer<T>(control)] {
            if (c)
                c->click();
        },
        Qt::QueuedConnection);
}

// A control a handler may listen to: a screen reader can press it then.
template <class Control> class AccessiblePressable : public QAccessibleWidget {
public:
    AccessiblePressable(Control *w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
    Control *control() const { return static_cast<Control *>(widget()); }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (control()->isClickable())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && control()->isClickable())
            clickLater(control());
        else
            QAccessibleWidget::doAction(name);
    }
};

// A picture: a button when a handler listens to its clicks, else a graphic.
class AccessibleImage : public AccessiblePressable<Image> {
public:
    explicit AccessibleImage(Image *w) : AccessiblePressable(w, QAccessible::Graphic) {}
    QAccessible::Role role() const override
    {
        return control()->isClickable() ? QAccessible::Button : QAccessible::Graphic;
    }
};

// A caption reads as text; a clickable one can be pressed.
class AccessibleLabel : public AccessiblePressable<Label> {
public:
    explicit AccessibleLabel(Label *w) : AccessiblePressable(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Name && own.isEmpty() ? control()->text() : own;
    }
};

// One line of an output list.
class AccessibleLine : public QAccessibleInterface {
public:
    AccessibleLine(ListBox *list, int row) : m_list(list), m_row(row) {}
    bool isValid() const override { return m_list && m_row < m_list->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? m_list->List(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = m_list->visualItemRect(m_list->item(m_row));
        return QRect(m_list->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.selectable = true;
        s.selected = m_list->currentRow() == m_row;
        s.readOnly = true;
        s.invisible = !m_list->viewport()->rect().intersects(m_list->visualItemRect(m_list->item(m_row)));
        s.offscreen = s.invisible;
        return s;
    }

private:
    QPointer<ListBox> m_list;
    int m_row;
};

// Text offset where a line of the list starts: every line ends with a new line.
int lineStart(const ListBox *list, int row)
{
    int at = 0;
    for (int i = 0; i < row && i < list->count(); ++i)
        at += int(list->List(i).size()) + 1;
    return at;
}

// An output list: its lines as items, and as one text a reader can review
// line by line and that tells of each line appended.
class AccessibleOutput : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleOutput(ListBox *w) : QAccessibleWidget(w, QAccessible::List) {}
    ~AccessibleOutput() override
    {
        for (QAccessible::Id id : std::as_const(m_lines))
            QAccessible::deleteAccessibleInterface(id);
    }
    ListBox *list() const { return static_cast<ListBox *>(widget()); }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return list()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= list()->count())
            return nullptr;
        while (m_lines.size() <= index)
            m_lines << QAccessible::registerAccessibleInterface(new AccessibleLine(list(), int(m_lines.size())));
        return QAccessible::accessibleInterface(m_lines.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int i = 0; i < m_lines.size() && i < list()->count(); ++i)
            if (QAccessible::accessibleInterface(m_lines.at(i)) == child)
                return i;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QListWidgetItem *it = list()->itemAt(list()->viewport()->mapFromGlobal(QPoint(x, y)));
        return it ? child(list()->row(it)) : nullptr;
    }

    // Read only, with no selection of its own; the caret sits on the line
    // the console keeps selected.
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return lineStart(list(), qMax(0, list()->currentRow())); }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return whole().mid(start, end - start); }
    using QAccessibleWidget::text;
    int characterCount() const override { return lineStart(list(), list()->count()); }
    QRect characterRect(int offset) const override
    {
        const QAccessibleInterface *line = child(rowAt(offset));
        return line ? line->rect() : QRect();
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QListWidgetItem *it = list()->itemAt(list()->viewport()->mapFromGlobal(point));
        return it ? lineStart(list(), list()->row(it)) : -1;
    }
    void scrollToSubstring(int start, int) override
    {
        if (QListWidgetItem *it = list()->item(rowAt(start)))
            list()->scrollToItem(it);
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    QString whole() const
    {
        QString all;
        for (const QString &line : list()->lines())
            all += line + QLatin1Char('\n');
        return all;
    }
    int rowAt(int offset) const
    {
        int at = 0;
        for (int i = 0; i < list()->count(); ++i) {
            at += int(list()->List(i).size()) + 1;
            if (offset < at)
                return i;
        }
        return list()->count() - 1;
    }
    mutable QList<QAccessible::Id> m_lines;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("platform::FormWindow"))
        return new AccessibleForm(static_cast<QWidget *>(object));
    if (className == QLatin1String("platform::Image"))
        return new AccessibleImage(static_cast<Image *>(object));
    if (className == QLatin1String("platform::Label"))
        return new AccessibleLabel(static_cast<Label *>(object));
    if (className == QLatin1String("platform::ListBox"))
        return new AccessibleOutput(static_cast<ListBox *>(object));
    return nullptr;
}
}   // namespace

void leaveOutOfAccessibleTree(QWidget *w) { w->setProperty(LeftOut, true); }

void installAccessibility() { QAccessible::installFactory(factory); }

void announceLine(ListBox *list, int row)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTextInsertEvent event(list, lineStart(list, row), list->List(row) + QLatin1Char('\n'));
    QAccessible::updateAccessibility(&event);
}

void announceCleared(ListBox *list, const QString &text)
{
    if (!QAccessible::isActive() || text.isEmpty())
        return;
    QAccessibleTextRemoveEvent event(list, 0, text);
    QAccessible::updateAccessibility(&event);
}

namespace {
// Before any window, so that none is ever described by Qt's defaults.
void installAtStart() { installAccessibility(); }
Q_CONSTRUCTOR_FUNCTION(installAtStart)
}   // namespace

}   // namespace platform
