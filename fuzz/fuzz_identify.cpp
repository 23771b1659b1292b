// The identify dialogue fed arbitrary replies. A well-behaved modem brings it to its inquiries;
// from there the input is the modem: chunks of bytes (cut anywhere, any parity) and ticks of
// silence. At the end the modem falls silent. The box must show the twelve inquiries, each
// with what a plain reading of the whole byte stream gives: the lines, cut at each carriage
// return, without line feeds at their front, blank ones skipped, until "0" (answered) or "4" /
// "ERROR" (refused) or a tick (silent); at most MaxLines lines of MaxLineLength characters.
// How the bytes were cut into chunks must not change any of it.
#include "enginefake.h"

#include <array>

namespace {

enum Op : uint8_t {
    Chunk,  // 1 byte n, then n bytes from the modem
    Canned, // 1 byte: one of the replies below
    Tick,   // a second of silence: the inquiry waiting ends unanswered
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

    // The text of an unfinished line is kept for the next inquiry: silence ends the command,
    // not the line.
    void silence()
    {
        if (!done())
            end(IdentificationAnswer::Result::Silent);
    }

    const QList<IdentificationAnswer> &answers() const { return m_answers; }

private:
    void end(IdentificationAnswer::Result result) { m_answers[m_at++].result = result; }
    void add(const QByteArray &line)
    {
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
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The model keeps lines whole; the engine keeps the last ReplyTextLimit bytes of a line
    // without end. Inputs this short cannot tell the two apart.
    if (size >= size_t(DialogueEngine::ReplyTextLimit))
        return 0;
    FuzzInput in(data, size);
    EngineFake fake;
    fake.parity = in.byte() % 3;

    fake.engine.startDialogue(Dialogue::IdentifyWake);
    fake.tick(); // the paced wake-up; then "AT", answered
    fake.sent.clear();
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
    FUZZ_CHECK(fake.identifications.size() == 1 && fake.boxes == 1);
    // Every inquiry went out once, in order.
    FUZZ_CHECK(fake.sent
               == QStringList(ModemProtocol::IdentifyCommands.begin(),
                              ModemProtocol::IdentifyCommands.end()));
    const QList<IdentificationAnswer> &shown = fake.identifications.constFirst().answers();
    const QList<IdentificationAnswer> &expected = model.answers();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(shown.at(i).result == expected.at(i).result);
        FUZZ_CHECK(shown.at(i).lines == expected.at(i).lines);
        FUZZ_CHECK(shown.at(i).cut == expected.at(i).cut);
    }
    return 0;
}
