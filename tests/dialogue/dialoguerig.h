// An engine wired to fakes, as the window wires it to the real port, timer and labels.
#pragma once

#include "dialogueengine.h"
#include "fakeclock.h"
#include "fakeport.h"
#include "fakesettings.h"
#include "faketimer.h"
#include "fakeview.h"
#include "systemtexts.h"

struct DialogueRig
{
    FakeClock clock;
    QStringList log;
    FakePort port{clock, log};
    FakeTimer timer{clock};
    FakeView view{log};
    FakeSettings settings;
    DialogueEngine engine{port, timer, view, settings};

    DialogueRig()
    {
        timer.onTick = [this] { engine.Timm_Timer(); };
        port.onComm = [this](int kind) { engine.Comm_OnComm(kind); };
        port.onLost = [this](const QString &text) { engine.portLost(text); };
        for (const QString &name : SystemTexts::SpeedNameTable)
            engine.SpeedNames.append(name);
    }

    void startQuery()
    {
        engine.startDialogue({QString(), SystemTexts::CmdQueryWake, Dialogue::QueryWake});
    }
    void startConfigure()
    {
        engine.startDialogue(
            {SystemTexts::InfoInitialising, SystemTexts::CmdConfigWake, Dialogue::ConfigWake});
    }
    void startFactoryReset()
    {
        engine.startDialogue(
            {SystemTexts::InfoSendingFactory, SystemTexts::CmdFactory, Dialogue::FactoryReset});
    }

    // The modem answers after `ms` of fake time.
    void reply(qint64 ms, const QByteArray &bytes)
    {
        timer.advance(ms);
        port.receive(bytes);
    }
};
