// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The standard controls the windows are built from, with the properties
// and events the program uses.  Positions are given in twips.

#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

namespace platform {

// Places a control at a design position given in twips.
void placeTwips(QWidget *w, int left, int top, int width, int height);
QFont designFont(const QString &family, double points, bool bold = false);

// A picture control without stretching: it takes the size of its picture.
//
// A picture made a tab stop is reached by the keyboard: Tab and the arrow
// keys move between the tab stops of its window, Return and space click it.
// A mouse click never takes the focus.  As the classic desktops did, the
// focused picture shows a thin ring only once the keyboard has been used
// in its window: the first key there shows where the focus is.
class Image : public QLabel {
    Q_OBJECT
public:
    Image(QWidget *parent, const QString &name, int left, int top, const QPixmap &picture);
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);

    void setTabStop(bool on) { setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus); }
    // A handler listens to its clicks.
    bool isClickable() const { return isSignalConnected(QMetaMethod::fromSignal(&Image::Click)); }
    // Clicked as by the mouse, from the keyboard or a screen reader.
    void click() { emit Click(); }
    // The focus ring is showing.
    bool showsFocus() const;

signals:
    void Click();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};

// A text label, clickable.
class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget *parent, const QString &name, const QString &caption);
    QString Caption() const { return text(); }
    bool isClickable() const { return isSignalConnected(QMetaMethod::fromSignal(&Label::Click)); }
    void click() { emit Click(); }

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(QWidget *parent, const QString &name, const QString &caption);
signals:
    void Click();
};

// A single-line text box that reports each key as a character code (Enter
// is 13) before the box edits its text, and other keys (arrows) as key codes.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    TextBox(QWidget *parent, const QString &name);
    QString Text() const { return text(); }
    void setText(const QString &t) { QLineEdit::setText(t); }

signals:
    void KeyPress(int keyAscii);
    void KeyDown(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// A list of text lines.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    ListBox(QWidget *parent, const QString &name);
    void AddItem(const QString &line);
    void Clear();
    int ListCount() const { return count(); }
    int ListIndex() const { return currentRow(); }
    void setListIndex(int index);
    QString List(int index) const;
    QStringList lines() const;
};

// A progress bar holding a single-precision value between Min and Max;
// writing a value outside them is an error.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    ProgressBar(QWidget *parent, const QString &name);
    float Value() const { return m_value; }
    void setValue(float v);
    float Min() const { return 0.0f; }
    float Max() const { return 100.0f; }

private:
    float m_value = 0.0f;
};

}   // namespace platform
