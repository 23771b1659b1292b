// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicejob.h"

#include "clitexts.h"
#include "commandlistbuilder.h"
#include "dialoguetexts.h"
#include "identificationtext.h"
#include "modemprotocol.h"
#include "operatoractions.h"
#include "storetexts.h"

#include <algorithm>
#include <cstring>
#include <utility>

using namespace Dialogue;
using Kind = DialogueResult::Kind;

namespace {

JobFailure failureOf(const DialogueResult &result)
{
    using Fault = Outcome::Fault;
    switch (result.lineFault) {
    case Fault::Unresolved:
        return JobFailure::Unresolved;
    case Fault::Refused:
        return JobFailure::Refused;
    case Fault::NoAnswer:
        return JobFailure::NoAnswer;
    case Fault::Dropped:
        return JobFailure::Dropped;
    case Fault::TurnedAway:
        return JobFailure::TurnedAway;
    case Fault::OptionRefused:
        return JobFailure::OptionRefused;
    case Fault::NotTelnet:
        return JobFailure::NotTelnet;
    case Fault::Stalled:
        return JobFailure::Stalled;
    default:
        break;
    }
    switch (result.kind) {
    case Kind::Success:
        return JobFailure::None;
    case Kind::ModemRefused:
        return JobFailure::ModemRefused;
    case Kind::NoReply:
    case Kind::SpeedUnknown:
        return JobFailure::NoReply;
    case Kind::NoSignal:
        return JobFailure::NoSignal;
    case Kind::PortUnavailable:
        return JobFailure::PortUnavailable;
    case Kind::PortHeld:
        return JobFailure::PortHeld;
    case Kind::PortLost:
        return JobFailure::PortLost;
    case Kind::ListRefused:
        return JobFailure::ListRefused;
    case Kind::Stopped:
        return JobFailure::Interrupted;
    }
    return JobFailure::PortUnavailable;
}

JobStatus statusOf(JobFailure failure)
{
    switch (failure) {
    case JobFailure::None:
        return JobStatus::Ok;
    // A list that could not be sent: nothing is wrong with the line or the modem.
    case JobFailure::ModemRefused:
    case JobFailure::ListRefused:
    case JobFailure::VerifyMismatch:
        return JobStatus::Refused;
    case JobFailure::NoReply:
        return JobStatus::NoReply;
    case JobFailure::Interrupted:
        return JobStatus::Interrupted;
    default:
        return JobStatus::DeviceFailed;
    }
}

Reading readingOf(const std::optional<qint16> &value, DialogueResult::Reason reason)
{
    Reading reading;
    if (value)
        reading.value = *value;
    reading.reason = reason;
    return reading;
}

std::optional<qint16> shownSpeed(const Reading &s37)
{
    if (s37.value)
        return qint16(*s37.value);
    return std::nullopt;
}

} // namespace

DeviceJob::DeviceJob(const CommandLine::Request &request, const CommandLine::Target &target,
                     LineLog *log, QObject *parent)
    : QObject(parent), m_request(request), m_target(target),
      m_transcript(log ? std::make_unique<Transcript>() : nullptr),
      m_line(SessionHandle::Threading::Caller, m_transcript.get())
{
    if (Transcript *transcript = m_transcript.get()) {
        // Every line recorded since the last time, however many one call recorded.
        connect(transcript, &Transcript::appended, this, [this, log, transcript] {
            for (m_logged = std::max(m_logged, transcript->firstSerial());
                 m_logged < transcript->endSerial(); ++m_logged)
                log->write(m_target.device, transcript->line(m_logged));
        });
    }
    connect(&m_line, &SessionHandle::listNeeded, this, [this] {
        // Read afresh, as the window does at this step.
        m_list = buildList();
        m_line.giveList(m_list);
    });
    connect(&m_line, &SessionHandle::commandSent, this,
            [this](const QString &command) { m_command = command; });
    connect(&m_line, &SessionHandle::entrySent, this, [this](qsizetype index) {
        m_command = ModemProtocol::CmdPrefix + m_list.entries.value(index);
    });
    connect(&m_line, &SessionHandle::ended, this, &DeviceJob::dialogueEnded);

    m_result.device = target.device;
    m_result.action = request.action;
    if (request.action == CommandLine::Action::Configure && !request.rings.isNull())
        m_result.askedRings = CommandListBuilder::RingCount(request.rings);
}

DeviceJob::~DeviceJob() = default;

CommandListResult DeviceJob::buildList()
{
    const SpeedRow &speed = LineSpeeds::row(m_request.settings.speed);
    QString stored = m_request.list.value_or(QString());
    const StoreResult read = m_request.list ? StoreResult() : m_store.load(&stored);
    return CommandListBuilder::Build(read, stored, m_request.rings, speed.s37Code,
                                     speed.modulationCode);
}

void DeviceJob::start()
{
    m_clock.start();
    if (!m_target.unread.ok()) {
        fail(JobStatus::DeviceFailed, JobFailure::PortUnavailable,
             StoreTexts::portAssignmentUnreadable(m_target.port, m_target.unread));
        QMetaObject::invokeMethod(this, &DeviceJob::end, Qt::QueuedConnection);
        return;
    }
    if (m_request.action == CommandLine::Action::Configure) {
        // A list that cannot be sent is refused before the port is opened: nothing goes out.
        const CommandListResult list = buildList();
        if (!list.ok()) {
            fail(JobStatus::Refused, JobFailure::ListRefused,
                 DialogueTexts::listRefusal(list, DialogueTexts::ListMoment::Click,
                                            CliTexts::listHint(list.problem)));
            // From the event loop, as every other end.
            QMetaObject::invokeMethod(this, &DeviceJob::end, Qt::QueuedConnection);
            return;
        }
    }
    begin(CommandLine::firstState(m_request.action));
}

void DeviceJob::begin(State first)
{
    SessionStart start;
    start.first = first;
    start.address = m_target.address;
    start.portNumber = m_target.port;
    start.settings = m_request.settings;
    start.parity = m_request.parity;
    m_line.start(start);
}

// ---- From one dialogue to the next -----------------------------------------------------------

void DeviceJob::dialogueEnded(const DialogueResult &result)
{
    m_command.clear();
    if (m_done)
        return;
    // The list as it was sent, however the configuration ended: interrupted too.
    if (m_stage == Stage::Main && m_request.action == CommandLine::Action::Configure) {
        m_result.entries = m_list.entries.size();
        if (m_list.s37)
            m_result.askedS37 = *m_list.s37;
    }
    if (m_interruptedBy != 0 || result.kind == Kind::Stopped) {
        m_result.signal = m_interruptedBy;
        fail(JobStatus::Interrupted, JobFailure::Interrupted,
             CliTexts::Interrupted.arg(QLatin1String("SIG")
                                       + QLatin1String(sigabbrev_np(m_interruptedBy))),
             result.command);
        end();
        return;
    }
    if (m_stage == Stage::Main)
        mainEnded(result);
    else
        verifyEnded(result);
}

void DeviceJob::failWith(const DialogueResult &result)
{
    const JobFailure failure = failureOf(result);
    const QString message =
        result.kind == Kind::ListRefused ? DialogueTexts::listRefusal(
            m_list, DialogueTexts::ListMoment::ListStep, CliTexts::listHint(m_list.problem))
                                         : DialogueTexts::message(result);
    fail(statusOf(failure), failure, message, result.command);
}

void DeviceJob::mainEnded(const DialogueResult &result)
{
    using CommandLine::Action;
    if (!result.ok() && result.kind != Kind::SpeedUnknown) {
        if (m_request.action == Action::Query) {
            m_result.rings = readingOf(result.rings, result.ringsReason);
            m_result.s37 = readingOf(result.s37, result.s37Reason);
        }
        failWith(result);
        end();
        return;
    }
    switch (m_request.action) {
    case Action::Query:
    case Action::Check: // run by CheckProbe, never as a job
        m_result.rings = readingOf(result.rings, result.ringsReason);
        m_result.s37 = readingOf(result.s37, result.s37Reason);
        m_result.message = CliTexts::QueryResult.arg(
            result.rings ? DialogueTexts::ringsCaption(*result.rings)
            : result.ringsReason == DialogueResult::Reason::NoNumber
                ? CliTexts::NoNumberIn.arg(ModemProtocol::CmdQueryRings)
                : QString(),
            CliTexts::speedRead(shownSpeed(m_result.s37),
                                result.s37Reason == DialogueResult::Reason::NoNumber));
        // "XXXX" where the speed query went unanswered: no reply all the same.
        if (result.kind == Kind::SpeedUnknown) {
            m_result.status = JobStatus::NoReply;
            m_result.failure = JobFailure::NoReply;
            m_result.command = result.command;
        }
        break;
    case Action::Configure:
        m_result.message = DialogueTexts::message(result);
        if (m_request.verify) {
            // What is read must be the stored profile, not what the list left active: under
            // ATQ1 a refused AT&W0 says nothing, and only the stored values tell.
            m_stage = Stage::VerifyLoad;
            begin(ResetToStored);
            return;
        }
        break;
    case Action::Unconfigure:
        m_result.message = DialogueTexts::message(result);
        break;
    case Action::Identify: {
        m_result.identification = result.identification;
        QStringList parts;
        for (const IdentificationAnswer &answer : result.identification.answers()) {
            QString said = answer.result == IdentificationAnswer::Result::Refused
                               ? DialogueTexts::IdentifyRefused
                           : answer.result == IdentificationAnswer::Result::Silent
                               ? IdentificationText::silent(answer)
                           : answer.lines.isEmpty()
                               ? QString()
                               : IdentificationText::visible(answer.lines.first().trimmed());
            parts << (said.isEmpty() ? answer.command : answer.command + QLatin1String(" ") + said);
        }
        if (const int ms = result.identification.stoppedAfterMs(); ms > 0)
            parts << DialogueTexts::IdentifyStopped.arg((ms + 500) / 1000);
        const QString suggestion = IdentificationText::suggestion(result.identification);
        if (!suggestion.isEmpty())
            parts << suggestion;
        m_result.message = CliTexts::Identified.arg(parts.join(QLatin1String("; ")));
        break;
    }
    }
    end();
}

void DeviceJob::verifyEnded(const DialogueResult &result)
{
    if (m_stage == Stage::VerifyLoad) {
        if (!result.ok()) { // the stored profile could not be loaded, so cannot be read
            failWith(result);
            end();
            return;
        }
        m_stage = Stage::VerifyQuery;
        begin(OperatorActions::Preguntar);
        return;
    }
    if (m_stage == Stage::VerifyQuery) {
        m_result.rings = readingOf(result.rings, result.ringsReason);
        m_result.s37 = readingOf(result.s37, result.s37Reason);
        // An unanswered ATS37? matters only when the list set S37: a modem without that
        // register is verified on S0 alone, as a list without S37 is.
        const bool speedUnanswered = result.kind == Kind::SpeedUnknown;
        if (speedUnanswered && m_result.askedS37) {
            fail(JobStatus::NoReply, JobFailure::NoReply, CliTexts::VerifyNoSpeed, result.command);
        } else if (!result.ok() && !speedUnanswered) {
            failWith(result);
            if (m_result.status == JobStatus::DeviceFailed) {
                end();
                return;
            }
        } else if ((m_result.askedRings && m_result.rings.value != m_result.askedRings)
                   || (m_result.askedS37 && m_result.s37.value != m_result.askedS37)) {
            // A value the run did not ask for (no --rings; no S37 in the list) is not compared.
            const auto asked = [](const std::optional<int> &value) {
                return value ? QString::number(*value) : CliTexts::NotAsked;
            };
            fail(JobStatus::Refused, JobFailure::VerifyMismatch,
                 CliTexts::VerifyMismatch.arg(m_result.rings.value.value_or(-1))
                     .arg(m_result.s37.value.value_or(-1))
                     .arg(asked(m_result.askedRings), asked(m_result.askedS37)));
        } else {
            m_result.verified = true;
        }
        // Whatever the query found, the modem goes back to the quiet profile it has stored.
        m_stage = Stage::VerifyReset;
        begin(ResetToStored);
        return;
    }

    if (!result.ok()) {
        if (m_result.status == JobStatus::Ok)
            failWith(result);
        else
            m_result.status = std::max(m_result.status, statusOf(failureOf(result)));
    } else if (m_result.status == JobStatus::Ok) {
        const auto shown = [](const Reading &reading) {
            return reading.value ? QString::number(*reading.value) : CliTexts::Unanswered;
        };
        m_result.message = CliTexts::Verified.arg(shown(m_result.rings), shown(m_result.s37));
    }
    end();
}

void DeviceJob::fail(JobStatus status, JobFailure failure, const QString &message,
                     const QString &command)
{
    m_result.status = status;
    m_result.failure = failure;
    m_result.message = message;
    m_result.command = command;
    m_result.verified = false;
}

void DeviceJob::interrupt(int signal)
{
    if (m_done || m_interruptedBy != 0)
        return;
    m_interruptedBy = signal;
    // The dialogue ends at once; its result, queued, finishes the job.
    if (!m_line.idle()) {
        m_line.stop();
        return;
    }
    DialogueResult stopped;
    stopped.kind = Kind::Stopped;
    QMetaObject::invokeMethod(
        this, [this, stopped] { dialogueEnded(stopped); }, Qt::QueuedConnection);
}

void DeviceJob::end()
{
    if (m_done)
        return;
    m_done = true;
    m_result.durationMs = m_clock.elapsed();
    emit finished();
}
