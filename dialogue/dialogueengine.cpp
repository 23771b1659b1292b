// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogueengine.h"

#include "dialoguefacts.h"
#include "dialoguetable.h"
#include "linecodec.h"
#include "lineport.h"
#include "modemprotocol.h"
#include "pacingtimer.h"
#include "textutils.h"

#include <QThread>

#include <algorithm>
#include <utility>

using namespace Dialogue;

namespace {

DialogueResult notOpened(State first, const Outcome &opened)
{
    DialogueResult result;
    result.first = first;
    result.description = opened.message();
    result.holder = opened.detail();
    result.lineFault = opened.fault();
    switch (opened.fault()) {
    case Outcome::Fault::PortHeld:
        result.kind = DialogueResult::Kind::PortHeld;
        break;
    case Outcome::Fault::NoSignal:
        result.kind = DialogueResult::Kind::NoSignal;
        break;
    default:
        result.kind = DialogueResult::Kind::PortUnavailable;
        break;
    }
    return result;
}

} // namespace

DialogueEngine::DialogueEngine(LinePort &port, PacingTimer &timer, DialogueFacts &facts,
                               QObject *parent)
    : QObject(parent), m_port(port), m_timer(timer), m_facts(facts),
      m_events([this](const DialogueEvent &event) { handle(event); })
{}

// ---- Event sources ---------------------------------------------------------------------------

void DialogueEngine::startDialogue(State first, Parity parity)
{
    Q_ASSERT(QThread::currentThread() == thread());
    DialogueEvent event;
    event.kind = DialogueEvent::Kind::Start;
    event.first = first;
    event.parity = parity;
    m_events.dispatch(std::move(event));
}

void DialogueEngine::bytesAvailable()
{
    m_events.dispatch(DialogueEvent{});
}

void DialogueEngine::Timm_Timer()
{
    if (m_events.busy()) {
        // Switch the timer off at once so that a long-open box does not collect a tick per
        // second. The queued tick remembers the timer's generation: if a step starts or stops
        // the timer before its turn comes, it is a tick that would never have fired and is
        // dropped.
        m_timer.stop();
    }
    DialogueEvent event;
    event.kind = DialogueEvent::Kind::Tick;
    event.timerGeneration = m_timerGeneration;
    m_events.dispatch(std::move(event));
}

void DialogueEngine::portLost(const Outcome &why)
{
    DialogueEvent event;
    event.kind = DialogueEvent::Kind::Lost;
    event.lost = why;
    m_events.dispatch(std::move(event));
}

void DialogueEngine::handle(const DialogueEvent &event)
{
    Q_ASSERT(QThread::currentThread() == thread());
    switch (event.kind) {
    case DialogueEvent::Kind::Received:
        handleReceived();
        break;
    case DialogueEvent::Kind::Tick:
        if (event.timerGeneration == m_timerGeneration)
            handleTick();
        break;
    case DialogueEvent::Kind::Lost:
        handleLost(event.lost);
        break;
    case DialogueEvent::Kind::Start:
        handleStart(event.first, event.parity);
        break;
    }
}

// ---- Operator action -------------------------------------------------------------------------

void DialogueEngine::handleStart(State first, Parity parity)
{
    // One dialogue at a time: the face refuses a second action itself.
    if (m_state != Idle || m_awaitingList)
        return;
    const Outcome opened = OpenPort();
    if (!opened) {
        m_facts.ended(notOpened(first, opened));
        return;
    }
    stopTimer();
    m_parity = parity;
    m_result = DialogueResult();
    m_result.first = first;
    enter(first);
}

void DialogueEngine::giveList(const CommandListResult &list)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!std::exchange(m_awaitingList, false))
        return;
    startList(list);
    // What came with the "0" that asked for the list is read as the list's first reply, as it
    // would have been had the list been there at once.
    if (m_state != Idle && !m_reply.text.isEmpty())
        runLineLoop();
}

void DialogueEngine::stop()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (m_state == Idle && !m_awaitingList)
        return;
    m_result.command = lastCommand();
    finish(DialogueResult::Kind::Stopped);
}

// ---- Port opening and closing ----------------------------------------------------------------

Outcome DialogueEngine::OpenPort()
{
    const Outcome opened = m_port.open();
    if (!opened)
        return opened;

    // One of the two lines is enough to tell that a modem is there.
    if (!m_port.ctsHolding() && !m_port.dsrHolding()) {
        m_port.close();
        return Outcome::failure(Outcome::Fault::NoSignal, QString());
    }

    m_facts.portOpened();
    m_port.setRtsEnable(true);
    m_port.setDtrEnable(true);
    return Outcome::success();
}

void DialogueEngine::ClosePort()
{
    // Leaves the timer and the reply text alone: finish() has dealt with those.
    if (m_port.isOpen())
        m_port.close();
    setState(Idle);
}

// ---- Transmitter -----------------------------------------------------------------------------

void DialogueEngine::SendCommand(const QString &command)
{
    m_lastCommand = command;
    m_lastIsEntry = false;
    // One character, one byte: commands are plain ASCII; anything beyond Latin-1 cannot go
    // down a 7-bit line anyway.
    QByteArray line = command.toLatin1();
    line.append('\r');
    sendLine(LineCodec::ApplyParity(m_parity, line));
    m_facts.commandSent(command);
}

void DialogueEngine::sendLine(const QByteArray &line)
{
    m_port.output(line);
    // The time-out runs from the moment the command is out; restarted only then, so that the
    // modem does not wait on the timer's bookkeeping.
    stopTimer();
    startTimer();
    m_reply.begun = false;
}

QString DialogueEngine::lastCommand() const
{
    return m_lastIsEntry ? ModemProtocol::CmdPrefix + m_list.value(m_index) : m_lastCommand;
}

void DialogueEngine::ReportCommandError()
{
    reportRefused(lastCommand());
}

void DialogueEngine::reportRefused(const QString &command)
{
    m_result.command = command;
    finish(DialogueResult::Kind::ModemRefused);
}

// ---- Timer steps -----------------------------------------------------------------------------

void DialogueEngine::handleTick()
{
    stopTimer();
    const Row *row = rowFor(m_state);
    if (!row)
        return;
    switch (row->tick) {
    case OnTick::NoReply:
        m_result.command = lastCommand();
        if (row->then == Then::ShowRings)
            m_result.ringsReason = DialogueResult::Reason::NoReply;
        finish(DialogueResult::Kind::NoReply);
        break;
    case OnTick::Pace:
        dropLateReply();
        apply(*row);
        break;
    case OnTick::SpeedUnknown:
        m_port.discardInput();
        m_result.s37Reason = DialogueResult::Reason::NoReply;
        m_facts.speedRead(std::nullopt);
        m_result.command = lastCommand();
        finish(DialogueResult::Kind::SpeedUnknown);
        break;
    case OnTick::Unanswered:
        // Silence ends this command, not the dialogue.
        dropLateReply();
        m_identification.end(IdentificationAnswer::Result::Silent, m_timer.nowMs());
        apply(*row);
        break;
    }
}

void DialogueEngine::dropLateReply()
{
    // The command's time is up and the next one goes out now: what has come since (unread
    // input, and a line still kept without its carriage return) answers this one, late, and
    // must not be read as the next one's reply. A reply still on its way when the next command
    // goes out cannot be told from that command's own; a modem that ignored the first of two
    // wake-up commands answers only the second, so nothing after the sending is dropped.
    QByteArray late = m_reply.text;
    // A tick queued before the port was lost still runs: a closed port has nothing to read.
    if (m_port.isOpen()) {
        const qsizetype kept = late.size();
        m_port.readInto(late);
        LineCodec::StripParity(late, kept);
    }
    m_port.discardInput();
    m_reply.text.clear();
    m_reply.hasNumber = false;
    // The line feed of a CR LF whose CR came in time ends a line; it is no reply.
    if (std::any_of(late.cbegin(), late.cend(), [](char c) { return c != '\r' && c != '\n'; }))
        m_facts.lateReplyDropped(late);
}

// ---- Moving through the table ----------------------------------------------------------------

void DialogueEngine::enter(State state)
{
    const Row &row = *rowFor(state);
    // The command goes out before anything is told: the modem should not wait on the face.
    if (!row.command.isEmpty()) {
        SendCommand(row.command);
    } else if (row.awaits == Awaits::Nothing) {
        startTimer(); // a pause of one second
        m_reply.begun = false;
    }
    setState(state);
}

DialogueResult::Reason DialogueEngine::reading(qint16 highest, std::optional<qint16> *value) const
{
    using Reason = DialogueResult::Reason;
    if (!m_reply.numbered) {
        *value = std::nullopt;
        return Reason::NoNumber;
    }
    *value = m_reply.number;
    return m_reply.number >= 0 && m_reply.number <= highest ? Reason::None : Reason::OutOfRange;
}

void DialogueEngine::apply(const Row &row)
{
    switch (row.then) {
    case Then::Enter:
        enter(row.next);
        break;
    case Then::ShowRings:
        // The window shows what the line reads as, 0 for a line without digits; the result
        // holds only what is a reading of the register, which holds 0 to 255.
        m_result.ringsReason = reading(ModemProtocol::HighestRegister, &m_result.rings);
        m_facts.ringsRead(m_reply.number);
        enter(row.next);
        break;
    case Then::ShowSpeed: {
        // Below 0 or past the codes the modem documents, the program has no name for it.
        const qint16 number = m_reply.number;
        m_result.s37Reason = reading(ModemProtocol::HighestS37, &m_result.s37);
        m_facts.speedRead(number);
        finish(DialogueResult::Kind::Success);
        break;
    }
    case Then::StartList:
        // The list is read now, by the face, from what it shows at this moment; nothing goes
        // out, and no deadline runs, until it comes.
        m_awaitingList = true;
        m_facts.listNeeded();
        break;
    case Then::NextEntry:
        if (m_index < m_list.size() - 1) {
            TextUtils::IncrementIndex(m_index);
            sendListEntry();
        } else {
            enter(row.next);
        }
        break;
    case Then::EndConfigured:
    case Then::EndUnconfigured:
        finish(DialogueResult::Kind::Success);
        break;
    case Then::StartInquiry:
        m_identification = Identification();
        m_index = 0;
        m_identifyEndMs = m_timer.nowMs() + IdentifyTotalMs;
        sendInquiry();
        setState(row.next);
        break;
    case Then::NextInquiry: {
        // A line that does not answer the first inquiry at all is no modem to identify.
        const IdentificationAnswer &first = m_identification.answers().constFirst();
        if (m_index == 0 && first.result == IdentificationAnswer::Result::Silent) {
            m_result.command = first.command;
            finish(DialogueResult::Kind::NoReply);
            break;
        }
        const bool more = m_index + 1 < qsizetype(ModemProtocol::IdentifyCommands.size());
        if (more && m_timer.nowMs() < m_identifyEndMs) {
            ++m_index;
            sendInquiry();
            break;
        }
        if (more)
            m_identification.stopAfter(IdentifyTotalMs);
        endIdentification();
        break;
    }
    }
}

void DialogueEngine::endIdentification()
{
    using Result = IdentificationAnswer::Result;
    const auto &answers = m_identification.answers();
    const auto said = [&answers](Result result) {
        return std::find_if(answers.cbegin(), answers.cend(),
                            [result](const IdentificationAnswer &a) { return a.result == result; });
    };
    // Identified only if the modem answered something; refusals alone name what it refused.
    if (said(Result::Answered) != answers.cend()) {
        finish(DialogueResult::Kind::Success);
    } else if (const auto refused = said(Result::Refused); refused != answers.cend()) {
        reportRefused(refused->command);
    } else {
        m_result.command = answers.constFirst().command;
        finish(DialogueResult::Kind::NoReply);
    }
}

void DialogueEngine::startList(const CommandListResult &given)
{
    // Checked here too: the entry index cannot reach past MostEntries, and entry 0 must be.
    const CommandListResult list = given.ok() ? CommandListResult::checked(given.entries) : given;
    if (!list.ok()) {
        // Nothing of it has gone out: say why rather than send part of it, or another list.
        m_result.listProblem = list.problem;
        finish(DialogueResult::Kind::ListRefused);
        return;
    }
    m_list = list.entries;
    m_encoded = EncodedList(m_list, m_parity);
    m_index = 0;
    sendListEntry();
    setState(rowFor(m_state)->next);
}

void DialogueEngine::sendListEntry()
{
    sendLine(m_encoded.line(m_index));
    m_lastIsEntry = true;
    m_facts.entrySent(m_index);
}

void DialogueEngine::sendInquiry()
{
    const QString &command = ModemProtocol::IdentifyCommands.at(std::size_t(m_index));
    m_identification.begin(command, m_timer.nowMs());
    SendCommand(command);
}

// ---- Lost port -------------------------------------------------------------------------------

void DialogueEngine::handleLost(const Outcome &why)
{
    if (m_state == Idle && !m_awaitingList) {
        // No dialogue to end: the port is only closed.
        stopTimer();
        m_port.close();
        m_reply = {};
        ClosePort();
        return;
    }
    m_result.description = why.message();
    m_result.lineFault = why.fault();
    finish(DialogueResult::Kind::PortLost);
}

// ---- The one way a dialogue ends -------------------------------------------------------------

void DialogueEngine::finish(DialogueResult::Kind kind)
{
    stopTimer();
    m_port.close();
    m_reply = {};
    m_awaitingList = false;
    m_identifyEndMs = -1;
    ClosePort();
    DialogueResult result = std::exchange(m_result, DialogueResult());
    result.kind = kind;
    if (kind == DialogueResult::Kind::Success && result.first == IdentifyWake)
        result.identification = std::exchange(m_identification, Identification());
    m_facts.ended(result);
}

// ---- Small helpers ---------------------------------------------------------------------------

void DialogueEngine::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    m_facts.stateChanged(state);
}

void DialogueEngine::stopTimer()
{
    m_timer.stop();
    ++m_timerGeneration;
}

void DialogueEngine::startTimer(int intervalMs)
{
    if (m_identifyEndMs >= 0)
        intervalMs = int(std::clamp<qint64>(m_identifyEndMs - m_timer.nowMs(), 1, intervalMs));
    m_timer.start(intervalMs);
    ++m_timerGeneration;
}

void DialogueEngine::firstLineIn(const Row &row)
{
    if (std::exchange(m_reply.begun, true))
        return;
    stopTimer();
    startTimer(row.afterFirstLineMs);
}
