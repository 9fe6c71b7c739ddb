// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "timer.h"

#include <algorithm>

namespace platform {

namespace {
double g_speedUp = 1.0;
}

Timer::Timer(QObject *owner, const QString &name, int intervalMs, bool enabled)
    : QObject(owner), m_interval(intervalMs), m_enabled(enabled)
{
    setObjectName(name);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::tick);
    apply();
}

void Timer::setInterval(int ms)
{
    m_interval = ms;
    apply();
}

void Timer::setEnabled(bool on)
{
    m_enabled = on;
    apply();
}

void Timer::setSpeedUp(double factor) { g_speedUp = factor > 0 ? factor : 1.0; }

void Timer::apply()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(std::max(1, int(m_interval / g_speedUp)));
    else
        m_timer.stop();
}

}   // namespace platform
