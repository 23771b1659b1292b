// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialoguetable.h"

#include "modemprotocol.h"

namespace Dialogue {

namespace {

using namespace ModemProtocol;

const QString None = QStringLiteral("");

// Reply deadlines, in seconds from the command's sending:
const int OneLine = 1;  // the result line is the first line: nothing to wait for past it
const int Number = 3;   // a register's value, then its result; a few lines at any speed
const int Stored = 5;   // AT&F and AT&W0 write the modem's memory before they say OK
const int Listing = 20; // ATI and AT&V may list a few KB: 2 KB take 17 s at 1200 bit/s

// One row per state, read across.
// clang-format off
const Row Rows[] = {
    // state            command          awaits                  tick                  then                   next               reply
    {QueryWake,         CmdQueryWake,    Awaits::Nothing,        OnTick::Pace,         Then::Enter,           QueryModeCheck,    OneLine},
    {QueryModeCheck,    CmdQueryWake,    Awaits::ExactlyZero,    OnTick::NoReply,      Then::Enter,           QueryRingCount,    OneLine},
    {QueryRingCount,    CmdQueryRings,   Awaits::NumberThenZero, OnTick::NoReply,      Then::ShowRings,       QueryLineSpeed,    Number},
    {QueryLineSpeed,    CmdQuerySpeed,   Awaits::NumberThenZero, OnTick::SpeedUnknown, Then::ShowSpeed,       Idle,              Number},
    {ConfigWake,        CmdConfigWake,   Awaits::Nothing,        OnTick::Pace,         Then::Enter,           ConfigResetCheck,  OneLine},
    {ConfigResetCheck,  CmdConfigWake,   Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartList,       ConfigSendList,    OneLine},
    {ConfigSendList,    None,            Awaits::ExactlyZero,    OnTick::NoReply,      Then::NextEntry,       ConfigQuiet,       OneLine},
    {ConfigQuiet,       CmdQuiet,        Awaits::NoRefusal,      OnTick::Pace,         Then::Enter,           ConfigStore,       OneLine},
    {ConfigStore,       CmdStoreProfile, Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle,              OneLine},
    {FactoryReset,      CmdFactory,      Awaits::VerboseOk,      OnTick::NoReply,      Then::Enter,           FactoryResetDone,  Stored},
    {FactoryResetDone,  None,            Awaits::Nothing,        OnTick::Pace,         Then::Enter,           FactoryStore,      OneLine},
    {FactoryStore,      CmdStoreProfile, Awaits::VerboseOk,      OnTick::NoReply,      Then::EndUnconfigured, Idle,              Stored},
    {IdentifyWake,      CmdQueryWake,    Awaits::Nothing,        OnTick::Pace,         Then::Enter,           IdentifyModeCheck, OneLine},
    {IdentifyModeCheck, CmdQueryWake,    Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartInquiry,    IdentifyAsk,       OneLine},
    {IdentifyAsk,       None,            Awaits::InfoThenResult, OnTick::Unanswered,   Then::NextInquiry,     Idle,              Listing},
    {ResetToStored,     CmdResetStored,  Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle,              OneLine},
};
// clang-format on

} // namespace

const Row *rowFor(State state)
{
    for (const Row &row : Rows) {
        if (row.state == state)
            return &row;
    }
    return nullptr;
}

} // namespace Dialogue
