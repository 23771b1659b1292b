// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread keeps an event waiting while a dialogue runs: every few
// milliseconds an event is posted to the thread's queue, stamped, and timed when delivered. An
// input event or a repaint waits the same way behind whatever the thread is doing.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <vector>

class EventWait : public QObject
{
public:
    explicit EventWait(int intervalMs = 5);

    void start();
    void stop();
    // Milliseconds each posted event waited, in the order they were posted.
    const std::vector<double> &waitsMs() const { return m_waitsMs; }

protected:
    void customEvent(QEvent *event) override;

private:
    using Clock = std::chrono::steady_clock;
    QTimer m_timer;
    std::vector<double> m_waitsMs;
};
