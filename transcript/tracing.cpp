// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracing.h"

#include "transcript.h"

TracingLine::TracingLine(LinePort &line, Transcript &transcript, Describe describe)
    : m_line(line), m_transcript(transcript), m_describe(std::move(describe))
{}

Outcome TracingLine::open()
{
    const Description port = m_describe();
    Outcome opened = m_line.open();
    if (opened) {
        m_opened = true;
        m_parity = port.parity;
        m_transcript.portOpened(port.device, port.settings, port.parity);
    } else {
        m_transcript.portNotOpened(port.device, port.settings); // the box that follows says why
    }
    return opened;
}

void TracingLine::close()
{
    m_line.close();
    // A port that went away has closed itself already; the dialogue's close still ends it here.
    if (m_opened) {
        m_opened = false;
        m_transcript.portClosed();
    }
}

void TracingLine::discardInput()
{
    // What the port still held is shown before it goes; bytes only the driver held go unseen.
    const QByteArray held = m_line.input();
    if (!held.isEmpty())
        m_transcript.received(held, m_parity);
    m_line.discardInput();
    m_transcript.inputDiscarded();
}

void TracingLine::output(const QByteArray &bytes)
{
    // Out first: the record must not hold the command back.
    m_line.output(bytes);
    m_transcript.sent(bytes, m_parity);
}

QByteArray TracingLine::input()
{
    QByteArray bytes = m_line.input();
    if (!bytes.isEmpty())
        m_transcript.received(bytes, m_parity);
    return bytes;
}

void TracingLine::readInto(QByteArray &into)
{
    const qsizetype kept = into.size();
    m_line.readInto(into);
    if (into.size() > kept)
        m_transcript.received(QByteArrayView(into).sliced(kept), m_parity);
}
