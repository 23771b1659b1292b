// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's whole outside world on a virtual clock, after tests/dialogue/dialoguerig.h: the
// serial line, the timer `Timm`, the window's frames, labels and modal boxes, and its settings.
// Unlike the rig it checks, at every call the engine makes and after every step, what must
// always hold, and stops the process at the first breach.
#pragma once

#include "fuzzcheck.h"

#include "dialogueengine.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "identification.h"
#include "linecodec.h"
#include "lineport.h"
#include "modemprotocol.h"
#include "pacingtimer.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <utility>

class EngineFake final : public LinePort,
                         public PacingTimer,
                         public DialogueView,
                         public DialogueSettings
{
public:
    EngineFake()
    {
        const auto &names = ModemProtocol::SpeedNameTable;
        engine.setSpeedNames(QStringList(names.begin(), names.end()));
        engine.ClosePort(); // as the window does at start-up
    }

    // ---- The modem, the clock and the cable
    // The modem sends bytes: they wait in the port and a notification is raised.
    void receive(const QByteArray &bytes)
    {
        if (!m_open)
            return;
        m_pending.append(bytes);
        engine.bytesAvailable();
    }
    // The next tick of the timer, if it is on.
    void tick()
    {
        if (!m_timerOn)
            return;
        now = m_due;
        m_due += m_interval;
        engine.Timm_Timer();
    }
    // Time moves on; the timer ticks once per interval while it is on.
    void advance(qint64 ms)
    {
        const qint64 target = now + ms;
        while (m_timerOn && m_due <= target)
            tick();
        now = std::max(now, target);
    }
    // Unplugged: the port closes itself and says so once.
    void lose(const QString &description)
    {
        if (!std::exchange(m_open, false))
            return;
        m_lossUnheard = true;
        engine.portLost(description);
    }

    // What holds whenever no step runs and no box is open.
    void checkSettled() const
    {
        FUZZ_CHECK(m_openBoxes == 0);
        FUZZ_CHECK(engine.keptReplyBytes() <= DialogueEngine::ReplyTextLimit);
        if (engine.state() == Dialogue::Idle) {
            FUZZ_CHECK(!m_open);
            FUZZ_CHECK(!m_timerOn);
            FUZZ_CHECK(m_framesEnabled);
            FUZZ_CHECK(engine.keptReplyBytes() == 0);
        } else {
            FUZZ_CHECK(m_open);
            FUZZ_CHECK(m_timerOn); // a dialogue that waits without a timer would wait for ever
            FUZZ_CHECK(!m_framesEnabled);
        }
    }
    // What holds while a box is open, whatever arrives meanwhile.
    void checkInBox() const
    {
        FUZZ_CHECK(m_openBoxes == 1);
        FUZZ_CHECK(engine.keptReplyBytes() <= DialogueEngine::ReplyTextLimit);
        // The port was closed before a dialogue's last box: what the modem sends while the
        // operator reads it costs no memory.
        if (!m_boxOverRunningDialogue)
            FUZZ_CHECK(!m_open && engine.keptReplyBytes() == 0);
    }

    // ---- LinePort
    Outcome open() override
    {
        if (m_open)
            return Outcome::failure(AlreadyOpen);
        m_open = !openFails;
        return m_open ? Outcome::success() : Outcome::failure(OpenFailure);
    }
    void close() override
    {
        m_open = false;
        m_lossUnheard = false;
    }
    bool isOpen() const override { return m_open; }
    bool ctsHolding() const override { return cts; }
    bool dsrHolding() const override { return dsr; }
    void setRtsEnable(bool) override { FUZZ_CHECK(m_open); }
    void setDtrEnable(bool) override { FUZZ_CHECK(m_open); }
    void discardInput() override { m_pending.clear(); }
    void output(const QByteArray &bytes) override
    {
        // Steps queued before a loss still run before it, and write to the lost port (the
        // real one drops that); a port the engine closed itself is never written to.
        FUZZ_CHECK(m_open || m_lossUnheard);
        // One command, its carriage return last and nowhere else.
        const QByteArray plain = LineCodec::StripParity(bytes);
        FUZZ_CHECK(plain.endsWith('\r') && plain.indexOf('\r') == plain.size() - 1);
        if (m_open)
            sent.append(QString::fromLatin1(plain.chopped(1)));
    }
    QByteArray input() override
    {
        FUZZ_CHECK(m_open);
        return std::exchange(m_pending, QByteArray());
    }

    // ---- PacingTimer
    void stop() override { m_timerOn = false; }
    void start(int intervalMs) override
    {
        FUZZ_CHECK(intervalMs == DialogueEngine::StepIntervalMs);
        m_timerOn = true;
        m_interval = intervalMs;
        m_due = now + m_interval;
    }
    bool isActive() const override { return m_timerOn; }

    // ---- DialogueView
    void setLineSettingsEnabled(bool enabled) override { m_framesEnabled = enabled; }
    void setInfo(const QString &) override {}
    void setAnsw1(const QString &) override {}
    void setAnsw2(const QString &) override {}
    void showError(const QString &text) override
    {
        FUZZ_CHECK(!text.isEmpty());
        show(text);
    }
    void showInformation(const QString &text) override
    {
        FUZZ_CHECK(!text.isEmpty());
        FUZZ_CHECK(!m_open);
        show(text);
    }
    void showIdentification(const Identification &result) override
    {
        FUZZ_CHECK(!m_open);
        checkIdentification(result);
        identifications.append(result);
        show(QString());
    }

    // ---- DialogueSettings
    Parity parityMode() const override { return Parity(parity); }
    CommandListResult BuildCommandList() override
    {
        CommandListResult result;
        result.entries = list;
        return result;
    }

    static void checkIdentification(const Identification &result)
    {
        const auto &commands = ModemProtocol::IdentifyCommands;
        const QList<IdentificationAnswer> &answers = result.answers();
        FUZZ_CHECK(answers.size() == qsizetype(commands.size()));
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

    static inline const QString AlreadyOpen = QStringLiteral("El puerto 1 ya está abierto.");
    static inline const QString OpenFailure = QStringLiteral("No se puede abrir el puerto 1.");

    // Runs while a box is open; it returns when the operator dismisses the box.
    std::function<void()> whileBoxOpen;

    qint64 now = 0;
    bool cts = true, dsr = true, openFails = false;
    int parity = 0;
    QStringList list;
    QStringList sent;                      // the commands, parity removed, without the CR
    QList<Identification> identifications; // every one shown
    int boxes = 0;

    DialogueEngine engine{*this, *this, *this, *this};

private:
    void show(const QString &text)
    {
        ++boxes;
        FUZZ_CHECK(++m_openBoxes == 1); // never a box over a box
        m_boxOverRunningDialogue = m_open;
        if (m_open) {
            // Only a second start while a dialogue runs is refused with its port open.
            FUZZ_CHECK(text == AlreadyOpen);
            FUZZ_CHECK(engine.state() != Dialogue::Idle);
        } else {
            // A dialogue has ended, or a start failed: nothing waits for a tick.
            FUZZ_CHECK(!m_timerOn);
        }
        checkInBox();
        if (whileBoxOpen)
            whileBoxOpen();
        checkInBox();
        --m_openBoxes;
    }

    bool m_open = false;
    bool m_lossUnheard = false; // unplugged; the engine has not closed the port since
    QByteArray m_pending;
    bool m_timerOn = false;
    int m_interval = DialogueEngine::StepIntervalMs;
    qint64 m_due = 0;
    bool m_framesEnabled = true;
    int m_openBoxes = 0;
    bool m_boxOverRunningDialogue = false;
};
