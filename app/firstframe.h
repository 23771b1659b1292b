// SPDX-License-Identifier: GPL-3.0-or-later
// The first frame. afterPainted() runs what a window does not need on screen once its first
// frame has been painted and handed to the display. Start-up timing: when TAVOLI_FIRST_FRAME_FD
// names an open descriptor, reportWhenPainted() writes one byte to it at that moment, then quits;
// the start-up benchmark times programs from launch to that byte. Header only, so that the
// benchmark's minimal window uses exactly the same probe.
// Lives on the window's thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

#include <unistd.h>

namespace FirstFrame {

class Probe : public QObject
{
public:
    Probe(QWidget *window, std::function<void()> then) : QObject(window), m_then(std::move(then))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Posted from inside the paint: it runs once the whole frame has been flushed.
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
    bool m_seen = false;
};

// Probes installed later run first.
inline void afterPainted(QWidget *window, std::function<void()> then)
{
    new Probe(window, std::move(then));
}

inline void reportWhenPainted(QWidget *window)
{
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("TAVOLI_FIRST_FRAME_FD", &ok);
    if (ok && fd > 2)
        afterPainted(window, [fd] {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
            QCoreApplication::quit();
        });
}

} // namespace FirstFrame
