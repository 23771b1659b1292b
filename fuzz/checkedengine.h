// SPDX-License-Identifier: GPL-3.0-or-later
// The tests' engine fake (tests/support/enginefake.h) checking, at every call the engine makes
// and after every step, what must always hold; it stops the process at the first breach.
#pragma once

#include "dialoguetable.h"
#include "enginefake.h"
#include "fuzzcheck.h"
#include "identification.h"

#include <algorithm>

class CheckedEngineFake final : public EngineFake
{
public:
    CheckedEngineFake()
    {
        whileOpen = [this](int) {
            FUZZ_CHECK(openBoxes() == 1); // never a box over a box
            // A box tells of a dialogue that has ended: nothing waits for a tick.
            FUZZ_CHECK(!isActive());
            checkInBox();
            if (whileBoxOpen)
                whileBoxOpen();
            checkInBox();
        };
    }

    // Runs while the face's box is open; it returns when the operator dismisses the box.
    std::function<void()> whileBoxOpen;

    // Unplugged, the port's description given.
    void lose(const QString &description)
    {
        m_lossUnheard = m_lossUnheard || isOpen();
        lostText = description;
        EngineFake::lose();
    }

    // What holds whenever no step runs and no box is open.
    void checkSettled() const
    {
        FUZZ_CHECK(openBoxes() == 0);
        FUZZ_CHECK(engine.keptReplyBytes() <= DialogueEngine::ReplyTextLimit);
        // The list asked for has been given once the step that asked returned.
        FUZZ_CHECK(!engine.awaitingList());
        if (engine.state() == Dialogue::Idle) {
            FUZZ_CHECK(!isOpen());
            FUZZ_CHECK(!isActive());
            FUZZ_CHECK(framesEnabled);
            FUZZ_CHECK(engine.keptReplyBytes() == 0);
        } else {
            FUZZ_CHECK(isOpen());
            FUZZ_CHECK(isActive()); // a dialogue that waits without a timer would wait for ever
            FUZZ_CHECK(!framesEnabled);
        }
    }
    // What holds while a box is open, whatever arrives meanwhile: the port was closed before the
    // box, so what the modem sends while the operator reads it costs no memory.
    void checkInBox() const
    {
        FUZZ_CHECK(openBoxes() == 1);
        FUZZ_CHECK(!isOpen() && engine.keptReplyBytes() == 0);
    }

    // ---- The engine's calls, checked
    void close() override
    {
        EngineFake::close();
        m_lossUnheard = false;
    }
    void setRtsEnable(bool on) override
    {
        FUZZ_CHECK(isOpen());
        EngineFake::setRtsEnable(on);
    }
    void setDtrEnable(bool on) override
    {
        FUZZ_CHECK(isOpen());
        EngineFake::setDtrEnable(on);
    }
    void output(const QByteArray &bytes) override
    {
        // Steps queued before a loss still run before it, and write to the lost port (the
        // real one drops that); a port the engine closed itself is never written to.
        FUZZ_CHECK(isOpen() || m_lossUnheard);
        // One command, its carriage return last and nowhere else.
        const QByteArray plain = LineCodec::StripParity(bytes);
        FUZZ_CHECK(plain.endsWith('\r') && plain.indexOf('\r') == plain.size() - 1);
        EngineFake::output(bytes);
    }
    QByteArray input() override
    {
        FUZZ_CHECK(isOpen());
        return EngineFake::input();
    }
    void start(int intervalMs) override
    {
        // The step's second, or a reply's time after its first line (shorter only when the
        // identification's end comes first).
        static const int longest = [] {
            int most = DialogueEngine::StepIntervalMs;
            for (int state = Dialogue::QueryWake; state <= Dialogue::ResetToStored; ++state)
                most = std::max(most, Dialogue::rowFor(Dialogue::State(state))->afterFirstLineMs);
            return most;
        }();
        FUZZ_CHECK(intervalMs > 0 && intervalMs <= longest);
        EngineFake::start(intervalMs);
    }
    void ended(const DialogueResult &result) override
    {
        // Every end comes with the port closed, the timer off and the state back to Idle.
        FUZZ_CHECK(!isOpen() && !isActive());
        FUZZ_CHECK(engine.state() == Dialogue::Idle);
        if (result.ok() && result.first == Dialogue::IdentifyWake)
            checkIdentification(result.identification);
        EngineFake::ended(result);
    }

    static void checkIdentification(const Identification &result)
    {
        const auto &commands = ModemProtocol::IdentifyCommands;
        const QList<IdentificationAnswer> &answers = result.answers();
        // Every inquiry, unless the identification's time ran out first; something answered.
        FUZZ_CHECK(answers.size() == qsizetype(commands.size())
                   || (result.stoppedAfterMs() > 0 && answers.size() < qsizetype(commands.size())));
        FUZZ_CHECK(std::any_of(answers.cbegin(), answers.cend(), [](const auto &answer) {
            return answer.result == IdentificationAnswer::Result::Answered;
        }));
        for (qsizetype i = 0; i < answers.size(); ++i) {
            const IdentificationAnswer &answer = answers.at(i);
            FUZZ_CHECK(answer.command == commands.at(std::size_t(i)));
            FUZZ_CHECK(answer.lines.size() <= Identification::MaxLines);
            for (const QString &line : answer.lines) {
                FUZZ_CHECK(!line.isEmpty() && line.size() <= Identification::MaxLineLength);
                FUZZ_CHECK(!line.contains(QLatin1Char('\r')));
                FUZZ_CHECK(std::all_of(line.begin(), line.end(),
                                       [](QChar c) { return c.unicode() < 0x80; }));
            }
        }
    }

private:
    bool m_lossUnheard = false; // unplugged; the engine has not closed the port since
};
