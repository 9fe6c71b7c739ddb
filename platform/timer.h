// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// A timer control: an interval in milliseconds and an Enabled switch.
// Enabled from creation unless the design says otherwise.

#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    Timer(QObject *owner, const QString &name, int intervalMs, bool enabled = true);

    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);

    // Tests may run every timer of the program faster.
    static void setSpeedUp(double factor);

signals:
    void tick();

private:
    void apply();
    QTimer m_timer;
    int m_interval;
    bool m_enabled;
};

}   // namespace platform
