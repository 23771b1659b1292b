#include "dialogueengine.h"

#include "dialoguesettings.h"
#include "dialogueview.h"
#include "linecodec.h"
#include "lineport.h"
#include "pacingtimer.h"
#include "replyline.h"
#include "systemtexts.h"
#include "textutils.h"

#include <algorithm>
#include <limits>

namespace {

// Kind of a receive notification that carries data; every other kind is ignored.
constexpr int ComEvReceive = 2;

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const QByteArray Cr = QByteArrayLiteral("\r");
const qsizetype VerboseOkLength = SystemTexts::ReplyOkVerbose.size();

QString quotedForInfo(QString command)
{
    // The caption is a label's: a "&" of the command must be doubled to show at all.
    command.replace(QLatin1Char('&'), QLatin1String("&&"));
    return SystemTexts::InfoSendingPrefix + QLatin1Char('"') + command + QLatin1Char('"');
}

// A line feed at the front of a line is the tail of the previous line end, split from its
// carriage return by the way the bytes arrived; it carries nothing.
QByteArray withoutLeadingLineFeeds(const QByteArray &line)
{
    qsizetype i = 0;
    while (i < line.size() && line.at(i) == '\n')
        ++i;
    return i == 0 ? line : line.mid(i);
}

} // namespace

DialogueEngine::DialogueEngine(LinePort &port, PacingTimer &timer, DialogueView &view,
                               DialogueSettings &settings, QObject *parent)
    : QObject(parent), m_port(port), m_timer(timer), m_view(view), m_settings(settings)
{
}

// ---- Event sources ---------------------------------------------------------------------------
//
// Each event runs one step to completion. A step may show a modal box, and the real window
// keeps delivering port and timer events while it is open; those are queued here and handled,
// in order, once the step (box included) has finished, so no step ever runs inside another and
// no box is stacked over another.

void DialogueEngine::startDialogue(const DialogueStart &start)
{
    PendingEvent event;
    event.kind = EventKind::Start;
    event.start = start;
    dispatch(std::move(event));
}

void DialogueEngine::Comm_OnComm(int commEvent)
{
    PendingEvent event;
    event.kind = EventKind::Received;
    event.commEvent = commEvent;
    dispatch(std::move(event));
}

void DialogueEngine::Timm_Timer()
{
    if (m_busy) {
        // Switch the timer off at once so that a long-open box does not collect a tick per
        // second. The queued tick remembers the timer's generation: if a step starts or stops
        // the timer before its turn comes, it is a tick that would never have fired and is
        // dropped.
        m_timer.stop();
    }
    PendingEvent event;
    event.kind = EventKind::Tick;
    event.timerGeneration = m_timerGeneration;
    dispatch(std::move(event));
}

void DialogueEngine::portLost(const QString &description)
{
    PendingEvent event;
    event.kind = EventKind::Lost;
    event.text = description;
    dispatch(std::move(event));
}

void DialogueEngine::dispatch(PendingEvent event)
{
    // One receive step reads everything waiting, so a second notification queued right behind
    // another adds nothing; dropping it keeps the queue short while a box is open on a flood.
    const bool repeatsReceive = event.kind == EventKind::Received && !m_pending.empty()
                                && m_pending.back().kind == EventKind::Received
                                && m_pending.back().commEvent == event.commEvent;
    if (!repeatsReceive)
        m_pending.push_back(std::move(event));
    if (m_busy)
        return;

    struct BusyGuard
    {
        bool &busy;
        explicit BusyGuard(bool &b) : busy(b) { busy = true; }
        ~BusyGuard() { busy = false; }
    } guard(m_busy);

    while (!m_pending.empty()) {
        const PendingEvent next = std::move(m_pending.front());
        m_pending.pop_front();
        handle(next);
    }
}

void DialogueEngine::handle(const PendingEvent &event)
{
    switch (event.kind) {
    case EventKind::Received:
        handleReceived(event.commEvent);
        break;
    case EventKind::Tick:
        if (event.timerGeneration == m_timerGeneration)
            handleTick();
        break;
    case EventKind::Lost:
        handleLost(event.text);
        break;
    case EventKind::Start:
        handleStart(event.start);
        break;
    }
}

// ---- Operator action -------------------------------------------------------------------------

void DialogueEngine::handleStart(const DialogueStart &start)
{
    const QString failure = OpenPort();
    if (!failure.isEmpty()) {
        // Timer, `info` and state stay as they were: a running dialogue goes on untouched.
        showError(failure);
        return;
    }
    stopTimer();
    if (!start.info.isNull())
        m_view.setInfo(start.info);
    SendCommand(start.firstCommand);
    setState(start.state);
}

// ---- Port opening and closing ----------------------------------------------------------------

QString DialogueEngine::OpenPort()
{
    const QString failure = m_port.open();
    if (!failure.isEmpty())
        return failure;

    // One of the two lines is enough to tell that a modem is there.
    if (!m_port.ctsHolding() && !m_port.dsrHolding()) {
        m_port.close();
        return SystemTexts::NoCtsDsr;
    }

    m_view.setLineSettingsEnabled(false);
    m_port.setRtsEnable(true);
    m_port.setDtrEnable(true);
    return QString();
}

void DialogueEngine::ClosePort()
{
    // Leaves the timer, the labels and the reply buffer alone: the steps that end a dialogue
    // have dealt with those before.
    if (m_port.isOpen())
        m_port.close();
    m_view.setLineSettingsEnabled(true);
    setState(Dialogue::Idle);
}

// ---- Transmitter -----------------------------------------------------------------------------

void DialogueEngine::SendCommand(const QString &command)
{
    stopTimer();
    LastCommand = command;
    // Parity is read at every send: the option may have changed since the last dialogue.
    const int parityMode = m_settings.parityMode();
    // One character, one byte: commands are plain ASCII; anything beyond Latin-1 cannot go
    // down a 7-bit line anyway.
    QByteArray line = command.toLatin1();
    line.append('\r');
    m_port.output(LineCodec::ApplyParity(parityMode, line));
    startTimer();
}

void DialogueEngine::ReportCommandError()
{
    showError(commandErrorText());
}

QString DialogueEngine::commandErrorText() const
{
    return SystemTexts::CommandErrorLead + LastCommand + QLatin1Char('\n')
           + SystemTexts::CommandErrorTail;
}

// ---- Receive handler -------------------------------------------------------------------------

void DialogueEngine::handleReceived(int commEvent)
{
    if (!m_port.isOpen())
        return;
    if (commEvent != ComEvReceive)
        return;

    const QByteArray received = LineCodec::StripParity(m_port.input());
    // Nothing new: the lines still kept in Text (states 10 and 12) have been looked at already,
    // and looking again would only restart their time-out.
    if (received.isEmpty())
        return;
    if (DialogueState == Dialogue::Idle)
        return; // no dialogue awaits anything

    // A flood is taken in slices no longer than the kept text, each cut into lines and trimmed
    // before the next, so that memory stays bounded and each slice costs time in proportion to
    // its length. A slice never ends between a carriage return and its line feed: the pair is
    // one line end, and splitting it would turn a good "0" reply into "\n0".
    qsizetype from = 0;
    while (from < received.size()) {
        qsizetype n = std::min<qsizetype>(ReplyTextLimit, received.size() - from);
        if (received.at(from + n - 1) == '\r' && from + n < received.size()
            && received.at(from + n) == '\n')
            ++n;
        // Bytes all the way: the reply text never goes through a text codec.
        ReplyBuffer.Text.append(received.constData() + from, n);
        from += n;
        ReplyBuffer.Text.replace(CrLf, Cr);
        runLineLoop();
        if (DialogueState == Dialogue::Idle)
            return; // the rest is not a reply to anything: the port has been closed
        trimReplyText();
    }
}

void DialogueEngine::runLineLoop()
{
    // Lines are consumed by moving an offset and cut off the front once at the end, so that a
    // block of many short lines costs linear time.
    qsizetype offset = 0;
    for (;;) {
        const qsizetype cr = ReplyBuffer.Text.indexOf('\r', offset);
        if (cr < 0)
            break;
        const qsizetype p = cr - offset + 1;
        const QByteArray line = withoutLeadingLineFeeds(ReplyBuffer.Text.mid(offset, p - 1));
        if (line.isEmpty()) {
            // Modems that frame their results in CR LF send a blank line first; it carries no
            // result, so it neither answers the command nor restarts the time-out.
            offset += p;
            continue;
        }
        const qsizetype consumed = handleLine(line, offset, p);
        if (DialogueState == Dialogue::Idle)
            return; // finish() has emptied the text
        if (consumed <= 0)
            break;
        offset += consumed;
    }
    ReplyBuffer.Text.remove(0, offset);
}

void DialogueEngine::takeNumberLine(const QByteArray &line)
{
    ReplyBuffer.Number = ReplyLine::leadingNumber(line);
    ReplyBuffer.HasNumber = 1;
    // The result line must follow within a second, or the modem has stopped answering.
    startTimer();
}

void DialogueEngine::failCommand()
{
    finish(Box::Error, commandErrorText());
}

void DialogueEngine::trimReplyText()
{
    // A modem that sends without line ends (or lines the state keeps) must not grow memory
    // without limit: the oldest bytes go. Every "OK"+CR has been searched for before this point,
    // so the states that look for it lose nothing they could still find.
    const qsizetype excess = ReplyBuffer.Text.size() - ReplyTextLimit;
    if (excess > 0)
        ReplyBuffer.Text.remove(0, excess);
}

qsizetype DialogueEngine::handleLine(const QByteArray &line, qsizetype offset, qsizetype p)
{
    using namespace Dialogue;
    switch (DialogueState) {
    case QueryModeCheck:
        stopTimer();
        if (ReplyLine::isExactlyZero(line)) {
            SendCommand(SystemTexts::CmdQueryRings);
            setState(QueryRingCount);
        } else {
            failCommand();
        }
        return p;

    case QueryRingCount:
        stopTimer();
        if (ReplyBuffer.HasNumber == 0) {
            takeNumberLine(line);
        } else if (ReplyLine::endsInZero(line)) {
            m_view.setAnsw1(TextUtils::NumberText(ReplyBuffer.Number));
            SendCommand(SystemTexts::CmdQuerySpeed);
            setState(QueryLineSpeed);
            ReplyBuffer.HasNumber = 0;
        } else {
            failCommand();
        }
        return p;

    case QueryLineSpeed:
        stopTimer();
        if (ReplyBuffer.HasNumber == 0) {
            takeNumberLine(line);
        } else if (ReplyLine::endsInZero(line)) {
            // Below 0 or past the table the modem reports a code this program has no name for.
            const qint16 number = ReplyBuffer.Number;
            m_view.setAnsw2(number >= 0 && number < SpeedNames.size()
                                ? SpeedNames.at(number)
                                : SystemTexts::SpeedOutOfRange);
            finish();
        } else {
            failCommand();
        }
        return p;

    case ConfigResetCheck:
        stopTimer();
        if (ReplyLine::isExactlyZero(line)) {
            CommandList = m_settings.BuildCommandList();
            CommandIndex = 0;
            if (CommandList.isEmpty()) {
                // Nothing to send: say so rather than fail on a missing entry 0.
                finish(Box::Error, SystemTexts::EmptyCommandList);
                return p;
            }
            sendListEntry();
            setState(ConfigSendList);
        } else {
            failCommand();
        }
        return p;

    case ConfigSendList:
        stopTimer();
        if (ReplyLine::isExactlyZero(line)) {
            // The index is 16 bits: a list longer than that ends at its last reachable entry.
            if (CommandIndex < CommandList.size() - 1
                && CommandIndex < std::numeric_limits<qint16>::max()) {
                TextUtils::IncrementIndex(CommandIndex);
                sendListEntry();
            } else {
                m_view.setInfo(quotedForInfo(SystemTexts::CmdQuiet));
                SendCommand(SystemTexts::CmdQuiet);
                setState(ConfigQuiet);
            }
        } else {
            failCommand();
        }
        return p;

    case FactoryReset:
    case FactoryStore:
        stopTimer();
        return handleVerboseOk(offset);

    case ConfigQuiet:
    case ConfigStore:
        // The modem should be quiet now and the paced step goes on by itself, so other lines
        // are left alone; but a refused ATQ1 or AT&W0 means the profile is not what was asked.
        if (ReplyLine::isRefusal(line)) {
            stopTimer();
            failCommand();
        }
        return p;

    default:
        // States 1, 5 and 11: the line is not looked at.
        return p;
    }
}

qsizetype DialogueEngine::handleVerboseOk(qsizetype offset)
{
    const qsizetype found = ReplyLine::findVerboseOk(ReplyBuffer.Text, offset);
    if (found < 0) {
        // Keep everything and wait for more, but not for ever: a modem that stops answering
        // ends in the no-reply message one second after its last line.
        startTimer();
        return 0;
    }
    const qsizetype consumed = found + VerboseOkLength - offset;
    if (DialogueState == Dialogue::FactoryReset) {
        setState(Dialogue::FactoryResetDone);
        startTimer();
    } else {
        finish(Box::Information, SystemTexts::UnconfiguredOk, ClearInfo);
    }
    return consumed;
}

void DialogueEngine::sendListEntry()
{
    const QString command = SystemTexts::CmdPrefix + CommandList.value(CommandIndex);
    m_view.setInfo(quotedForInfo(command));
    SendCommand(command);
}

// ---- Timer steps -----------------------------------------------------------------------------

void DialogueEngine::handleTick()
{
    using namespace Dialogue;
    stopTimer();
    switch (DialogueState) {
    case QueryWake:
        m_port.discardInput();
        SendCommand(SystemTexts::CmdQueryWake);
        setState(QueryModeCheck);
        break;
    case QueryLineSpeed:
        m_port.discardInput();
        m_view.setAnsw2(SystemTexts::SpeedNoReply);
        finish();
        break;
    case ConfigWake:
        m_port.discardInput();
        SendCommand(SystemTexts::CmdConfigWake);
        setState(ConfigResetCheck);
        break;
    case ConfigQuiet:
        m_port.discardInput();
        SendCommand(SystemTexts::CmdStoreProfile);
        setState(ConfigStore);
        break;
    case ConfigStore:
        finish(Box::Information, SystemTexts::ConfiguredOk, ClearInfo);
        break;
    case FactoryResetDone:
        m_port.discardInput();
        m_view.setInfo(SystemTexts::InfoSendingStore);
        SendCommand(SystemTexts::CmdStoreProfile);
        setState(FactoryStore);
        break;
    default:
        finish(Box::Error, SystemTexts::NoReplyMessage, ClearInfo);
        break;
    }
}

// ---- Lost port -------------------------------------------------------------------------------

void DialogueEngine::handleLost(const QString &description)
{
    if (DialogueState == Dialogue::Idle) {
        finish();
        return;
    }
    // Like a silent modem: the progress text no longer holds, the operator is told once.
    finish(Box::Error, description.isEmpty() ? SystemTexts::PortLostUnnamed : description,
           ClearInfo);
}

// ---- The one way a dialogue ends -------------------------------------------------------------

void DialogueEngine::finish(Box box, const QString &text, bool clearInfo)
{
    stopTimer();
    if (clearInfo)
        m_view.setInfo(QString());
    // Closed before the box, not after: a modem that keeps sending while the operator reads
    // the box must not fill memory, and what it sends then answers nothing anyway.
    m_port.close();
    ReplyBuffer = ReplyBufferRecord{};
    if (box == Box::Error)
        showError(text);
    else if (box == Box::Information)
        showInformation(text);
    ClosePort();
}

// ---- Small helpers ---------------------------------------------------------------------------

void DialogueEngine::setState(qint16 state)
{
    if (DialogueState == state)
        return;
    DialogueState = state;
    emit stateChanged(state);
}

void DialogueEngine::stopTimer()
{
    m_timer.stop();
    ++m_timerGeneration;
}

void DialogueEngine::startTimer()
{
    m_timer.start(StepIntervalMs);
    ++m_timerGeneration;
}

void DialogueEngine::showError(const QString &text)
{
    m_view.showError(text);
}

void DialogueEngine::showInformation(const QString &text)
{
    m_view.showInformation(text);
}
