// SPDX-License-Identifier: GPL-3.0-or-later
// How the line thread reaches the window: what it tells goes through the window's event loop,
// in order; what it asks (a box to dismiss, the command list) it waits for. A session that stops
// cancels the waits first, so that the line thread is never left waiting on a window that is
// waiting on it.
#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

class WindowLink
{
public:
    // `window` lives on the window's thread; what is told or asked runs there, and is dropped
    // once it has gone.
    explicit WindowLink(QObject &window) : m_window(window) {}

    // On the window's thread itself, both run at once.
    template <class Tell>
    void tell(Tell tell)
    {
        if (onWindowThread())
            tell();
        else
            QMetaObject::invokeMethod(&m_window, std::move(tell), Qt::QueuedConnection);
    }
    // Runs `question` on the window's thread and returns once it has: true, unless cancelled
    // (it may then not have run). What it writes must be its own (captured by value or shared):
    // a box runs an event loop, and a cancel can come from inside it.
    bool ask(std::function<void()> question);
    // While cancelled, ask() returns false at once; a question waited for now is let go.
    void setCancelled(bool cancelled);

    QObject &window() { return m_window; }
    bool onWindowThread() const { return m_window.thread() == QThread::currentThread(); }

private:
    struct Call
    {
        QSemaphore done;
        std::atomic<bool> cancelled{false};
    };
    QObject &m_window;
    QMutex m_lock;
    std::shared_ptr<Call> m_call; // waited for now
    bool m_cancelled = false;
};
