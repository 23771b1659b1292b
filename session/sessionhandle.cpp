// SPDX-License-Identifier: GPL-3.0-or-later
#include "sessionhandle.h"

#include "linesession.h"

#include <QThread>

namespace {

// The window's line thread: the session is made there, lives there and goes when it ends.
class LineThread final : public QThread
{
public:
    using Made = std::function<void(LineSession *)>;
    LineThread(SessionHandle *handle, Transcript *transcript, LineAccess::MakeSession make,
               Made made)
        : m_handle(handle), m_transcript(transcript), m_make(make), m_made(std::move(made))
    {
        setObjectName(QStringLiteral("tavoli-line"));
    }

protected:
    void run() override
    {
        const std::unique_ptr<LineSession> session = m_make(*m_handle, m_transcript);
        m_made(session.get());
        exec();
    }

private:
    SessionHandle *m_handle;
    Transcript *m_transcript;
    LineAccess::MakeSession m_make;
    Made m_made;
};

} // namespace

SessionHandle::SessionHandle(Threading threading, Transcript *transcript, QObject *parent,
                             LineAccess::MakeSession make)
    : QObject(parent), m_threading(threading), m_transcript(transcript), m_make(make)
{}

SessionHandle::~SessionHandle()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_thread) {
        m_thread->quit(); // kept by Qt if the thread's loop has not started yet
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
        // session made there makes itself known by a queued call.
        m_thread = new LineThread(this, m_transcript, m_make, [this, adopt](LineSession *session) {
            m_inbox.post([adopt, session] { adopt(session); });
        });
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
