// SPDX-License-Identifier: GPL-3.0-or-later
// Calls handed to the thread a mailbox lives on, run there in the order they came. The calls
// pass under a lock held only to add or take them, and the thread is woken by a queued call
// that carries nothing, so that ThreadSanitizer sees every hand-over (it cannot see the locks
// of Qt's own event queue). Nobody waits for anybody.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <mutex>
#include <vector>

class Mailbox final : public QObject
{
    Q_OBJECT
public:
    using Call = std::function<void()>;

    // From any thread.
    void post(Call call)
    {
        bool wake = false;
        {
            const std::lock_guard lock(m_lock);
            wake = m_calls.empty();
            m_calls.push_back(std::move(call));
        }
        if (wake)
            QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    }

private slots:
    void deliver()
    {
        std::vector<Call> calls;
        {
            const std::lock_guard lock(m_lock);
            calls.swap(m_calls);
        }
        // A call may end the mailbox's owner (a face that goes once it has heard the end).
        const QPointer<Mailbox> alive(this);
        for (Call &call : calls) {
            if (!alive)
                return;
            call();
        }
    }

private:
    std::mutex m_lock;
    std::vector<Call> m_calls;
};
