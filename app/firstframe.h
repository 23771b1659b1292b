// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up timing. When TAVOLI_FIRST_FRAME_FD names an open descriptor, the program writes one
// byte to it once its window's first frame has been painted and handed to the display, then
// quits: the start-up benchmark times programs from launch to that byte. Header only, so that
// the benchmark's minimal window uses exactly the same probe.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace FirstFrame {

class Probe : public QObject
{
public:
    Probe(QWidget *window, int fd) : QObject(window), m_fd(fd) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Posted from inside the paint: it runs once the whole frame has been flushed.
            QTimer::singleShot(0, this, [this] {
                const char byte = 1;
                [[maybe_unused]] const ssize_t n = ::write(m_fd, &byte, 1);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int m_fd;
    bool m_seen = false;
};

inline void reportWhenPainted(QWidget *window)
{
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("TAVOLI_FIRST_FRAME_FD", &ok);
    if (ok && fd > 2)
        new Probe(window, fd);
}

} // namespace FirstFrame
