// SPDX-License-Identifier: GPL-3.0-or-later
#include "modemsession.h"

#include "tracing.h"
#include "transcript.h"

#include <QThread>

#include <ctime>

using namespace Dialogue;
using Kind = DialogueResult::Kind;

std::unique_ptr<LineSession> makeModemSession(SessionHandle &handle, Transcript *transcript)
{
    return std::make_unique<ModemSession>(&handle, transcript);
}

ModemSession::ModemSession(SessionHandle *handle, Transcript *transcript)
    : m_handle(handle), m_transcript(transcript)
{
    LinePort *line = &m_line;
    if (m_transcript) {
        // Between the engine and the line, so that the transcript sees all.
        m_traced = std::make_unique<TracingLine>(m_line, *m_transcript, [this] {
            return TracingLine::Description{m_port.device(), m_start.settings, m_start.parity};
        });
        line = m_traced.get();
        const auto note = [this](const QString &text) { m_transcript->happened(text); };
        connect(&m_timer, &PreciseTimer::Timer, this, [this] { m_transcript->timerStep(); });
        connect(&m_port, &SerialPort::note, this, note);
        connect(&m_line, &DeviceLine::note, this, note);
    }
    m_engine =
        std::make_unique<DialogueEngine>(*line, m_timer, static_cast<DialogueFacts &>(*this));
    DialogueEngine *engine = m_engine.get(); // the context: nothing reaches it once it has gone
    connect(&m_line, &DeviceLine::received, engine, &DialogueEngine::bytesAvailable);
    connect(&m_line, &DeviceLine::lost, engine, &DialogueEngine::portLost);
    connect(&m_timer, &PreciseTimer::Timer, engine, &DialogueEngine::Timm_Timer);
    connect(&m_line, &DeviceLine::ready, engine, [this] { begin(); });
    connect(&m_line, &DeviceLine::connectFailed, engine, [this](const Outcome &why) {
        notConnected(why, why.fault() == Outcome::Fault::PortHeld ? Kind::PortHeld
                                                                  : Kind::PortUnavailable);
    });
}

ModemSession::~ModemSession()
{
    Q_ASSERT(QThread::currentThread() == thread());
    m_connecting = false; // what it tells as it goes is for nobody: the handle is going too
    m_engine->stop();
    m_line.close();
}

void ModemSession::start(const SessionStart &start)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_connecting || m_engine->state() != Idle || m_engine->awaitingList())
        return;
    m_start = start;
    ++m_dialogue;
    m_line.aim(start.address, start.portNumber, start.settings);
    // Every dialogue begins once its line says it is ready; a local port may say so at once.
    m_connecting = true;
    if (const Outcome prepared = m_line.prepare(); !prepared)
        notConnected(prepared, Kind::PortUnavailable);
    else if (!m_line.isConnecting())
        begin();
    else if (m_line.isNetwork())
        tell([](SessionHandle &h) { emit h.connecting(); });
}

void ModemSession::begin()
{
    if (std::exchange(m_connecting, false))
        m_engine->startDialogue(m_start.first, m_start.parity);
}

void ModemSession::notConnected(const Outcome &why, Kind kind)
{
    if (!std::exchange(m_connecting, false))
        return;
    // A local port refused before it opened is in the record as one that would not open.
    if (m_transcript && !m_line.isNetwork() && kind != Kind::Stopped)
        m_transcript->portNotOpened(m_port.device(), m_start.settings);
    DialogueResult result;
    result.first = m_start.first;
    result.kind = kind;
    result.lineFault = why.fault();
    result.description = why.message();
    result.holder = why.detail();
    ended(result);
}

void ModemSession::giveList(quint64 dialogue, const CommandListResult &list)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (dialogue == m_dialogue)
        m_engine->giveList(list);
}

void ModemSession::stop()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_connecting)
        m_line.close();
    notConnected(Outcome(), Kind::Stopped);
    m_engine->stop();
}

// ---- What the engine reports, recorded and posted to the handle ------------------------------

void ModemSession::stateChanged(State state)
{
    tellEntry();
    if (m_transcript)
        m_transcript->stateChanged(state);
    tell([state](SessionHandle &h) { emit h.stateChanged(state); });
}

void ModemSession::commandSent(const QString &command)
{
    tellEntry();
    tell([command](SessionHandle &h) { emit h.commandSent(command); });
}

void ModemSession::entrySent(qsizetype index)
{
    // A clock read, not a word to the face, for most entries of a long list.
    m_entry = index;
    if (coarseMs() - m_entryToldMs >= EntryFrameMs)
        tellEntry();
}

void ModemSession::tellEntry()
{
    if (m_entry == m_entryTold)
        return;
    m_entryTold = m_entry;
    m_entryToldMs = coarseMs();
    tell([index = m_entry](SessionHandle &h) { emit h.entrySent(index); });
}

qint64 ModemSession::coarseMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void ModemSession::lateReplyDropped(const QByteArray &bytes)
{
    if (m_transcript)
        m_transcript->lateReplyDropped(bytes);
}

void ModemSession::listNeeded()
{
    m_entry = m_entryTold = -1;
    tell([dialogue = m_dialogue](SessionHandle &h) {
        h.m_listFor = dialogue;
        emit h.listNeeded();
    });
}

void ModemSession::ended(const DialogueResult &result)
{
    tellEntry();
    tell([result](SessionHandle &h) {
        h.m_running = false;
        emit h.ended(result);
    });
}
