#include "dialoguetable.h"

#include "modemprotocol.h"
#include "operatortexts.h"

namespace Dialogue {

namespace {

using namespace ModemProtocol;
using namespace OperatorTexts;

const QString Unchanged;
const QString None = QStringLiteral("");

// One row per state, read across.
// clang-format off
const Row Rows[] = {
    // state            command          info                 awaits                  tick                  then                   next
    {QueryWake,         CmdQueryWake,    Unchanged,           Awaits::Nothing,        OnTick::Pace,         Then::Enter,           QueryModeCheck},
    {QueryModeCheck,    CmdQueryWake,    Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::Enter,           QueryRingCount},
    {QueryRingCount,    CmdQueryRings,   Unchanged,           Awaits::NumberThenZero, OnTick::NoReply,      Then::ShowRings,       QueryLineSpeed},
    {QueryLineSpeed,    CmdQuerySpeed,   Unchanged,           Awaits::NumberThenZero, OnTick::SpeedUnknown, Then::ShowSpeed,       Idle},
    {ConfigWake,        CmdConfigWake,   InfoInitialising,    Awaits::Nothing,        OnTick::Pace,         Then::Enter,           ConfigResetCheck},
    {ConfigResetCheck,  CmdConfigWake,   Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartList,       ConfigSendList},
    {ConfigSendList,    None,            Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::NextEntry,       ConfigQuiet},
    {ConfigQuiet,       CmdQuiet,        InfoSendingQuiet,    Awaits::NoRefusal,      OnTick::Pace,         Then::Enter,           ConfigStore},
    {ConfigStore,       CmdStoreProfile, Unchanged,           Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle},
    {FactoryReset,      CmdFactory,      InfoSendingFactory,  Awaits::VerboseOk,      OnTick::NoReply,      Then::Enter,           FactoryResetDone},
    {FactoryResetDone,  None,            Unchanged,           Awaits::Nothing,        OnTick::Pace,         Then::Enter,           FactoryStore},
    {FactoryStore,      CmdStoreProfile, InfoSendingStore,    Awaits::VerboseOk,      OnTick::NoReply,      Then::EndUnconfigured, Idle},
    {IdentifyWake,      CmdQueryWake,    InfoIdentifying,     Awaits::Nothing,        OnTick::Pace,         Then::Enter,           IdentifyModeCheck},
    {IdentifyModeCheck, CmdQueryWake,    Unchanged,           Awaits::ExactlyZero,    OnTick::NoReply,      Then::StartInquiry,    IdentifyAsk},
    {IdentifyAsk,       None,            Unchanged,           Awaits::InfoThenResult, OnTick::Unanswered,   Then::NextInquiry,     Idle},
    {ResetToStored,     CmdResetStored,  InfoResetting,       Awaits::NoRefusal,      OnTick::Pace,         Then::EndConfigured,   Idle},
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
