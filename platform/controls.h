// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The standard controls the windows are built from, with the properties
// and events the program uses.  Positions are given in twips.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

namespace platform {

// Places a control at a design position given in twips.
void placeTwips(QWidget *w, int left, int top, int width, int height);
QFont designFont(const QString &family, double points, bool bold = false);

// A picture control without stretching: it takes the size of its picture.
class Image : public QLabel {
    Q_OBJECT
public:
    Image(QWidget *parent, const QString &name, int left, int top, const QPixmap &picture);
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
};

// A text label, clickable.
class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget *parent, const QString &name, const QString &caption);
    QString Caption() const { return text(); }

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
    void Clear() { clear(); }
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
