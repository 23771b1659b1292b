// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's receive side: received bytes cut into lines, and each line taken as the state's
// row says it awaits. The rest of the engine is in dialogueengine.cpp.
#include "dialogueengine.h"

#include "dialoguetable.h"
#include "linecodec.h"
#include "lineport.h"
#include "modemprotocol.h"
#include "pacingtimer.h"
#include "replyline.h"

#include <algorithm>

using namespace Dialogue;

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const QByteArray Cr = QByteArrayLiteral("\r");
const qsizetype VerboseOkLength = ModemProtocol::ReplyOkVerbose.size();

} // namespace

// ---- Replies ---------------------------------------------------------------------------------

void DialogueEngine::handleReceived()
{
    // While the list is awaited what comes stays in the port, to be read with the next reply.
    if (!m_port.isOpen() || m_awaitingList)
        return;
    m_received.resize(0); // keeps its room: no allocation per reply
    m_port.readInto(m_received);
    // Nothing new: the lines still kept (states 10 and 12) have been looked at already.
    if (m_received.isEmpty() || m_state == Idle)
        return;
    LineCodec::StripParity(m_received, 0);
    const QByteArray &received = m_received;

    // A flood is taken in slices no longer than the kept text, each cut into lines and trimmed
    // before the next, so that memory stays bounded and each slice costs time in proportion to
    // its length. A line feed cut off from its carriage return starts the next line, which
    // ignores it.
    qsizetype from = 0;
    while (from < received.size()) {
        const qsizetype n = std::min<qsizetype>(ReplyTextLimit, received.size() - from);
        // Bytes all the way: the reply text never goes through a text codec.
        m_reply.text.append(received.constData() + from, n);
        from += n;
        if (m_reply.text.contains('\n')) // cheaper than building a matcher for every reply
            m_reply.text.replace(CrLf, Cr);
        runLineLoop();
        if (m_state == Idle)
            return; // the rest answers nothing: the port has been closed
        trimReplyText();
    }
}

void DialogueEngine::runLineLoop()
{
    if (m_awaitingList)
        return;
    // Lines are consumed by moving an offset and cut off the front once at the end, so that a
    // block of many short lines costs linear time.
    qsizetype offset = 0;
    for (;;) {
        const qsizetype cr = m_reply.text.indexOf('\r', offset);
        if (cr < 0)
            break;
        const qsizetype length = cr - offset + 1;
        // A view, not a copy: the text does not change while the line is looked at.
        const QByteArray line = ReplyLine::withoutLeadingLineFeeds(
            QByteArray::fromRawData(m_reply.text.constData() + offset, length - 1));
        const Row &row = *rowFor(m_state);
        if (line.isEmpty()) {
            // Modems that frame their results in CR LF send a blank line first; it carries no
            // result. Where any line is awaited (AT&F, AT&W0), it is the line that came.
            if (row.awaits == Awaits::VerboseOk)
                firstLineIn(row);
            offset += length;
            continue;
        }
        const qsizetype consumed = takeLine(row, line, offset, length);
        if (m_state == Idle)
            return; // finish() has emptied the text
        if (consumed <= 0)
            break;
        offset += consumed;
        if (m_awaitingList)
            break; // the rest is read once the list has come
    }
    if (offset == m_reply.text.size())
        m_reply.text.resize(0); // all of it consumed: the room stays for the next reply
    else
        m_reply.text.remove(0, offset);
}

qsizetype DialogueEngine::takeLine(const Row &row, const QByteArray &line, qsizetype offset,
                                   qsizetype length)
{
    switch (row.awaits) {
    case Awaits::Nothing:
        return length;

    case Awaits::NoRefusal:
        // The paced step goes on by itself, so other lines leave the timer alone; but a refused
        // ATQ1 or AT&W0 means the stored profile is not what was asked.
        if (ReplyLine::isRefusal(line)) {
            stopTimer();
            ReportCommandError();
        }
        return length;

    case Awaits::ExactlyZero:
        stopTimer();
        if (ReplyLine::isExactlyZero(line))
            apply(row);
        else
            ReportCommandError();
        return length;

    case Awaits::NumberThenZero:
        if (!m_reply.hasNumber) {
            m_reply.number = ReplyLine::leadingNumber(line);
            m_reply.numbered = ReplyLine::hasLeadingNumber(line);
            m_reply.hasNumber = true;
            firstLineIn(row); // the result line must follow in the row's time
            return length;
        }
        stopTimer();
        m_reply.hasNumber = false;
        if (ReplyLine::endsInZero(line))
            apply(row);
        else
            ReportCommandError();
        return length;

    case Awaits::VerboseOk: {
        const qsizetype found = ReplyLine::findVerboseOk(m_reply.text, offset);
        if (found < 0 && refusedSince(offset)) {
            // AT&F or AT&W0 refused: the modem keeps the profile it had.
            stopTimer();
            ReportCommandError();
            return length;
        }
        if (found < 0) {
            // Keep everything and wait for more, but not for ever: "OK" must come in the row's
            // time, whatever else the modem sends.
            firstLineIn(row);
            return 0;
        }
        stopTimer();
        apply(row);
        return found + VerboseOkLength - offset;
    }

    case Awaits::InfoThenResult:
        if (ReplyLine::isExactlyZero(line) || ReplyLine::isRefusal(line)) {
            stopTimer();
            m_identification.end(ReplyLine::isRefusal(line)
                                     ? IdentificationAnswer::Result::Refused
                                     : IdentificationAnswer::Result::Answered,
                                 m_timer.nowMs());
            apply(row);
        } else {
            m_identification.addLine(line);
            firstLineIn(row); // the result must follow in the row's time
        }
        return length;
    }
    return length;
}

bool DialogueEngine::refusedSince(qsizetype offset) const
{
    // Every complete line kept from `offset` on, not only the first: the kept lines are looked
    // at again whenever more text comes, and an echo may stand before the refusal.
    for (qsizetype at = offset;;) {
        const qsizetype cr = m_reply.text.indexOf('\r', at);
        if (cr < 0)
            return false;
        if (ReplyLine::isRefusal(ReplyLine::withoutLeadingLineFeeds(m_reply.text.mid(at, cr - at))))
            return true;
        at = cr + 1;
    }
}

void DialogueEngine::trimReplyText()
{
    // A modem that sends without line ends (or lines the state keeps) must not grow memory
    // without limit: the oldest bytes go. Every "OK"+CR has been searched for before this point,
    // so the states that look for it lose nothing they could still find.
    const qsizetype excess = m_reply.text.size() - ReplyTextLimit;
    if (excess > 0)
        m_reply.text.remove(0, excess);
}
