// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's whole outside world in one fake on a virtual clock: the serial line, the timer
// `Timm`, and a face that words the engine's facts as the window does (frames, labels, the box
// of the end) and answers its request for the list once the step that asked has returned.
// Everything is recorded; `log` keeps the order of the port and face calls. The dialogue tests
// use it as it is; the fuzz targets derive from it to check, at every call, what must always
// hold.
#pragma once

#include "dialogueengine.h"
#include "dialoguefacts.h"
#include "dialoguetexts.h"
#include "linecodec.h"
#include "lineport.h"
#include "modemprotocol.h"
#include "pacingtimer.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <utility>

class EngineFake : public LinePort, public PacingTimer, public DialogueFacts
{
public:
    enum Action { Query, Configure, Factory, Identify };
    using Steps = QList<QPair<qint64, QByteArray>>; // at this time the modem sends these bytes

    // ---- The operator and the modem
    void act(int action)
    {
        engine.startDialogue(action == Query       ? Dialogue::QueryWake
                             : action == Configure ? Dialogue::ConfigWake
                             : action == Identify  ? Dialogue::IdentifyWake
                                                   : Dialogue::FactoryReset,
                             Parity(parity));
        settle();
    }
    // Brings a dialogue into `state` the way a well-behaved modem would, then forgets what was
    // recorded on the way. The command awaiting the next reply (or the pause) began at `now`.
    // False if a step failed, which would make what follows meaningless.
    [[nodiscard]] bool reach(int state)
    {
        using namespace Dialogue;
        static const QMap<int, QPair<int, QByteArray>> way = {
            // state: the state before it, and what leads on from there (a tick, or bytes)
            {QueryModeCheck, {QueryWake, {}}},
            {QueryRingCount, {QueryModeCheck, "0\r"}},
            {QueryLineSpeed, {QueryRingCount, "5\r0\r"}},
            {ConfigResetCheck, {ConfigWake, {}}},
            {ConfigSendList, {ConfigResetCheck, "0\r"}},
            {ConfigQuiet, {ConfigSendList, {}}},
            {ConfigStore, {ConfigQuiet, {}}},
            {FactoryResetDone, {FactoryReset, "OK\r"}},
            {FactoryStore, {FactoryResetDone, {}}}};
        if (state == QueryWake || state == ConfigWake || state == FactoryReset) {
            act(state == QueryWake ? Query : state == ConfigWake ? Configure : Factory);
        } else {
            const auto [before, step] = way.value(state);
            if (!reach(before))
                return false;
            if (before == ConfigSendList) {
                while (this->state() == ConfigSendList) // the rest of the list
                    receive("0\r");
            } else if (step.isEmpty())
                advanceTo(due);
            else
                receive(step);
        }
        if (this->state() == 0)
            return false;
        lastCommand = sent().value(sent().size() - 1, lastCommand);
        writes.clear(), labels.clear(), boxes.clear(), log.clear();
        discards = starts = stops = ticks = 0;
        return true;
    }
    // The modem sends bytes (maybe none): they wait in the port and a notification is raised.
    void receive(const QByteArray &bytes)
    {
        if (!m_open)
            return;
        pending.append(bytes);
        engine.bytesAvailable();
        settle();
    }
    void reply(qint64 ms, const QByteArray &bytes)
    {
        advanceTo(now + ms);
        receive(bytes);
    }
    void run(const Steps &steps)
    {
        for (const auto &[at, bytes] : steps) {
            advanceTo(at);
            receive(bytes);
        }
    }
    // Unplugged: the port closes itself and says so once.
    void lose()
    {
        if (std::exchange(m_open, false))
            engine.portLost(Outcome::failure(Outcome::Fault::Failed, lostText));
        settle();
    }
    // The timer's next tick, if it is on.
    void tick()
    {
        if (m_timerOn)
            advanceTo(due);
    }
    // Time moves on; the timer ticks once per interval while it is on.
    void advanceTo(qint64 target)
    {
        while (m_timerOn && due <= target) {
            now = due;
            due += m_interval;
            ++ticks;
            engine.Timm_Timer();
            settle();
        }
        now = std::max(now, target); // a tick handler may itself have moved time on
    }
    int state() const { return engine.state(); }
    int openBoxes() const { return m_openBoxes; }
    // The list asked for, given now that the step that asked has returned.
    void settle()
    {
        if (holdList || !std::exchange(m_listAsked, false))
            return;
        ++builds;
        if (!listProblem.ok()) {
            given = listProblem;
        } else {
            given = CommandListResult();
            given.entries = list;
        }
        engine.giveList(given);
    }

    // The commands written, parity removed and without their carriage return.
    QStringList sent() const
    {
        QStringList out;
        for (const auto &w : writes)
            out.append(QString::fromLatin1(LineCodec::StripParity(w.second).chopped(1)));
        return out;
    }

    // ---- LinePort
    Outcome open() override
    {
        log.append("open");
        if (m_open)
            return Outcome::failure(alreadyOpenText);
        m_open = openFailure.isEmpty();
        return m_open ? Outcome::success() : Outcome::failure(openFault, openFailure, holder);
    }
    void close() override
    {
        log.append("close");
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool ctsHolding() const override { return cts; }
    bool dsrHolding() const override { return dsr; }
    void setRtsEnable(bool on) override { log.append(on ? "rts on" : "rts off"); }
    void setDtrEnable(bool on) override { log.append(on ? "dtr on" : "dtr off"); }
    void discardInput() override
    {
        ++discards;
        pending.clear();
    }
    void output(const QByteArray &bytes) override
    {
        writes.append({now, QByteArray(bytes.constData(), bytes.size())});
    }
    QByteArray input() override { return std::exchange(pending, QByteArray()); }

    // ---- PacingTimer
    void stop() override
    {
        m_timerOn = false;
        ++stops;
    }
    void start(int intervalMs) override
    {
        m_timerOn = true;
        m_interval = std::max(1, intervalMs);
        due = now + m_interval;
        ++starts;
    }
    bool isActive() const override { return m_timerOn; }
    qint64 nowMs() const override { return now; }

    // ---- DialogueFacts, worded as the window words them
    void portOpened() override
    {
        log.append("frames off");
        framesEnabled = false;
    }
    void stateChanged(Dialogue::State state) override
    {
        if (state != Dialogue::Idle) {
            if (const QString caption = DialogueTexts::infoOnEntering(state); !caption.isNull())
                setInfo(caption);
        }
        m_state = state;
        if (onState)
            onState(state);
    }
    void commandSent(const QString &command) override
    {
        if (m_state == Dialogue::IdentifyModeCheck || m_state == Dialogue::IdentifyAsk)
            setInfo(DialogueTexts::sendingCaption(command));
    }
    void entrySent(qsizetype index) override
    {
        setInfo(DialogueTexts::sendingCaption(given.entries.value(index), true));
    }
    void ringsRead(qint16 rings) override
    {
        labels.append("answ1=" + DialogueTexts::ringsCaption(rings));
    }
    void speedRead(std::optional<qint16> code) override
    {
        labels.append("answ2=" + DialogueTexts::speedCaption(code));
    }
    void lateReplyDropped(const QByteArray &bytes) override { late.append(bytes); }
    void listNeeded() override { m_listAsked = true; }
    void ended(const DialogueResult &result) override
    {
        results.append(result);
        if (DialogueTexts::clearsInfo(result))
            setInfo(QString());
        switch (DialogueTexts::boxFor(result)) {
        case DialogueTexts::Box::None:
            break;
        case DialogueTexts::Box::Error:
            show("E:"
                 + (result.kind == DialogueResult::Kind::ListRefused
                        ? DialogueTexts::listRefusal(
                            given.ok() ? CommandListResult::checked(given.entries) : given,
                            DialogueTexts::ListMoment::ListStep, QString())
                        : DialogueTexts::message(result)));
            break;
        case DialogueTexts::Box::Information:
            show("I:" + DialogueTexts::message(result));
            break;
        case DialogueTexts::Box::Identification:
            identification = result.identification;
            show("N:identification");
            break;
        }
        if (!framesEnabled)
            log.append("frames on");
        framesEnabled = true;
    }
    void setInfo(const QString &caption) { labels.append("info=" + (info = caption)); }

    qint64 now = 0;
    QStringList log;
    QString lastCommand; // the command awaiting a reply when reach() returned
    // port
    bool cts = true, dsr = true;
    QString openFailure;
    Outcome::Fault openFault = Outcome::Fault::PortUnavailable;
    QString holder; // with Fault::PortHeld
    QString alreadyOpenText = QStringLiteral("El puerto 1 (/dev/fake0) ya está abierto.");
    QString lostText =
        QStringLiteral("Se ha perdido la comunicación con el puerto 1 (/dev/fake0).");
    QByteArray pending;
    QList<QPair<qint64, QByteArray>> writes; // when, and the bytes as they went on the line
    int discards = 0;
    // timer
    qint64 due = 0;
    int starts = 0, stops = 0, ticks = 0;
    // window
    bool framesEnabled = true;
    QString info = QStringLiteral("(info)");
    QStringList labels;  // label changes in order: "info=...", "answ1=2", "answ2=9600"
    QStringList boxes;   // "E:" stop icon, "I:" information icon, then the text
    QByteArrayList late; // replies dropped as late
    int mostOpenBoxes = 0;
    std::function<void(int index)> whileOpen; // runs while box number `index` is open
    // settings
    int parity = 0;
    QStringList list;
    CommandListResult listProblem; // given when not ok(): what the list's reading reports
    CommandListResult given;       // the list last given to the engine
    int builds = 0;
    bool holdList = false;         // the list asked for is not given yet
    Identification identification; // the last one shown
    QList<DialogueResult> results;
    std::function<void(int state)> onState; // every state, as the engine enters it

    DialogueEngine engine{*this, *this, *this};

private:
    void show(const QString &box)
    {
        log.append(box.startsWith('E') ? "box stop" : "box info");
        boxes.append(box);
        mostOpenBoxes = std::max(mostOpenBoxes, ++m_openBoxes);
        if (const auto callback = whileOpen) // a copy: the callback may replace itself
            callback(int(boxes.size()) - 1);
        --m_openBoxes;
    }

    bool m_open = false;
    bool m_listAsked = false;
    Dialogue::State m_state = Dialogue::Idle;
    bool m_timerOn = false;
    int m_interval = 0;
    int m_openBoxes = 0;
};
