// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// What a screen reader sees of the windows: each top-level a window with a
// name, a picture control with a click handler a button that can be
// pressed, a clickable label the same, and an output list a text whose new
// lines are announced as they come.

class QString;
class QWidget;

namespace platform {

// Keeps a control out of the tree a screen reader walks: hidden picture
// holders, backgrounds.
void leaveOutOfAccessibleTree(QWidget *w);

class ListBox;
// Tells a screen reader of a line appended to an output list, and of the
// list emptied (with the text it held).
void announceLine(ListBox *list, int row);
void announceCleared(ListBox *list, const QString &text);

// Makes the program's controls known to Qt's accessibility; done once,
// before the first window is made (it runs by itself at start).
void installAccessibility();

}   // namespace platform
