// The modem dialogue: opening and closing the port, sending commands, interpreting replies by
// state and taking the paced timer steps. Everything reaches the outside through the narrow
// interfaces it is given, so it runs the same against a real port and a fake one.
#pragma once

#include "dialoguestate.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>

class LinePort;
class PacingTimer;
class DialogueView;
class DialogueSettings;

// How an operator action starts its dialogue.
struct DialogueStart
{
    QString info;         // caption for `info`; a null text leaves the label as it is
    QString firstCommand; // sent as soon as the port is open
    qint16 state;         // dialogue state once the command is out
};

struct ReplyBufferRecord
{
    QByteArray Text;    // received, decoded, not yet consumed; only consumed from the front
    qint16 HasNumber = 0;
    qint16 Number = 0;
};

class DialogueEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int StepIntervalMs = 1000;
    // Longest unconsumed reply text kept; older bytes are dropped from the front.
    static constexpr int ReplyTextLimit = 32767;

    DialogueEngine(LinePort &port, PacingTimer &timer, DialogueView &view,
                   DialogueSettings &settings, QObject *parent = nullptr);

    // Operator action: open the port (or show why not), stop the timer, set `info`, send the
    // first command and set the state.
    void startDialogue(const DialogueStart &start);

    // Event sources, wired by the window (and driven directly by tests).
    void Comm_OnComm(int commEvent);
    void Timm_Timer();
    void portLost(const QString &description);

    // The port's procedures, also used at start-up.
    QString OpenPort();
    void ClosePort();
    void SendCommand(const QString &command);
    void ReportCommandError();

    // Dialogue fields. The engine is their only writer once a dialogue runs; tests may set
    // them up to put the engine into a given state.
    qint16 DialogueState = Dialogue::Idle;
    ReplyBufferRecord ReplyBuffer;
    QStringList CommandList;
    qint16 CommandIndex = 0;
    QString LastCommand;
    QStringList SpeedNames; // index = the modem's S37 value; filled at start-up

signals:
    // Emitted whenever DialogueState changes (the window and tests watch it).
    void stateChanged(qint16 state);

private:
    enum class EventKind { Received, Tick, Lost, Start };
    struct PendingEvent
    {
        EventKind kind = EventKind::Received;
        int commEvent = 0;
        quint64 timerGeneration = 0;
        QString text;
        DialogueStart start{};
    };

    void dispatch(PendingEvent event);
    void handle(const PendingEvent &event);
    void handleReceived(int commEvent);
    void handleTick();
    void handleLost(const QString &description);
    void handleStart(const DialogueStart &start);
    // Cuts Text into lines and takes the step of the state for each.
    void runLineLoop();
    // One reply line starting at `offset` of Text, `p` bytes with its carriage return; returns
    // how many bytes of Text from `offset` on to consume (0 stops the line loop).
    qsizetype handleLine(const QByteArray &line, qsizetype offset, qsizetype p);
    qsizetype handleVerboseOk(qsizetype offset);
    // The two query states: the register's number line.
    void takeNumberLine(const QByteArray &line);
    // The modem refused LastCommand: the error box, and the dialogue ends.
    void failCommand();
    QString commandErrorText() const;
    enum class Box { None, Error, Information };
    static constexpr bool ClearInfo = true;
    // Every dialogue ends here: timer off, port closed, reply buffer emptied, then the box
    // (if any) and ClosePort.
    void finish(Box box = Box::None, const QString &text = QString(), bool clearInfo = false);
    void trimReplyText();
    void setState(qint16 state);
    void stopTimer();
    void startTimer();
    void sendListEntry();
    void showError(const QString &text);
    void showInformation(const QString &text);

    LinePort &m_port;
    PacingTimer &m_timer;
    DialogueView &m_view;
    DialogueSettings &m_settings;

    bool m_busy = false;                // a step is running (maybe inside a modal box)
    std::deque<PendingEvent> m_pending; // events that fell due meanwhile, in order
    quint64 m_timerGeneration = 0;      // bumped at every start/stop of the timer by a step
};
