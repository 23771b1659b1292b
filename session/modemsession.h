// SPDX-License-Identifier: GPL-3.0-or-later
// One modem: its serial port (or the terminal server its device names), the pacing timer, the
// transcript of the line and the dialogue engine, wired together once. A face gives it what it
// shows (DialogueView) and what it asks (DialogueSettings), starts dialogues with run() and
// learns how each ended from ended(); it never wires the parts itself.
//
// A window's session serves its line from a thread of its own (Threading::LineThread): each
// dialogue begins on the session's thread (the port opened, the first command out), then the
// port, timer and engine go to the line thread and come back once it has ended, so that between
// dialogues the face and its tests see them on their own thread. The
// window is then reached through the event loop (CrossThreadView) and hears the entries of a
// list at display rate; the transcript records on the line thread.
#pragma once

#include "deviceline.h"
#include "dialogueengine.h"
#include "dialogueresult.h"
#include "precisetimer.h"
#include "serialport.h"

#include <QObject>

#include <atomic>
#include <memory>

class CrossThreadSettings;
class CrossThreadView;
class DialogueSettings;
class DialogueView;
class LineThread;
class QThread;
class WindowLink;
class Transcript;
class TracingLine;
class TracingView;

class ModemSession : public QObject
{
    Q_OBJECT
public:
    enum class Recording : bool { Off, On };
    enum class Threading : bool { Caller, LineThread };

    // `view` and `settings` must outlive the session. With Recording::On, everything said on
    // the line and around it goes to transcript().
    ModemSession(DialogueView &view, DialogueSettings &settings, Recording recording,
                 Threading threading = Threading::Caller, QObject *parent = nullptr);
    ~ModemSession() override;

    // Starts the dialogue whose first state is `first`; on a terminal server once connected
    // (the view says so meanwhile). Every dialogue started, or refused before it began, ends
    // with one ended(), except an action refused while one is already under way.
    void run(Dialogue::State first);
    // Ends whatever runs at once, without a box: timer off, port closed (its lock file goes).
    void stop();

    bool isIdle() const;
    // The command on the line now; empty between dialogues. Of a session on the caller's
    // thread only.
    QString currentCommand() const;

    SerialPort &port() { return m_port; }
    const SerialPort &port() const { return m_port; }
    PreciseTimer &timer() { return m_timer; }
    // Its state() may be read from any thread.
    DialogueEngine &engine() { return *m_engine; }
    // Null unless recording.
    Transcript *transcript() { return m_transcript.get(); }

signals:
    void ended(const DialogueResult &result);

private:
    // On the thread that serves the line.
    void runHere(Dialogue::State first);
    void stopHere();
    void deliver(const DialogueResult &result);
    // Back to the session's thread, unless a dialogue runs or waits; whether they came.
    bool comeHomeIfIdle();
    // On the session's thread: a dialogue begun there goes to the line thread.
    void goAwayIfRunning();
    void moveParts(QThread *to);
    void notConnected(const QString &description);
    // The dialogue waiting for its connection ends before it began: the box, then the result.
    void endUnconnected(const QString &description);

    std::unique_ptr<LineThread> m_lineThread; // null: served on the caller's thread
    std::unique_ptr<WindowLink> m_link;
    std::unique_ptr<CrossThreadView> m_crossView;
    std::unique_ptr<CrossThreadSettings> m_crossSettings;
    bool m_away = false;                    // the parts are on the line thread (session's thread)
    std::atomic<bool> m_partsOnLine{false}; // the same, as the line thread knows it

    DialogueSettings &m_settings; // the face's
    DialogueView *m_view;         // as the engine reaches it
    SerialPort m_port;
    DeviceLine m_line; // the port, or the terminal server its device names
    PreciseTimer m_timer;
    std::unique_ptr<Transcript> m_transcript;
    std::unique_ptr<TracingLine> m_tracedLine;
    std::unique_ptr<TracingView> m_tracedView;
    std::unique_ptr<DialogueEngine> m_engine;           // last: it refers to everything above
    Dialogue::State m_waitingDialogue = Dialogue::Idle; // to start once connected
};
