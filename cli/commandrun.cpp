// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandrun.h"

#include "atomicsave.h"
#include "checkrun.h"
#include "clitexts.h"
#include "identificationtext.h"
#include "signalpipe.h"
#include "textutils.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

namespace CommandRun {

namespace {

using CommandLine::Action;

constexpr int ProgressIntervalMs = 250;

// The boxes' texts on one line: their lines joined, a full stop where a line had none.
QString oneLine(const QString &text)
{
    QString joined;
    for (const QString &piece : text.split(QLatin1Char('\n'))) {
        const QString line = piece.trimmed();
        if (line.isEmpty())
            continue;
        if (!joined.isEmpty()) {
            const QChar last = joined.back();
            const bool ended =
                last == u'.' || last == u':' || last == u';' || line.startsWith(u'.');
            joined += ended ? QLatin1String(" ") : QLatin1String(". ");
        }
        joined += line;
    }
    return joined;
}

QJsonValue numberOrNull(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue reasonJson(DialogueResult::Reason reason)
{
    switch (reason) {
    case DialogueResult::Reason::None:
        break;
    case DialogueResult::Reason::NoReply:
        return QStringLiteral("no_reply");
    case DialogueResult::Reason::OutOfRange:
        return QStringLiteral("out_of_range");
    case DialogueResult::Reason::NotRead:
        return QStringLiteral("not_read");
    case DialogueResult::Reason::NoNumber:
        return QStringLiteral("no_number");
    }
    return QJsonValue(QJsonValue::Null);
}

// The line speed an S37 code stands for; none for automatic (0), for 4 and for codes past 9.
std::optional<int> speedOfS37(const std::optional<int> &code)
{
    static constexpr int Speeds[] = {0, 300, 300, 300, 0, 1200, 2400, 1200, 4800, 9600};
    if (!code || *code < 0 || *code >= int(std::size(Speeds)) || Speeds[*code] == 0)
        return std::nullopt;
    return Speeds[*code];
}

QJsonValue failureJson(JobFailure failure)
{
    static const char *const Names[] = {
        nullptr,          "modem_refused", "no_reply",     "no_signal",       "port_unavailable",
        "port_held",      "port_lost",     "list_refused", "verify_mismatch", "interrupted",
        "unresolved",     "refused",       "no_answer",    "dropped",         "turned_away",
        "option_refused", "not_telnet",    "stalled"};
    const char *name = Names[int(failure)];
    return name ? QJsonValue(QLatin1String(name)) : QJsonValue(QJsonValue::Null);
}

// A register read: "rings", "rings_reason" and the like.
void putReading(QJsonObject &o, const QString &name, const Reading &reading)
{
    o[name] = numberOrNull(reading.value);
    o[name + QLatin1String("_reason")] = reasonJson(reading.reason);
}

QJsonArray answersJson(const Identification &identification)
{
    QJsonArray answers;
    for (const IdentificationAnswer &answer : identification.answers()) {
        QJsonObject one;
        one[QLatin1String("command")] = answer.command;
        one[QLatin1String("result")] =
            answer.result == IdentificationAnswer::Result::Answered  ? QLatin1String("answered")
            : answer.result == IdentificationAnswer::Result::Refused ? QLatin1String("refused")
                                                                     : QLatin1String("silent");
        one[QLatin1String("lines")] = QJsonArray::fromStringList(answer.lines);
        one[QLatin1String("cut")] = answer.cut;
        one[QLatin1String("waited_ms")] = answer.waitedMs;
        answers.append(one);
    }
    return answers;
}

// False once stdout can take no more (its reader has gone).
// 0, or why the line could not be written (EPIPE: nobody reads it any more).
int writeOut(const QByteArray &line)
{
    errno = 0;
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    // A reader of the pipe sees each device as it finishes.
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    return errno != 0 ? errno : EIO;
}

// The progress line on a terminal's stderr, rewritten in place.
class Progress
{
public:
    explicit Progress(const std::vector<std::unique_ptr<DeviceJob>> &jobs)
        : m_jobs(jobs), m_on(::isatty(STDERR_FILENO) == 1)
    {
        if (!m_on)
            return;
        m_timer.setInterval(ProgressIntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { show(); });
        m_timer.start();
    }
    ~Progress() { clear(); }

    void clear()
    {
        if (m_on && m_shown)
            std::fputs("\r\033[K", stderr);
        m_shown = false;
    }

private:
    void show()
    {
        qsizetype done = 0;
        QString line;
        for (const auto &job : m_jobs) {
            if (job->isDone()) {
                ++done;
                continue;
            }
            const QString command = job->currentCommand();
            if (!command.isEmpty())
                line +=
                    QLatin1String("  ") + CliTexts::ResultLine.arg(job->result().device, command);
        }
        line = TextUtils::ShowControls(CliTexts::Progress.arg(done).arg(m_jobs.size()) + line);
        winsize size{};
        const int columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col : 80;
        line.truncate(columns - 1);
        std::fprintf(stderr, "\r\033[K%s", qUtf8Printable(line));
        std::fflush(stderr);
        m_shown = true;
    }

    const std::vector<std::unique_ptr<DeviceJob>> &m_jobs;
    const bool m_on;
    bool m_shown = false;
    QTimer m_timer;
};

// Each is one line, whatever the names it quotes hold.
} // namespace

QString textLine(const JobResult &result)
{
    // A device's name is shown with its control characters made visible, in front and where the
    // message names it, so that no name can forge a line of results or steer the terminal.
    const QString device = TextUtils::ShowControls(result.device);
    QString message = result.message;
    if (device != result.device)
        message.replace(result.device, device);
    return TextUtils::ShowControls(CliTexts::ResultLine.arg(device, oneLine(message)));
}

QByteArray jsonLine(const JobResult &result, const CommandLine::Request &request)
{
    QJsonObject o;
    o[QLatin1String("device")] = result.device;
    o[QLatin1String("action")] = CommandLine::actionName(result.action);
    o[QLatin1String("ok")] = result.status == JobStatus::Ok;
    o[QLatin1String("exit")] = result.exitStatus();
    if (result.status == JobStatus::Ok) {
        o[QLatin1String("message")] = result.message;
    } else {
        o[QLatin1String("error")] = result.message;
        o[QLatin1String("command")] = textOrNull(result.command);
    }
    o[QLatin1String("failure")] = failureJson(result.failure);
    switch (result.action) {
    case Action::Query:
        putReading(o, QStringLiteral("rings"), result.rings);
        putReading(o, QStringLiteral("s37"), result.s37);
        o[QLatin1String("speed_bps")] = numberOrNull(speedOfS37(result.s37.value));
        break;
    case Action::Configure: {
        o[QLatin1String("rings")] = numberOrNull(result.askedRings);
        o[QLatin1String("s37")] = numberOrNull(result.askedS37);
        o[QLatin1String("speed_bps")] = LineSpeeds::row(request.settings.speed).bitRate;
        o[QLatin1String("entries")] = result.entries;
        if (request.verify) {
            QJsonObject read;
            putReading(read, QStringLiteral("rings"), result.rings);
            putReading(read, QStringLiteral("s37"), result.s37);
            read[QLatin1String("speed_bps")] = numberOrNull(speedOfS37(result.s37.value));
            read[QLatin1String("match")] = result.verified;
            o[QLatin1String("verify")] = read;
        }
        break;
    }
    case Action::Unconfigure:
    case Action::Check: // the check writes no JSON
        break;
    case Action::Identify:
        if (result.identification) {
            o[QLatin1String("answers")] = answersJson(*result.identification);
            o[QLatin1String("chipset")] =
                textOrNull(IdentificationText::chipsetFamily(*result.identification));
        }
        break;
    }
    o[QLatin1String("duration_ms")] = result.durationMs;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

int run(const CommandLine::Request &request, QList<JobResult> *results)
{
    std::unique_ptr<LineLog> log;
    if (!request.logPath.isEmpty()) {
        log = std::make_unique<LineLog>();
        const Outcome opened = log->open(request.logPath);
        if (!opened) {
            complain(opened.message());
            return CommandLine::ExitUsage;
        }
    }

    std::vector<std::unique_ptr<DeviceJob>> jobs;
    for (const CommandLine::Target &target : request.targets)
        jobs.push_back(std::make_unique<DeviceJob>(request, target, log.get()));

    QEventLoop loop;
    Progress progress(jobs);
    int exitStatus = 0;
    int cutShortBy = 0; // the signal that ended the run early; 0 while none has
    // Every unfinished device ends now, each with its line (which finishes the loop).
    const auto cutShort = [&](int signal) {
        if (cutShortBy != 0)
            return;
        cutShortBy = signal;
        for (const auto &job : jobs)
            job->interrupt(signal);
    };
    SignalPipe signalPipe;
    QObject::connect(&signalPipe, &SignalPipe::caught, &loop, cutShort);
    int outputError = 0; // why the results could not be written
    qsizetype left = qsizetype(jobs.size());
    for (const auto &job : jobs) {
        QObject::connect(job.get(), &DeviceJob::finished, &loop, [&, raw = job.get()] {
            const JobResult &result = raw->result();
            progress.clear();
            if (outputError == 0) {
                outputError =
                    writeOut(request.json ? jsonLine(result, request) : textLine(result).toUtf8());
                if (outputError != 0) {
                    // Nobody gets the results any more: the others need not go on.
                    complain(outputError == EPIPE
                                 ? CliTexts::OutputGone
                                 : CliTexts::OutputFailed.arg(AtomicSave::systemText(outputError)));
                    QMetaObject::invokeMethod(
                        &loop, [&] { cutShort(SIGPIPE); }, Qt::QueuedConnection);
                }
            }
            if (results)
                results->append(result);
            exitStatus = std::max(exitStatus, int(result.status));
            if (--left == 0)
                loop.quit();
        });
    }
    // All start before the loop runs; each then goes at its modem's pace.
    for (const auto &job : jobs)
        job->start();
    loop.exec();
    if (outputError != 0 && cutShortBy == 0)
        cutShortBy = SIGPIPE; // even when it was the last line
    // A full disk or a failing device is no reader gone: SIGPIPE's status would say it was.
    if (outputError != 0 && outputError != EPIPE && cutShortBy == SIGPIPE)
        return CommandLine::ExitOutputIo;
    return cutShortBy != 0 ? SignalPipe::exitStatus(cutShortBy) : exitStatus;
}

int main(const QStringList &arguments)
{
    const CommandLine::Parsed parsed = CommandLine::parse(arguments);
    switch (parsed.kind) {
    case CommandLine::Parsed::Kind::Help:
    case CommandLine::Parsed::Kind::Version:
        std::fputs(qUtf8Printable(parsed.text), stdout);
        return 0;
    case CommandLine::Parsed::Kind::UsageError:
        if (parsed.request.action == Action::Check)
            return CheckRun::usageError(parsed.text);
        complain(parsed.text);
        std::fprintf(stderr, "%s\n", qUtf8Printable(CliTexts::SeeHelp));
        return CommandLine::ExitUsage;
    case CommandLine::Parsed::Kind::Run:
        break;
    }
    if (parsed.request.action == Action::Check)
        return CheckRun::run(parsed.request);
    return run(parsed.request);
}

} // namespace CommandRun
