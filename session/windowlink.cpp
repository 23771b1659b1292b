// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowlink.h"

bool WindowLink::ask(std::function<void()> question)
{
    if (onWindowThread()) {
        question();
        return true;
    }
    auto call = std::make_shared<Call>();
    {
        const QMutexLocker lock(&m_lock);
        if (m_cancelled)
            return false;
        m_call = call;
    }
    tell([call, question = std::move(question)] {
        if (!call->cancelled)
            question();
        call->done.release();
    });
    call->done.acquire();
    const QMutexLocker lock(&m_lock);
    m_call.reset();
    return !call->cancelled;
}

void WindowLink::setCancelled(bool cancelled)
{
    const QMutexLocker lock(&m_lock);
    m_cancelled = cancelled;
    if (cancelled && m_call) {
        m_call->cancelled = true;
        m_call->done.release();
    }
}
