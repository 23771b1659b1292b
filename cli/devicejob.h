// SPDX-License-Identifier: GPL-3.0-or-later
// One device of the command line: its own modem session, on the command line's thread, and what
// its dialogues came to, as values. A configuration with --verify runs the query dialogue after
// it and then puts the modem back on its stored profile. Lives on the command line's thread.
#pragma once

#include "commandline.h"
#include "commandlistresult.h"
#include "commandliststore.h"
#include "dialogueresult.h"
#include "identification.h"
#include "linelog.h"
#include "sessionhandle.h"
#include "transcript.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <optional>

// How a device's run ended; the number is the program's exit status for it, except for
// Interrupted (128 + the signal, see JobResult::exitStatus).
enum class JobStatus : int {
    Ok = 0,
    Refused = 1,
    NoReply = 2,
    DeviceFailed = 3,
    Interrupted = 128
};

// What went wrong, as the JSON's "failure" names it.
enum class JobFailure : quint8 {
    None,
    ModemRefused,
    NoReply,
    NoSignal,
    PortUnavailable,
    PortHeld,
    PortLost,
    ListRefused,
    VerifyMismatch,
    Interrupted,
    // A terminal server:
    Unresolved,
    Refused,
    NoAnswer,
    Dropped,
    TurnedAway,
    OptionRefused,
    NotTelnet,
    Stalled,
};

// A register as a query read it: its value, or why there is none.
struct Reading
{
    std::optional<int> value;
    DialogueResult::Reason reason = DialogueResult::Reason::NotRead;
};

struct JobResult
{
    QString device;
    CommandLine::Action action = CommandLine::Action::Query;
    JobStatus status = JobStatus::Ok;
    JobFailure failure = JobFailure::None;
    QString message; // what the device's line says: the window's box, or the read-back
    QString command; // the command a failure concerns; empty when none
    // Read from the modem (query; configure --verify).
    Reading rings;
    Reading s37;
    // Asked of the modem (configure): the ring count given, the S37 the list fills in.
    std::optional<int> askedRings;
    std::optional<int> askedS37;
    qsizetype entries = 0; // list entries sent
    bool verified = false;
    std::optional<Identification> identification;
    qint64 durationMs = 0;
    int signal = 0; // Interrupted: the signal that cut the run short

    int exitStatus() const { return int(status) + (status == JobStatus::Interrupted ? signal : 0); }
};

class DeviceJob : public QObject
{
    Q_OBJECT
public:
    // `log` may be null; it must outlive the job.
    DeviceJob(const CommandLine::Request &request, const CommandLine::Target &target, LineLog *log,
              QObject *parent = nullptr);
    ~DeviceJob() override;

    void start();
    // Cut short by `signal`: the running dialogue ends at once (timer off, port closed, so its
    // lock file goes) and the job finishes as interrupted. Nothing happens once finished.
    void interrupt(int signal);
    bool isDone() const { return m_done; }
    const JobResult &result() const { return m_result; }
    // The command on the line now, as last heard; empty between dialogues.
    QString currentCommand() const { return m_command; }

signals:
    void finished();

private:
    enum class Stage { Main, VerifyLoad, VerifyQuery, VerifyReset };

    CommandListResult buildList();
    void begin(Dialogue::State first);
    void dialogueEnded(const DialogueResult &result);
    void mainEnded(const DialogueResult &result);
    void verifyEnded(const DialogueResult &result);
    void failWith(const DialogueResult &result);
    void fail(JobStatus status, JobFailure failure, const QString &message,
              const QString &command = QString());
    void end();

    const CommandLine::Request m_request;
    const CommandLine::Target m_target;
    CommandListStore m_store;
    std::unique_ptr<Transcript> m_transcript; // with --log
    SessionHandle m_line;

    Stage m_stage = Stage::Main;
    CommandListResult m_list; // as built at the list step
    QString m_command;
    quint64 m_logged = 0; // the transcript's lines written to the log so far
    QElapsedTimer m_clock;
    bool m_done = false;
    int m_interruptedBy = 0;
    JobResult m_result;
};
