// SPDX-License-Identifier: GPL-3.0-or-later
#include "eventwait.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

class StampedEvent : public QEvent
{
public:
    static QEvent::Type kind()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    StampedEvent() : QEvent(kind()), posted(std::chrono::steady_clock::now()) {}
    const std::chrono::steady_clock::time_point posted;
};

} // namespace

EventWait::EventWait(int intervalMs)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { QCoreApplication::postEvent(this, new StampedEvent); });
}

void EventWait::start()
{
    m_waitsMs.clear();
    m_waitsMs.reserve(1 << 16);
    m_timer.start();
}

void EventWait::stop()
{
    m_timer.stop();
}

void EventWait::customEvent(QEvent *event)
{
    if (event->type() != StampedEvent::kind())
        return;
    const auto posted = static_cast<StampedEvent *>(event)->posted;
    m_waitsMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
}
