// SPDX-License-Identifier: GPL-3.0-or-later
// The modem dialogue: opening and closing the port, sending commands, interpreting replies by
// state and taking the paced timer steps, as the state table (dialoguetable.h) says. Everything
// reaches the outside through the narrow interfaces it is given, so it runs the same against a
// real port and a fake one. It reports facts (DialogueFacts) and never waits for anybody: the
// command list it needs is given back later with giveList(). Lives on the thread that serves
// its line; every call comes from there.
#pragma once

#include "dialogueevents.h"
#include "dialogueresult.h"
#include "dialoguestate.h"
#include "encodedlist.h"
#include "identification.h"
#include "linesettings.h"
#include "outcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class DialogueFacts;
class LinePort;
class PacingTimer;
namespace Dialogue {
struct Row;
}

class DialogueEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int StepIntervalMs = 1000;
    // Longest unconsumed reply text kept; older bytes are dropped from the front.
    static constexpr int ReplyTextLimit = 32767;
    // The identification's inquiries, all together, from the first one's sending: a line that
    // chatters or floods without answering ends it well within a minute.
    static constexpr int IdentifyTotalMs = 40000;

    DialogueEngine(LinePort &port, PacingTimer &timer, DialogueFacts &facts,
                   QObject *parent = nullptr);

    // Operator action: open the port, then enter the dialogue's first state (Dialogue::QueryWake,
    // ConfigWake, FactoryReset...); every command of the dialogue goes out with `parity`. A port
    // that will not open ends it at once. Ignored while a dialogue runs: its face refuses that.
    void startDialogue(Dialogue::State first, Parity parity);
    // The answer to listNeeded(): the list to send, or why there is none. Ignored unless asked.
    void giveList(const CommandListResult &list);
    // Ends the running dialogue at once (result Stopped): timer off, port closed.
    void stop();

    // Event sources, wired by the session.
    void bytesAvailable();
    void Timm_Timer();
    // The line went away; `why` carries its kind and its own description.
    void portLost(const Outcome &why);

    // Closes the port and returns to Idle.
    void ClosePort();

    Dialogue::State state() const { return m_state; }
    // Waiting for giveList().
    bool awaitingList() const { return m_awaitingList; }
    // The command sent last, with its "AT" and without the carriage return.
    QString lastCommand() const;
    // Bytes of unconsumed reply text kept now; never above ReplyTextLimit.
    qsizetype keptReplyBytes() const { return m_reply.text.size(); }

private:
    void handle(const DialogueEvent &event);
    void handleStart(Dialogue::State first, Parity parity);
    void handleReceived();
    void handleTick();
    void handleLost(const Outcome &why);

    Outcome OpenPort();
    void SendCommand(const QString &command);
    // Writes bytes already encoded for the line and starts the command's time-out.
    void sendLine(const QByteArray &line);
    // The modem refused LastCommand: the dialogue ends, naming it.
    void ReportCommandError();
    void reportRefused(const QString &command);

    // Cuts the reply text into lines and gives each to the state's row.
    void runLineLoop();
    // One non-empty reply line starting at `offset` of the text, `length` bytes with its
    // carriage return; returns how many bytes from `offset` on to consume (0: wait for more).
    qsizetype takeLine(const Dialogue::Row &row, const QByteArray &line, qsizetype offset,
                       qsizetype length);
    // Whether a complete line of the kept reply text from `offset` on is a refusal.
    bool refusedSince(qsizetype offset) const;
    void trimReplyText();

    // At a tick that moves on: what came too late for the command is dropped and reported.
    void dropLateReply();
    void enter(Dialogue::State state);
    void apply(const Dialogue::Row &row);
    // The register the number line just read, for the result: its value (none without digits)
    // and why it is no plain reading, with `highest` the most it should be.
    DialogueResult::Reason reading(qint16 highest, std::optional<qint16> *value) const;
    void startList(const CommandListResult &list);
    void sendListEntry();
    void sendInquiry();
    // After the last inquiry, or once the identification's time is up: what the modem said,
    // if it said anything.
    void endIdentification();
    // The state's first complete line has come: its one-second timer gives way to the time the
    // rest of the reply may take (the row's afterFirstLineMs), once per command.
    void firstLineIn(const Dialogue::Row &row);
    // Every dialogue ends here: timer off, port closed, reply text emptied, Idle, and the result.
    void finish(DialogueResult::Kind kind);

    void setState(Dialogue::State state);
    void stopTimer();
    // Within an identification, no later than its end (IdentifyTotalMs).
    void startTimer(int intervalMs = StepIntervalMs);

    LinePort &m_port;
    PacingTimer &m_timer;
    DialogueFacts &m_facts;

    Dialogue::State m_state = Dialogue::Idle;
    Parity m_parity = Parity::None; // of the running dialogue
    bool m_awaitingList = false;
    QString m_lastCommand;      // with its "AT", without the carriage return; unless m_lastIsEntry
    bool m_lastIsEntry = false; // the command sent last is list entry m_index
    QByteArray m_received;      // bytes read by one receive step; its room is kept between steps
    struct
    {
        QByteArray text; // received, decoded, not yet consumed; only consumed from the front
        bool hasNumber = false;
        qint16 number = 0;
        bool numbered = false; // the number line had digits: its 0 otherwise is no reading
        bool begun = false;    // a line of the awaited reply came in the command's first second
    } m_reply;
    QStringList m_list;    // the expanded command bodies of a configuration
    EncodedList m_encoded; // the same, as they go on the line
    qint16 m_index = 0;    // the entry last sent (or the inquiry command)
    Identification m_identification;
    qint64 m_identifyEndMs = -1; // the identification's end on the timer's clock; -1: none runs
    DialogueResult m_result;     // of the running dialogue, filled in as it goes

    DialogueEvents m_events;
    quint64 m_timerGeneration = 0; // bumped at every start/stop of the timer by a step
};
