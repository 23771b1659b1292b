// SPDX-License-Identifier: GPL-3.0-or-later
#include "precisetimer.h"

#include <QThread>

PreciseTimer::PreciseTimer(QObject *parent) : QObject(parent), m_timer(this)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PreciseTimer::onTimeout);
}

void PreciseTimer::stop()
{
    Q_ASSERT(QThread::currentThread() == thread());
    // The QTimer may keep running: when it fires unarmed it stops for good, unless a start()
    // has come first and reuses it.
    m_armed = false;
}

void PreciseTimer::start(int intervalMs)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const Clock::time_point now = Clock::now();
    m_interval = std::chrono::milliseconds(intervalMs);
    m_deadline = now + m_interval;
    m_armed = true;
    // A QTimer due no later than the deadline is left alone: it is set again when it fires.
    if (!m_timer.isActive() || m_qtimerDue > m_deadline)
        armFor(m_deadline, now);
}

qint64 PreciseTimer::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

void PreciseTimer::armFor(Clock::time_point when, Clock::time_point now)
{
    // Rounded up to the next millisecond, so that the QTimer never fires before `when`.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - now);
    const int ms = int(std::max<qint64>(left.count(), 0));
    m_timer.start(ms);
    m_qtimerDue = now + std::chrono::milliseconds(ms);
}

void PreciseTimer::onTimeout()
{
    if (!m_armed)
        return; // stopped since it was set; single-shot, so it stays off
    const Clock::time_point now = Clock::now();
    if (now < m_deadline) {
        armFor(m_deadline, now); // set for an earlier start: the time left
        return;
    }
    // Like a repeating QTimer: the next tick an interval later, unless the tick's receivers
    // stop or restart it.
    m_deadline += m_interval;
    armFor(std::max(m_deadline, now), now);
    emit Timer();
}
