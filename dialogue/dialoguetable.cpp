// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialoguetable.h"

#include "modemprotocol.h"
#include "operatortexts.h"

namespace Dialogue {

namespace {

using namespace ModemProtocol;
using namespace OperatorTexts;

const QString Unchanged;
const QString None = QStringLiteral("");

// Reply deadlines, in seconds from the command's sending:
const int OneLine = 1;  // the result line is the first line: nothing to wait for past it
const int Number = 3;   // a register's value, then its result; a few lines at any speed
const int Stored = 5;   // AT&F and AT&W0 write the modem's memory before they say OK
const int Listing = 20; // ATI and AT&V may list a few KB: 2 KB take 17 s at 1200 bit/s

// One row per state, read across.
// clang-format off
const Row Rows[] = {
    // state            command          info                 awaits                  tick                  then                   next               reply
    {QueryWake,         CmdQueryWake,    Unchanged,           Awaits::Nothing,        OnTick::Pace,         Then::Enter,           QueryModeCheck,    OneLine},
    {QueryModeCheck,    CmdQueryWake,    Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::Enter,           QueryRingCount,    OneLine},
    {QueryRingCount,    CmdQueryRings,   Unchanged,           Awaits::NumberThenZero, OnTick::NoReply,      Then::ShowRings,       QueryLineSpeed,    Number},
    {QueryLineSpeed,    CmdQuerySpeed,   Unchanged,           Awaits::NumberThenZero, OnTick::SpeedUnknown, Then::ShowSpeed,       Idle,              Number},
    {ConfigWake,        CmdConfigWake,   InfoInitialising,    Awaits::Nothing,        OnTick::Pace,         Then::Enter,           ConfigResetCheck,  OneLine},
    {ConfigResetCheck,  CmdConfigWake,   Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartList,       ConfigSendList,    OneLine},
    {ConfigSendList,    None,            Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::NextEntry,       ConfigQuiet,       OneLine},
    {ConfigQuiet,       CmdQuiet,        InfoSendingQuiet,    Awaits::NoRefusal,      OnTick::Pace,         Then::Enter,           ConfigStore,       OneLine},
    {ConfigStore,       CmdStoreProfile, Unchanged,           Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle,              OneLine},
    {FactoryReset,      CmdFactory,      InfoSendingFactory,  Awaits::VerboseOk,      OnTick::NoReply,      Then::Enter,           FactoryResetDone,  Stored},
    {FactoryResetDone,  None,            Unchanged,           Awaits::Nothing,        OnTick::Pace,         Then::Enter,           FactoryStore,      OneLine},
    {FactoryStore,      CmdStoreProfile, InfoSendingStore,    Awaits::VerboseOk,      OnTick::NoReply,      Then::EndUnconfigured, Idle,              Stored},
    {IdentifyWake,      CmdQueryWake,    InfoIdentifying,     Awaits::Nothing,        OnTick::Pace,         Then::Enter,           IdentifyModeCheck, OneLine},
    {IdentifyModeCheck, CmdQueryWake,    Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartInquiry,    IdentifyAsk,       OneLine},
    {IdentifyAsk,       None,            Unchanged,           Awaits::InfoThenResult, OnTick::Unanswered,   Then::NextInquiry,     Idle,              Listing},
    {ResetToStored,     CmdResetStored,  InfoResetting,       Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle,              OneLine},
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
