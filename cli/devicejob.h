// SPDX-License-Identifier: GPL-3.0-or-later
// One device of the command line: its own serial port, timer and dialogue engine, and a view
// that records what the window would show. The boxes become the result; a configuration with
// --verify runs the query dialogue after it and then puts the modem back on its stored profile.
#pragma once

#include "commandline.h"
#include "commandliststore.h"
#include "deviceline.h"
#include "dialogueengine.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "identification.h"
#include "outcome.h"
#include "precisetimer.h"
#include "serialport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class Transcript;
class TracingLine;
class TracingView;

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

// The --log file, shared by every device: each transcript line with its device in front.
class LineLog
{
public:
    Outcome open(const QString &path);
    void write(const QString &device, const QString &line);

private:
    QFile m_file;
    QString m_path;
    bool m_failed = false;
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
    // What one dialogue showed.
    struct Shown
    {
        QString error;
        QString information;
        QString answ1;
        QString answ2;
        int rings = -1;
        int s37 = -1;
    };

    // DialogueView
    void setLineSettingsEnabled(bool) override {}
    void setInfo(const QString &) override {}
    void entrySent(const QString &) override {}
    void setAnsw1(const QString &caption) override { m_shown.answ1 = caption; }
    void setAnsw2(const QString &caption) override { m_shown.answ2 = caption; }
    void showError(const QString &text) override;
    void showInformation(const QString &text) override { m_shown.information = text; }
    void showIdentification(const Identification &result) override;

    // DialogueSettings
    Parity parityMode() const override { return m_request.parity; }
    CommandListResult BuildCommandList() override;

    void begin(Dialogue::State first);
    void startEngine(Dialogue::State first);
    void dialogueEnded();
    void mainEnded(const Shown &shown);
    void verifyEnded(const Shown &shown);
    void fail(JobStatus status, const QString &message, const QString &command = QString());
    void end();
    JobStatus classify(const QString &error, QString *command) const;

    const CommandLine::Request m_request;
    const CommandLine::Target m_target;
    SerialPort m_port;
    DeviceLine m_line; // the port, or the terminal server its device names
    Dialogue::State m_waitingDialogue = Dialogue::Idle; // to start once connected
    PreciseTimer m_timer;
    CommandListStore m_store;
    std::unique_ptr<Transcript> m_transcript;
    std::unique_ptr<TracingLine> m_tracedLine;
    std::unique_ptr<TracingView> m_tracedView;
    std::unique_ptr<DialogueEngine> m_engine; // last: it refers to everything above

    Stage m_stage = Stage::Main;
    Shown m_shown;
    QStringList m_sentList;
    // Why the last list could not be sent; the result's status follows it, not its text.
    CommandListResult::Problem m_listProblem = CommandListResult::Problem::None;
    QElapsedTimer m_clock;
    bool m_done = false;
    JobResult m_result;
};
