// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionhandle.h"

#include "linesession.h"

#include <QEventLoop>
#include <QThread>

SessionHandle::SessionHandle(Threading threading, Transcript *transcript, QObject *parent,
                             LineAccess::MakeSession make)
    : QObject(parent), m_threading(threading), m_transcript(transcript), m_make(make)
{}

SessionHandle::~SessionHandle()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
    }
}

void SessionHandle::post(Call call)
{
    if (m_session) {
        m_session->inbox().post([session = m_session, call = std::move(call)] { call(*session); });
        return;
    }
    m_early.push_back(std::move(call));
    const auto adopt = [this](LineSession *session) {
        m_session = session;
        for (Call &early : std::exchange(m_early, {}))
            post(std::move(early));
    };
    if (m_threading == Threading::Caller && !m_own) {
        m_own = m_make(*this, m_transcript);
        adopt(m_own.get());
    } else if (m_threading == Threading::LineThread && !m_thread) {
        // Made when the first dialogue needs it, not before the window's first frame; the
        // session lives there until the thread's loop ends, and makes itself known by a post.
        m_thread = QThread::create([this, adopt] {
            const std::unique_ptr<LineSession> session = m_make(*this, m_transcript);
            m_inbox.post([adopt, made = session.get()] { adopt(made); });
            QEventLoop().exec(); // returns at once if quit() came first
        });
        m_thread->setObjectName(QStringLiteral("tavoli-line"));
        m_thread->start();
    }
}

void SessionHandle::start(const SessionStart &start)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!std::exchange(m_running, true))
        post([start](LineSession &session) { session.start(start); });
}

void SessionHandle::giveList(const CommandListResult &list)
{
    Q_ASSERT(QThread::currentThread() == thread());
    post([list, dialogue = m_listFor](LineSession &s) { s.giveList(dialogue, list); });
}

void SessionHandle::stop()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_running)
        post([](LineSession &session) { session.stop(); });
}
