// SPDX-License-Identifier: GPL-3.0-or-later
#include "linethread.h"

LineThread::LineThread() : m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("tavoli-line"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

LineThread::~LineThread()
{
    // Deleted by the thread as it finishes, after what was posted before.
    m_context->deleteLater();
    m_thread.quit();
    m_thread.wait();
}
