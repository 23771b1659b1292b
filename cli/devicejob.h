// SPDX-License-Identifier: GPL-3.0-or-later
// One device of the command line: its own modem session, and a view that records what the
// window would show. The boxes become the result; a configuration with
// --verify runs the query dialogue after it and then puts the modem back on its stored profile.
#pragma once

#include "commandline.h"
#include "commandliststore.h"
#include "dialogueresult.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "identification.h"
#include "linelog.h"
#include "modemsession.h"
#include "outcome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QStringList>

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

struct JobResult
{
    QString device;
    CommandLine::Action action = CommandLine::Action::Query;
    JobStatus status = JobStatus::Ok;
    QString message; // what the window would have said: its box, or its read-back labels
    QString command; // the command a failure concerns; empty when none
    // Read from the modem (query; configure --verify); -1 when not read.
    int rings = -1;
    int s37 = -1;
    QString speed; // as `answ2` shows it
    // Asked of the modem (configure); askedS37 is -1 when the list sets no S37.
    int askedRings = -1;
    int askedS37 = -1;
    qsizetype entries = 0; // list entries sent
    bool verified = false;
    std::optional<Identification> identification;
    qint64 durationMs = 0;
    int signal = 0; // Interrupted: the signal that cut the run short

    int exitStatus() const { return int(status) + (status == JobStatus::Interrupted ? signal : 0); }
};

class DeviceJob : public QObject, private DialogueView, private DialogueSettings
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
    // The command on the line now; empty between dialogues.
    QString currentCommand() const;

signals:
    void finished();

private:
    enum class Stage { Main, VerifyQuery, VerifyReset };
    // The read-back labels of a query, as the window would show them.
    struct Shown
    {
        QString answ1;
        QString answ2;
    };

    // DialogueView
    void setLineSettingsEnabled(bool) override {}
    void setInfo(const QString &) override {}
    void entrySent(const QString &) override {}
    void setAnsw1(const QString &caption) override { m_shown.answ1 = caption; }
    void setAnsw2(const QString &caption) override { m_shown.answ2 = caption; }
    void showError(const QString &) override {}
    void showInformation(const QString &) override {}
    void showIdentification(const Identification &result) override;

    // DialogueSettings
    Parity parityMode() const override { return m_request.parity; }
    CommandListResult BuildCommandList() override;

    void begin(Dialogue::State first);
    void dialogueEnded(const DialogueResult &result);
    void mainEnded(const DialogueResult &result, const Shown &shown);
    void verifyEnded(const DialogueResult &result, const Shown &shown);
    void failWith(const DialogueResult &result);
    void fail(JobStatus status, const QString &message, const QString &command = QString());
    void end();

    const CommandLine::Request m_request;
    const CommandLine::Target m_target;
    CommandListStore m_store;
    ModemSession m_session;

    Stage m_stage = Stage::Main;
    Shown m_shown;
    QStringList m_sentList;
    QElapsedTimer m_clock;
    bool m_done = false;
    JobResult m_result;
};
