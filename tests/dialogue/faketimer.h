// `Timm` on a fake clock: advance() moves time on and fires the tick whenever it falls due.
// Like the real timer it keeps ticking once per interval while it is on.
#pragma once

#include "fakeclock.h"
#include "pacingtimer.h"

#include <QList>

#include <algorithm>
#include <functional>

class FakeTimer final : public PacingTimer
{
public:
    explicit FakeTimer(FakeClock &clock) : m_clock(clock) {}

    void stop() override
    {
        m_active = false;
        ++stops;
    }
    void start(int intervalMs) override
    {
        m_active = true;
        m_interval = std::max(1, intervalMs);
        m_due = m_clock.now + m_interval;
        starts.append(m_clock.now);
        intervals.append(intervalMs);
    }
    bool isActive() const override { return m_active; }

    qint64 due() const { return m_due; }

    void advance(qint64 ms) { advanceTo(m_clock.now + ms); }
    void advanceTo(qint64 target)
    {
        while (m_active && m_due <= target) {
            m_clock.now = m_due;
            m_due += m_interval;
            ++ticks;
            if (onTick)
                onTick();
        }
        // A tick handler may itself have moved time on (a box kept open for a while).
        m_clock.now = std::max(m_clock.now, target);
    }

    std::function<void()> onTick;
    QList<qint64> starts;   // fake time of each start()
    QList<int> intervals;   // interval of each start()
    int stops = 0;
    int ticks = 0;

private:
    FakeClock &m_clock;
    bool m_active = false;
    int m_interval = 0;
    qint64 m_due = 0;
};
