// SPDX-License-Identifier: GPL-3.0-or-later
// The identify dialogue fed arbitrary replies. A well-behaved modem brings it to its inquiries;
// from there the input is the modem: chunks of bytes (cut anywhere, any parity) and ticks of
// silence. At the end the modem falls silent. The end must be what a plain reading of the whole
// byte stream gives: each inquiry's lines, cut at each carriage return, without line feeds at
// their front, blank ones skipped, until "0" (answered) or "4" / "ERROR" (refused) or a tick
// (silent: a second with no line, or the reply's time after its first line); at most MaxLines
// lines of MaxLineLength characters; no more inquiries once the identification's time is up;
// the identification window when something was answered, else the refusal or no-reply box,
// and no-reply at once when the first inquiry is silent. An unfinished line at a silent tick is
// a late reply: dropped. How the bytes were cut into chunks must not change any of it.
#include "checkedengine.h"
#include "dialoguetable.h"

#include <array>

namespace {

enum Op : uint8_t {
    Chunk,  // 1 byte n, then n bytes from the modem
    Canned, // 1 byte: one of the replies below
    Tick,   // the timer's time passes: the inquiry ends silent
    OpCount
};

const std::array<QByteArray, 8> Replies = {
    QByteArrayLiteral("0\r"),     QByteArrayLiteral("4\r"),        QByteArrayLiteral("ERROR\r"),
    QByteArrayLiteral("\r\n"),    QByteArrayLiteral("\r"),         QByteArrayLiteral("\n"),
    QByteArrayLiteral("Modem\r"), QByteArrayLiteral("\xb0\r\x8a"),
};

// The answers a plain reading of the stream gives.
class Model
{
public:
    Model()
    {
        for (const QString &command : ModemProtocol::IdentifyCommands) {
            IdentificationAnswer answer;
            answer.command = command;
            m_answers.append(answer);
        }
    }

    bool done() const { return m_at >= m_answers.size(); }

    void receive(const QByteArray &bytes)
    {
        for (const char raw : bytes) {
            if (done())
                return; // the port is closed: the rest answers nothing
            const char c = char(raw & 0x7f);
            if (c != '\r') {
                m_line.append(c);
                continue;
            }
            qsizetype start = 0;
            while (start < m_line.size() && m_line.at(start) == '\n')
                ++start;
            const QByteArray line = m_line.mid(start);
            m_line.clear();
            if (line.isEmpty())
                continue;
            if (line == "0")
                end(IdentificationAnswer::Result::Answered);
            else if (line == "4" || line == "ERROR")
                end(IdentificationAnswer::Result::Refused);
            else
                add(line);
        }
    }

    // A tick, one second after the sending, or the reply's time after its first line (time
    // only passes at ticks here), never past the identification's end. An unfinished line of an
    // inquiry that ends silent came too late and is no part of the next one's reply.
    void silence()
    {
        if (done())
            return;
        static const int reply = Dialogue::rowFor(Dialogue::IdentifyAsk)->afterFirstLineMs;
        m_now = std::min(m_sent + (m_begun ? reply : DialogueEngine::StepIntervalMs),
                         qint64(DialogueEngine::IdentifyTotalMs));
        end(IdentificationAnswer::Result::Silent);
        m_line.clear();
    }

    // The box the engine ends with, as the fake records it.
    QString box() const
    {
        using Result = IdentificationAnswer::Result;
        const auto said = [this](Result result) {
            return std::find_if(m_answers.cbegin(), m_answers.cbegin() + m_at,
                                [result](const auto &a) { return a.result == result; });
        };
        if (m_answers.first().result == Result::Silent
            || (said(Result::Answered) == end() && said(Result::Refused) == end()))
            return "E:" + DialogueTexts::NoReplyMessage;
        if (said(Result::Answered) == end())
            return "E:" + DialogueTexts::CommandErrorLead + said(Result::Refused)->command + '\n'
                   + DialogueTexts::CommandErrorTail;
        return QStringLiteral("N:identification");
    }

    // The inquiries asked, in order.
    QStringList asked() const
    {
        QStringList commands;
        for (qsizetype i = 0; i < m_at; ++i)
            commands.append(m_answers.at(i).command);
        return commands;
    }
    const QList<IdentificationAnswer> &answers() const { return m_answers; }

private:
    QList<IdentificationAnswer>::const_iterator end() const { return m_answers.cbegin() + m_at; }
    void end(IdentificationAnswer::Result result)
    {
        m_answers[m_at++].result = result;
        m_begun = false;
        m_sent = m_now;
        // Nothing more once the first inquiry went unanswered or the time is up.
        if ((m_at == 1 && result == IdentificationAnswer::Result::Silent)
            || m_now >= DialogueEngine::IdentifyTotalMs)
            m_answers.resize(m_at);
    }
    void add(const QByteArray &line)
    {
        m_begun = true;
        IdentificationAnswer &answer = m_answers[m_at];
        if (line.size() > Identification::MaxLineLength
            || answer.lines.size() >= Identification::MaxLines)
            answer.cut = true;
        if (answer.lines.size() < Identification::MaxLines)
            answer.lines.append(QString::fromLatin1(line.left(Identification::MaxLineLength)));
    }

    QList<IdentificationAnswer> m_answers;
    qsizetype m_at = 0;
    QByteArray m_line;
    bool m_begun = false; // a line of the present inquiry's reply has come
    qint64 m_now = 0;     // since the first inquiry went out
    qint64 m_sent = 0;    // the present inquiry went out
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The model keeps lines whole; the engine keeps the last ReplyTextLimit bytes of a line
    // without end. Inputs this short cannot tell the two apart.
    if (size >= size_t(DialogueEngine::ReplyTextLimit))
        return 0;
    FuzzInput in(data, size);
    CheckedEngineFake fake;
    fake.parity = in.byte() % 3;

    fake.engine.startDialogue(Dialogue::IdentifyWake, Parity(fake.parity));
    fake.tick(); // the paced wake-up; then "AT", answered
    fake.writes.clear();
    fake.receive("\r\n0\r\n");
    FUZZ_CHECK(fake.engine.state() == Dialogue::IdentifyAsk);

    Model model;
    while (!in.done()) {
        QByteArray bytes;
        switch (in.byte() % OpCount) {
        case Chunk:
            bytes = in.bytes(in.byte());
            break;
        case Canned:
            bytes = Replies.at(in.byte() % Replies.size());
            break;
        case Tick:
            model.silence();
            fake.tick();
            break;
        }
        if (!bytes.isEmpty()) {
            model.receive(bytes);
            fake.receive(bytes);
        }
        fake.checkSettled();
        FUZZ_CHECK((fake.engine.state() == Dialogue::Idle) == model.done());
    }
    while (!model.done()) {
        model.silence();
        fake.tick();
        fake.checkSettled();
    }

    FUZZ_CHECK(fake.engine.state() == Dialogue::Idle);
    FUZZ_CHECK(fake.boxes == QStringList{model.box()});
    // Each inquiry asked went out once, in order.
    FUZZ_CHECK(fake.sent() == model.asked());
    if (model.box() != QStringLiteral("N:identification"))
        return 0;
    const QList<IdentificationAnswer> &shown = fake.identification.answers();
    const QList<IdentificationAnswer> &expected = model.answers();
    FUZZ_CHECK(shown.size() == expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(shown.at(i).result == expected.at(i).result);
        FUZZ_CHECK(shown.at(i).lines == expected.at(i).lines);
        FUZZ_CHECK(shown.at(i).cut == expected.at(i).cut);
    }
    return 0;
}
