// SPDX-License-Identifier: GPL-3.0-or-later
#include "precisetimer.h"

PreciseTimer::PreciseTimer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PreciseTimer::Timer);
}

void PreciseTimer::stop()
{
    m_timer.stop();
}

void PreciseTimer::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

bool PreciseTimer::isActive() const
{
    return m_timer.isActive();
}
