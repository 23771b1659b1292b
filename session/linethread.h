// SPDX-License-Identifier: GPL-3.0-or-later
// The thread a window's modem session serves its line from, so that a dialogue's exchanges
// (hundreds a second on a fast line) never wait behind the window's painting and the window's
// thread does no work per exchange. It quits and is joined when it goes.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <utility>

class LineThread
{
public:
    LineThread();
    ~LineThread();
    LineThread(const LineThread &) = delete;
    LineThread &operator=(const LineThread &) = delete;

    QThread *thread() { return &m_thread; }
    // Runs `work` on the line thread after what was posted before it.
    template <class Work>
    void post(Work work)
    {
        QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
    }
    // Runs `work` on the line thread and returns once it has run. Never from the line thread,
    // and never while the line thread may be waiting on the caller's thread.
    template <class Work>
    void run(Work work)
    {
        QMetaObject::invokeMethod(m_context, std::move(work), Qt::BlockingQueuedConnection);
    }

private:
    QThread m_thread;
    QObject *m_context; // lives on the thread; goes when the thread finishes
};
