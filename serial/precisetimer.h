// SPDX-License-Identifier: GPL-3.0-or-later
// `Timm` over QTimer. Precise, because Qt's default coarse timer may fire up to 5 % early and a
// paced step must never come before its second is up.
//
// A long command list restarts the timer at every command, hundreds of times a second. Stopping
// and starting a QTimer each time registers and unregisters it with the event loop (an
// allocation and a list insertion per command); instead the QTimer stays armed and the tick
// checks a deadline against the clock: when the QTimer fires before the present deadline (it
// was set for an earlier start), it is set again for the time left, and no tick is raised.
// Lives on the session's thread (the window's line thread, or the command line's).
#pragma once

#include "pacingtimer.h"

#include <QObject>
#include <QTimer>

#include <chrono>

class PreciseTimer final : public QObject, public PacingTimer
{
    Q_OBJECT
public:
    explicit PreciseTimer(QObject *parent = nullptr);

    void stop() override;
    void start(int intervalMs) override;
    bool isActive() const override { return m_armed; }
    qint64 nowMs() const override;

signals:
    void Timer(); // the tick

private:
    using Clock = std::chrono::steady_clock;
    void onTimeout();
    void armFor(Clock::time_point when, Clock::time_point now);

    QTimer m_timer;                // a child: made and gone with the timer, on its thread
    bool m_armed = false;          // a tick is due: started and not stopped since
    Clock::duration m_interval{};  // between ticks while it stays armed
    Clock::time_point m_deadline;  // the next tick, not before
    Clock::time_point m_qtimerDue; // when the QTimer fires, at the earliest
};
