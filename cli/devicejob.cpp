// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicejob.h"

#include "commandlistbuilder.h"
#include "identificationtext.h"
#include "modemprotocol.h"
#include "operatoractions.h"
#include "operatortexts.h"
#include "tracing.h"
#include "transcript.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

using namespace Dialogue;

// ---- The job ---------------------------------------------------------------------------------

DeviceJob::DeviceJob(const CommandLine::Request &request, const CommandLine::Target &target,
                     LineLog *log, QObject *parent)
    : QObject(parent), m_request(request), m_target(target),
      m_session(*this, *this, log ? ModemSession::Recording::On : ModemSession::Recording::Off)
{
    SerialPort &port = m_session.port();
    if (target.port > 0)
        port.setCommPort(qint16(target.port));
    else
        port.setDevice(target.device);
    port.setSettings(request.settings);

    if (Transcript *transcript = m_session.transcript()) {
        // As the window's: the transcript sees the port, the boxes, the ticks and states.
        connect(transcript, &Transcript::appended, this, [this, log, transcript] {
            log->write(m_target.device, transcript->line(transcript->endSerial() - 1));
        });
    }
    // Queued: the next step runs once the engine has finished the call that ended the dialogue.
    connect(&m_session, &ModemSession::ended, this, &DeviceJob::dialogueEnded,
            Qt::QueuedConnection);

    m_result.device = target.device;
    m_result.action = request.action;
    if (request.action == CommandLine::Action::Configure && !request.rings.isNull())
        m_result.askedRings = CommandListBuilder::RingCount(request.rings);
}

DeviceJob::~DeviceJob() = default;

void DeviceJob::start()
{
    m_clock.start();
    begin(CommandLine::firstState(m_request.action));
}

QString DeviceJob::currentCommand() const
{
    return m_session.currentCommand();
}

void DeviceJob::begin(State first)
{
    m_shown = {};
    m_session.run(first);
}

// ---- What the engine shows -------------------------------------------------------------------

void DeviceJob::showIdentification(const Identification &result)
{
    m_result.identification = result;
}

CommandListResult DeviceJob::BuildCommandList()
{
    const SpeedRow &speed = LineSpeeds::row(m_request.settings.speed);
    QString stored = m_request.list.value_or(QString());
    const Outcome read = m_request.list ? Outcome::success() : m_store.load(&stored);
    CommandListResult built = CommandListBuilder::Build(read, stored, m_request.rings,
                                                        speed.s37Code, speed.modulationCode);
    m_sentList = built.entries;
    m_result.entries = m_sentList.size();
    // What the list asks S37 to be: the last value it sets, if any.
    static const QRegularExpression s37(QStringLiteral("S37=(\\d+)"),
                                        QRegularExpression::CaseInsensitiveOption);
    for (const QString &entry : m_sentList) {
        for (auto it = s37.globalMatch(entry); it.hasNext();)
            m_result.askedS37 = it.next().captured(1).toInt();
    }
    return built;
}

// ---- From one dialogue to the next -----------------------------------------------------------

void DeviceJob::dialogueEnded(const DialogueResult &result)
{
    if (m_done)
        return;
    const Shown shown = std::exchange(m_shown, {});
    if (m_stage == Stage::Main)
        mainEnded(result, shown);
    else
        verifyEnded(result, shown);
}

namespace {

JobStatus statusOf(DialogueResult::Kind kind)
{
    using Kind = DialogueResult::Kind;
    switch (kind) {
    case Kind::Success:
        return JobStatus::Ok;
    // A list that could not be sent: nothing is wrong with the line or the modem, the
    // configuration was refused before it began.
    case Kind::ModemRefused:
    case Kind::ListRefused:
        return JobStatus::Refused;
    case Kind::NoReply:
    case Kind::SpeedUnknown:
        return JobStatus::NoReply;
    case Kind::NoSignal:
    case Kind::PortUnavailable:
    case Kind::PortHeld:
    case Kind::PortLost:
        break;
    }
    return JobStatus::DeviceFailed;
}

} // namespace

void DeviceJob::failWith(const DialogueResult &result)
{
    fail(statusOf(result.kind), result.message, result.command);
}

void DeviceJob::mainEnded(const DialogueResult &result, const Shown &shown)
{
    using CommandLine::Action;
    using Kind = DialogueResult::Kind;
    if (!result.ok() && result.kind != Kind::SpeedUnknown) {
        failWith(result);
        end();
        return;
    }
    switch (m_request.action) {
    case Action::Query:
    case Action::Check: // run by CheckProbe, never as a job
        m_result.rings = result.rings.value_or(-1);
        m_result.s37 = result.s37.value_or(-1);
        m_result.speed = shown.answ2;
        m_result.message = OperatorTexts::CliQueryResult.arg(shown.answ1, shown.answ2);
        // The window shows "XXXX" when the speed query went unanswered: no reply all the same.
        if (result.kind == Kind::SpeedUnknown) {
            m_result.status = JobStatus::NoReply;
            m_result.command = result.command;
        }
        break;
    case Action::Configure:
        m_result.message = result.message;
        if (m_request.verify) {
            m_stage = Stage::VerifyQuery;
            begin(OperatorActions::Preguntar);
            return;
        }
        break;
    case Action::Unconfigure:
        m_result.message = result.message;
        break;
    case Action::Identify: {
        QStringList parts;
        if (m_result.identification) {
            for (const IdentificationAnswer &answer : m_result.identification->answers()) {
                QString said = answer.result == IdentificationAnswer::Result::Refused
                                   ? OperatorTexts::IdentifyRefused
                               : answer.result == IdentificationAnswer::Result::Silent
                                   ? IdentificationText::silent(answer)
                               : answer.lines.isEmpty()
                                   ? QString()
                                   : IdentificationText::visible(answer.lines.first().trimmed());
                parts << (said.isEmpty() ? answer.command
                                         : answer.command + QLatin1String(" ") + said);
            }
            if (const int ms = m_result.identification->stoppedAfterMs(); ms > 0)
                parts << OperatorTexts::IdentifyStopped.arg((ms + 500) / 1000);
            const QString suggestion = IdentificationText::suggestion(*m_result.identification);
            if (!suggestion.isEmpty())
                parts << suggestion;
        }
        m_result.message = OperatorTexts::CliIdentified.arg(parts.join(QLatin1String("; ")));
        break;
    }
    }
    end();
}

void DeviceJob::verifyEnded(const DialogueResult &result, const Shown &shown)
{
    using Kind = DialogueResult::Kind;
    if (m_stage == Stage::VerifyQuery) {
        m_result.rings = result.rings.value_or(-1);
        m_result.s37 = result.s37.value_or(-1);
        m_result.speed = shown.answ2;
        if (result.kind == Kind::SpeedUnknown) {
            fail(JobStatus::NoReply, OperatorTexts::CliVerifyNoSpeed, result.command);
        } else if (!result.ok()) {
            failWith(result);
            if (m_result.status == JobStatus::DeviceFailed) {
                end();
                return;
            }
        } else if ((m_result.askedRings >= 0 && m_result.rings != m_result.askedRings)
                   || (m_result.askedS37 >= 0 && m_result.s37 != m_result.askedS37)) {
            // A value the run did not ask for (no --rings; no S37 in the list) is not compared.
            const auto asked = [](int value) {
                return value >= 0 ? QString::number(value) : OperatorTexts::CliNotAsked;
            };
            fail(JobStatus::Refused,
                 OperatorTexts::CliVerifyMismatch.arg(m_result.rings)
                     .arg(m_result.s37)
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
            m_result.status = std::max(m_result.status, statusOf(result.kind));
    } else if (m_result.status == JobStatus::Ok) {
        m_result.message = OperatorTexts::CliVerified.arg(m_result.rings).arg(m_result.s37);
    }
    end();
}

void DeviceJob::fail(JobStatus status, const QString &message, const QString &command)
{
    m_result.status = status;
    m_result.message = message;
    m_result.command = command;
    m_result.verified = false;
}

void DeviceJob::interrupt(int signal)
{
    if (m_done)
        return;
    const QString command = currentCommand();
    m_session.stop();
    fail(JobStatus::Interrupted,
         OperatorTexts::CliInterrupted.arg(QLatin1String("SIG")
                                           + QLatin1String(sigabbrev_np(signal))),
         command);
    m_result.signal = signal;
    end();
}

void DeviceJob::end()
{
    m_done = true;
    m_result.durationMs = m_clock.elapsed();
    emit finished();
}
