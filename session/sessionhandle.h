// SPDX-License-Identifier: GPL-3.0-or-later
// A face's hold on its modem session. Lives on the face's thread. It makes the session when the
// first dialogue needs it (on a line thread of its own for the window, so that no exchange waits
// behind painting; on the face's thread for the command line) and talks to it only by queued
// calls, as the session talks back. Nobody waits on anybody: the list a configuration needs is
// asked for by listNeeded() and given with giveList(). Going, it joins the line thread, which
// never waits on the face; the session stops as it goes. The session is made by a LineAccess's
// makeSession (ModemSession unless the face says otherwise).
#pragma once

#include "commandlistresult.h"
#include "deviceaddress.h"
#include "dialogueresult.h"
#include "lineaccess.h"
#include "linesettings.h"
#include "mailbox.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LineSession;
class ModemSession;
class QThread;
class Transcript;

// What the operator's action fixes: the dialogue, the device as parsed where it was named, the
// port's number (0 for a device named directly), the line's settings and parity.
struct SessionStart
{
    Dialogue::State first = Dialogue::Idle;
    DeviceAddress address;
    int portNumber = 0;
    LineSettings settings;
    Parity parity = Parity::None;
};

class SessionHandle : public QObject
{
    Q_OBJECT
public:
    enum class Threading : bool { Caller, LineThread };

    // `transcript`, if any, records the line; it must outlive the handle. `make` makes the
    // session when the first dialogue needs it.
    explicit SessionHandle(Threading threading, Transcript *transcript = nullptr,
                           QObject *parent = nullptr,
                           LineAccess::MakeSession make = &makeModemSession);
    ~SessionHandle() override;

    // Starts a dialogue, which ends with ended(); ignored unless idle(): the face refuses a
    // second action itself.
    void start(const SessionStart &start);
    void giveList(const CommandListResult &list); // the answer to listNeeded()
    void stop();                                  // ends what runs at once; its result says Stopped
    bool idle() const { return !m_running; }

signals:
    void connecting(); // a terminal server is reached first
    void portOpened();
    void stateChanged(Dialogue::State state);
    void commandSent(const QString &command);
    // Entry `index` of the list given is the newest out: at most once a frame, and before
    // anything heard after it.
    void entrySent(qsizetype index);
    void ringsRead(qint16 rings);
    void speedRead(std::optional<qint16> code);
    void listNeeded();
    void ended(const DialogueResult &result);

private:
    friend class ModemSession; // posts what the face hears, and the dialogue a list is for
    using Call = std::function<void(LineSession &)>;
    void post(Call call); // runs on the session's thread, after what was posted before

    Mailbox m_inbox; // what the session posts
    const Threading m_threading;
    Transcript *const m_transcript;
    const LineAccess::MakeSession m_make;
    std::unique_ptr<LineSession> m_own; // Caller: on this thread
    QThread *m_thread = nullptr;        // LineThread: owned, the session in it
    LineSession *m_session = nullptr;   // once it is there
    std::vector<Call> m_early;          // posted before it was there
    bool m_running = false;
    quint64 m_listFor = 0;
};
