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
    : QObject(parent), m_request(request), m_target(target), m_line(m_port)
{
    if (target.port > 0)
        m_port.setCommPort(qint16(target.port));
    else
        m_port.setDevice(target.device);
    m_port.setSettings(request.settings);

    LinePort *line = &m_line;
    DialogueView *view = this;
    DialogueSettings &settings = *this;
    if (log) {
        // As the window does it: the transcript sees the port, the boxes, the ticks and states.
        m_transcript = std::make_unique<Transcript>();
        m_tracedLine = std::make_unique<TracingLine>(m_line, *m_transcript, [this] {
            return TracingLine::Description{m_port.device(), m_port.settings(), m_request.parity};
        });
        m_tracedView = std::make_unique<TracingView>(*view, *m_transcript);
        line = m_tracedLine.get();
        view = m_tracedView.get();
        connect(&m_timer, &PreciseTimer::Timer, m_transcript.get(), &Transcript::timerStep);
        connect(m_transcript.get(), &Transcript::appended, this, [this, log] {
            log->write(m_target.device, m_transcript->line(m_transcript->endSerial() - 1));
        });
    }
    m_engine = std::make_unique<DialogueEngine>(*line, m_timer, *view, settings);
    const auto &speeds = ModemProtocol::SpeedNameTable;
    m_engine->setSpeedNames(QStringList(speeds.begin(), speeds.end()));
    if (m_transcript) {
        connect(m_engine.get(), &DialogueEngine::stateChanged, m_transcript.get(),
                &Transcript::stateChanged);
        connect(&m_port, &SerialPort::note, m_transcript.get(), &Transcript::event);
        connect(&m_line, &DeviceLine::note, m_transcript.get(), &Transcript::event);
    }

    connect(&m_line, &DeviceLine::received, m_engine.get(), &DialogueEngine::bytesAvailable);
    connect(&m_line, &DeviceLine::lost, m_engine.get(), &DialogueEngine::portLost);
    connect(&m_line, &DeviceLine::ready, this,
            [this] { startEngine(std::exchange(m_waitingDialogue, Idle)); });
    // Not connected, no dialogue: the device failed as for a port that does not open.
    connect(&m_line, &DeviceLine::connectFailed, this, [this](const QString &description) {
        showError(description);
        dialogueEnded();
    });
    connect(&m_timer, &PreciseTimer::Timer, m_engine.get(), &DialogueEngine::Timm_Timer);
    connect(m_engine.get(), &DialogueEngine::numberRead, this, [this](State state, qint16 number) {
        (state == QueryRingCount ? m_shown.rings : m_shown.s37) = number;
    });
    // Queued: the next step runs once the engine has finished the call that ended the dialogue.
    connect(
        m_engine.get(), &DialogueEngine::stateChanged, this,
        [this](State state) {
            if (state == Idle)
                dialogueEnded();
        },
        Qt::QueuedConnection);

    m_result.device = target.device;
    m_result.action = request.action;
    if (request.action == CommandLine::Action::Configure && !request.rings.isNull())
        m_result.askedRings = CommandListBuilder::RingCount(request.rings);
}

DeviceJob::~DeviceJob()
{
    m_timer.stop();
    m_engine->ClosePort();
}

void DeviceJob::start()
{
    m_clock.start();
    begin(CommandLine::firstState(m_request.action));
}

QString DeviceJob::currentCommand() const
{
    return m_engine->state() == Idle ? QString() : m_engine->lastCommand();
}

void DeviceJob::begin(State first)
{
    m_shown = {};
    if (m_line.isOpen() || !m_line.isNetwork()) {
        startEngine(first);
        return;
    }
    // A terminal server: connected first, so that connecting never counts as the modem's time.
    if (const Outcome started = m_line.prepare(); !started) {
        showError(started.message());
        QMetaObject::invokeMethod(this, &DeviceJob::dialogueEnded, Qt::QueuedConnection);
        return;
    }
    m_waitingDialogue = first;
}

void DeviceJob::startEngine(State first)
{
    m_engine->startDialogue(first);
    // A port that does not open ends the dialogue before it begins: no state is entered.
    if (m_engine->state() == Idle)
        QMetaObject::invokeMethod(this, &DeviceJob::dialogueEnded, Qt::QueuedConnection);
}

// ---- What the engine shows -------------------------------------------------------------------

void DeviceJob::showError(const QString &text)
{
    // A device named by its path has no port number: "El puerto 1 (/dev/pts/3)" would mislead.
    QString shown = text;
    if (m_target.port == 0)
        shown.replace(QStringLiteral("%1 (%2)").arg(m_port.commPort()).arg(m_target.device),
                      m_target.device);
    m_shown.error = shown;
}

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
    m_listProblem = built.problem;
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

void DeviceJob::dialogueEnded()
{
    if (m_done)
        return;
    const Shown shown = std::exchange(m_shown, {});
    if (m_stage == Stage::Main)
        mainEnded(shown);
    else
        verifyEnded(shown);
}

void DeviceJob::mainEnded(const Shown &shown)
{
    using CommandLine::Action;
    if (!shown.error.isEmpty()) {
        QString command;
        const JobStatus status = classify(shown.error, &command);
        fail(status, shown.error, command);
        end();
        return;
    }
    switch (m_request.action) {
    case Action::Query:
        m_result.rings = shown.rings;
        m_result.s37 = shown.s37;
        m_result.speed = shown.answ2;
        m_result.message = OperatorTexts::CliQueryResult.arg(shown.answ1, shown.answ2);
        // The window shows "XXXX" when the speed query went unanswered: no reply all the same.
        if (shown.answ2 == OperatorTexts::SpeedNoReply) {
            m_result.status = JobStatus::NoReply;
            m_result.command = ModemProtocol::CmdQuerySpeed;
        }
        break;
    case Action::Configure:
        m_result.message = shown.information;
        if (m_request.verify) {
            m_stage = Stage::VerifyQuery;
            begin(OperatorActions::Preguntar);
            return;
        }
        break;
    case Action::Unconfigure:
        m_result.message = shown.information;
        break;
    case Action::Identify: {
        QStringList parts;
        if (m_result.identification) {
            for (const IdentificationAnswer &answer : m_result.identification->answers()) {
                QString said = answer.result == IdentificationAnswer::Result::Refused
                                   ? OperatorTexts::IdentifyRefused
                               : answer.result == IdentificationAnswer::Result::Silent
                                   ? OperatorTexts::IdentifySilent
                               : answer.lines.isEmpty()
                                   ? QString()
                                   : IdentificationText::visible(answer.lines.first().trimmed());
                parts << (said.isEmpty() ? answer.command
                                         : answer.command + QLatin1String(" ") + said);
            }
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

void DeviceJob::verifyEnded(const Shown &shown)
{
    if (m_stage == Stage::VerifyQuery) {
        m_result.rings = shown.rings;
        m_result.s37 = shown.s37;
        m_result.speed = shown.answ2;
        if (!shown.error.isEmpty()) {
            QString command;
            const JobStatus status = classify(shown.error, &command);
            fail(status, shown.error, command);
            if (status == JobStatus::DeviceFailed) {
                end();
                return;
            }
        } else if (shown.answ2 == OperatorTexts::SpeedNoReply) {
            fail(JobStatus::NoReply, OperatorTexts::CliVerifyNoSpeed, ModemProtocol::CmdQuerySpeed);
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

    if (!shown.error.isEmpty()) {
        QString command;
        const JobStatus status = classify(shown.error, &command);
        if (m_result.status == JobStatus::Ok)
            fail(status, shown.error, command);
        else
            m_result.status = std::max(m_result.status, status);
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
    m_timer.stop();
    m_engine->ClosePort();
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

JobStatus DeviceJob::classify(const QString &error, QString *command) const
{
    using namespace OperatorTexts;
    if (error.startsWith(CommandErrorLead)) {
        *command = error.mid(CommandErrorLead.size()).section(QLatin1Char('\n'), 0, 0).trimmed();
        return JobStatus::Refused;
    }
    // The list could not be sent (none, too long, ring count, unreadable file): nothing is
    // wrong with the line or the modem, the configuration was refused before it began.
    if (m_listProblem != CommandListResult::Problem::None)
        return JobStatus::Refused;
    if (error == NoReplyMessage) {
        *command = m_engine->lastCommand();
        return JobStatus::NoReply;
    }
    // The port did not open, lacks CTS and DSR, or went away.
    return JobStatus::DeviceFailed;
}
