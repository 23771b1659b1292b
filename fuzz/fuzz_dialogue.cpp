// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogue engine driven by arbitrary input read as a little program: each op byte, then its
// payload. Dialogues start, the modem sends anything, the clock ticks, the cable goes, settings
// change; the face's boxes stay open while more ops run inside them (all but a start: a box is
// modal) until a dismiss op. After every op the fake checks what must always hold; at the end
// the modem falls silent and every dialogue must come to its end.
#include "checkedengine.h"

#include <array>

namespace {

enum Op : uint8_t {
    Start,    // 1 byte: which dialogue
    Receive,  // 1 byte n, then n bytes from the modem
    Canned,   // 1 byte: one of the replies below
    Tick,     // the timer's next tick, if it is on
    Wait,     // 1 byte: that many times 10 ms pass
    Lose,     // 1 byte: the port's description given, or none
    Settings, // 1 byte: CTS, DSR, open failure, parity
    List,     // 1 byte count, then per entry 1 byte length and the bytes (UTF-8, no CR)
    Flood,    // 2 bytes: a byte value, and how long a run of it the modem sends
    Dismiss,  // the operator closes the box that is open (nothing at the top level)
    OpCount
};

const std::array<const char *, OpCount> OpNames = {
    "start", "receive", "canned", "tick", "wait", "lose", "settings", "list", "flood", "dismiss"};

const std::array<QByteArray, 16> Replies = {
    QByteArrayLiteral("0\r"),       QByteArrayLiteral("4\r"),
    QByteArrayLiteral("OK\r"),      QByteArrayLiteral("ERROR\r"),
    QByteArrayLiteral("\r\n0\r\n"), QByteArrayLiteral("\r\nOK\r\n"),
    QByteArrayLiteral("5\r"),       QByteArrayLiteral("9\r0\r"),
    QByteArrayLiteral("\r"),        QByteArrayLiteral("\n"),
    QByteArrayLiteral("OK"),        QByteArrayLiteral("ATI3\r"),
    QByteArrayLiteral("-1\r0\r"),   QByteArrayLiteral("99999\r0\r"),
    QByteArrayLiteral("\xb0\x8d"),  QByteArrayLiteral("\r\nERROR\r\n"),
};

const std::array<Dialogue::State, 4> Firsts = {Dialogue::QueryWake, Dialogue::ConfigWake,
                                               Dialogue::FactoryReset, Dialogue::IdentifyWake};

class Program
{
public:
    Program(CheckedEngineFake &fake, FuzzInput &in) : m_fake(fake), m_in(in)
    {
        // Inside a box the program goes on, until it dismisses the box or ends.
        m_fake.whileBoxOpen = [this] { run(true); };
    }

    void run(bool inBox)
    {
        while (!m_in.done()) {
            const uint8_t op = m_in.byte() % OpCount;
            if (op == Dismiss) {
                if (inBox)
                    return;
                continue;
            }
            if (m_trace)
                std::fprintf(stderr, "%*s%s (state %d)\n", inBox ? 4 : 0, "", OpNames.at(op),
                             int(m_fake.engine.state()));
            step(op, inBox);
            if (inBox)
                m_fake.checkInBox();
            else
                m_fake.checkSettled();
        }
    }

private:
    // Every payload is read before the engine is called: a box it opens reads on from there.
    void step(uint8_t op, bool inBox)
    {
        switch (op) {
        case Start: {
            const Dialogue::State first = Firsts.at(m_in.byte() % Firsts.size());
            // A box is modal: the operator cannot click an action while one is open. The
            // port and the timer go on meanwhile.
            if (!inBox) {
                m_fake.engine.startDialogue(first, Parity(m_fake.parity));
                m_fake.settle();
            }
            break;
        }
        case Receive:
            m_fake.receive(m_in.bytes(m_in.byte()));
            break;
        case Canned:
            m_fake.receive(Replies.at(m_in.byte() % Replies.size()));
            break;
        case Tick:
            m_fake.tick();
            break;
        case Wait:
            m_fake.advanceTo(m_fake.now + qint64(m_in.byte()) * 10);
            break;
        case Lose:
            m_fake.lose(m_in.byte() % 2 ? QString() : QStringLiteral("Se ha perdido el puerto 1."));
            break;
        case Settings: {
            const uint8_t bits = m_in.byte();
            m_fake.cts = bits & 1;
            m_fake.dsr = bits & 2;
            m_fake.openFailure =
                bits & 4 ? QStringLiteral("No se puede abrir el puerto 1.") : QString();
            m_fake.parity = (bits >> 3) % 4; // 3 is no mode at all
            break;
        }
        case List: {
            QStringList list;
            // The stored list holds no line breaks: the INI store writes them as blanks.
            for (int n = m_in.byte() % 40; n > 0; --n)
                list.append(QString::fromUtf8(m_in.bytes(m_in.byte() % 16)).remove(u'\r'));
            m_fake.list = list;
            break;
        }
        case Flood: {
            // Mostly short: a flood costs time in proportion to its length. The longest is
            // past the kept text's limit, so that it is taken in two slices.
            const char value = char(m_in.byte());
            const uint8_t length = m_in.byte() % 16;
            m_fake.receive(QByteArray(length < 12   ? 256
                                      : length < 15 ? 4096
                                                    : DialogueEngine::ReplyTextLimit + 256,
                                      value));
            break;
        }
        }
    }

    CheckedEngineFake &m_fake;
    FuzzInput &m_in;
    // TAVOLI_FUZZ_TRACE=1 lists the ops as they run: for reading a reproducer.
    const bool m_trace = qEnvironmentVariableIsSet("TAVOLI_FUZZ_TRACE");
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckedEngineFake fake;
    fake.list = {QStringLiteral("E0"), QStringLiteral("S0=2")};
    FuzzInput in(data, size);
    Program program(fake, in);
    program.run(false);

    // The modem falls silent and every box is dismissed at once: whatever runs must end, within
    // a tick per state and per inquiry.
    for (int ticks = 0; ticks < 64 && fake.engine.state() != Dialogue::Idle; ++ticks) {
        fake.tick();
        fake.checkSettled();
    }
    FUZZ_CHECK(fake.engine.state() == Dialogue::Idle);
    fake.checkSettled();
    return 0;
}
