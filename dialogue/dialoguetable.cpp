// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialoguetable.h"

#include "modemprotocol.h"

namespace Dialogue {

namespace {

using namespace ModemProtocol;

const QString None = QStringLiteral("");

// How long a reply may go on once its first line has come in the command's first second (the
// one-second timer of every command is the state's own and stays as it is). Where the dialogue
// would otherwise wait with no time-out at all, the wait is bounded, but far beyond what any
// working modem needs, so that only a line that chatters without answering meets it.
// - OneLine: the first line is the result; nothing is waited for past it.
const int OneLine = 0;
// - SpeedResult: after the number line of "ATS37?" its result must follow within one second,
//   the one-second timer started again at the number line; at the tick the speed is unknown.
const int SpeedResult = 1000;
// - RingsResult: after the number line of "ATS0?" its result follows at once on any modem (two
//   bytes); ten seconds is a hundred times what 1200 bit/s needs.
const int RingsResult = 10000;
// - Stored: AT&F and AT&W0 write the modem's memory before they say "OK"; the slowest modems
//   take several seconds to write a flash profile, half a minute none.
const int Stored = 30000;
// - Listing: ATI and AT&V may list a few KB: 2 KB take 17 s at 1200 bit/s. The identification
//   as a whole is bounded as well (DialogueEngine::IdentifyTotalMs).
const int Listing = 20000;

// One row per state, read across.
// clang-format off
const Row Rows[] = {
    // state            command          awaits                  tick                  then                   next               after the first line
    {QueryWake,         CmdQueryWake,    Awaits::Nothing,        OnTick::Pace,         Then::Enter,           QueryModeCheck,    OneLine},
    {QueryModeCheck,    CmdQueryWake,    Awaits::ExactlyZero,    OnTick::NoReply,      Then::Enter,           QueryRingCount,    OneLine},
    {QueryRingCount,    CmdQueryRings,   Awaits::NumberThenZero, OnTick::NoReply,      Then::ShowRings,       QueryLineSpeed,    RingsResult},
    {QueryLineSpeed,    CmdQuerySpeed,   Awaits::NumberThenZero, OnTick::SpeedUnknown, Then::ShowSpeed,       Idle,              SpeedResult},
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
