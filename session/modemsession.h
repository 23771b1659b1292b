// SPDX-License-Identifier: GPL-3.0-or-later
// One modem: its serial port (or the terminal server its device names), the pacing timer, the
// recording of the transcript and the dialogue engine, made together on one thread and never
// moved. Lives on the thread that made it (a window's line thread, or the command line's own);
// its SessionHandle posts every call to it, and it tells the handle what happens by posting back.
#pragma once

#include "deviceline.h"
#include "dialogueengine.h"
#include "dialoguefacts.h"
#include "linesession.h"
#include "mailbox.h"
#include "precisetimer.h"
#include "serialport.h"
#include "sessionhandle.h"

#include <QObject>

#include <memory>

class Transcript;
class TracingLine;

class ModemSession : public QObject, public LineSession, private DialogueFacts
{
public:
    // Of a long list's entries the face hears the newest at most this often, and always before
    // whatever follows it.
    static constexpr int EntryFrameMs = 16;

    // `handle` outlives the session; `transcript`, if any, records the line.
    ModemSession(SessionHandle *handle, Transcript *transcript);
    ~ModemSession() override;

    // Once the line is ready (a terminal server is connected first, so that connecting never
    // counts as the modem's time), the dialogue; it ends with one result. Ignored while one runs.
    void start(const SessionStart &start) override;
    // Dropped if it has ended.
    void giveList(quint64 dialogue, const CommandListResult &list) override;
    void stop() override; // timer off, port closed (its lock file goes), result Stopped
    Mailbox &inbox() override { return m_inbox; } // where the handle posts these

private:
    template <class Call>
    void tell(Call call) // runs `call` on the handle's thread
    {
        m_handle->m_inbox.post([h = m_handle, call = std::move(call)] { call(*h); });
    }
    void tellEntry();
    static qint64 coarseMs(); // cheaper than a precise clock, read at every entry
    void begin();
    void notConnected(const Outcome &why, DialogueResult::Kind kind);

    // DialogueFacts
    void portOpened() override
    {
        tell([](SessionHandle &h) { emit h.portOpened(); });
    }
    void stateChanged(Dialogue::State state) override;
    void commandSent(const QString &command) override;
    void entrySent(qsizetype index) override;
    void ringsRead(qint16 rings) override
    {
        tell([=](SessionHandle &h) { emit h.ringsRead(rings); });
    }
    void speedRead(std::optional<qint16> code) override
    {
        tell([=](SessionHandle &h) { emit h.speedRead(code); });
    }
    void lateReplyDropped(const QByteArray &bytes) override;
    void listNeeded() override;
    void ended(const DialogueResult &result) override;

    SessionHandle *const m_handle;
    Mailbox m_inbox;
    Transcript *const m_transcript;
    SerialPort m_port;
    DeviceLine m_line{m_port}; // the port, or the terminal server its device names
    PreciseTimer m_timer;
    std::unique_ptr<TracingLine> m_traced;
    SessionStart m_start;
    quint64 m_dialogue = 0; // counts the starts
    bool m_connecting = false;
    qint64 m_entryToldMs = 0; // on the coarse clock: a frame is far above its few ms
    qsizetype m_entry = -1, m_entryTold = -1;
    std::unique_ptr<DialogueEngine> m_engine; // last: it refers to everything above
};
