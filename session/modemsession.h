// SPDX-License-Identifier: GPL-3.0-or-later
// One modem: its serial port (or the terminal server its device names), the pacing timer, the
// transcript of the line and the dialogue engine, wired together once. A face gives it what it
// shows (DialogueView) and what it asks (DialogueSettings), starts dialogues with run() and
// learns how each ended from ended(); it never wires the parts itself.
#pragma once

#include "deviceline.h"
#include "dialogueengine.h"
#include "dialogueresult.h"
#include "precisetimer.h"
#include "serialport.h"

#include <QObject>

#include <memory>

class DialogueSettings;
class DialogueView;
class Transcript;
class TracingLine;
class TracingView;

class ModemSession : public QObject
{
    Q_OBJECT
public:
    enum class Recording : bool { Off, On };

    // `view` and `settings` must outlive the session. With Recording::On, everything said on
    // the line and around it goes to transcript().
    ModemSession(DialogueView &view, DialogueSettings &settings, Recording recording,
                 QObject *parent = nullptr);
    ~ModemSession() override;

    // Starts the dialogue whose first state is `first`; on a terminal server once connected
    // (the view says so meanwhile). Every dialogue started, or refused before it began, ends
    // with one ended(), except an action refused while one is already under way.
    void run(Dialogue::State first);
    // Ends whatever runs at once, without a box: timer off, port closed (its lock file goes).
    void stop();

    bool isIdle() const;
    // The command on the line now; empty between dialogues.
    QString currentCommand() const;

    SerialPort &port() { return m_port; }
    const SerialPort &port() const { return m_port; }
    PreciseTimer &timer() { return m_timer; }
    DialogueEngine &engine() { return *m_engine; }
    // Null unless recording.
    Transcript *transcript() { return m_transcript.get(); }

signals:
    void ended(const DialogueResult &result);

private:
    void notConnected(const QString &description);
    // The dialogue waiting for its connection ends before it began: the box, then the result.
    void endUnconnected(const QString &description);

    DialogueView &m_view;
    SerialPort m_port;
    DeviceLine m_line; // the port, or the terminal server its device names
    PreciseTimer m_timer;
    std::unique_ptr<Transcript> m_transcript;
    std::unique_ptr<TracingLine> m_tracedLine;
    std::unique_ptr<TracingView> m_tracedView;
    std::unique_ptr<DialogueEngine> m_engine;           // last: it refers to everything above
    Dialogue::State m_waitingDialogue = Dialogue::Idle; // to start once connected
};
