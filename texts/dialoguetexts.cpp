// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialoguetexts.h"

#include "modemprotocol.h"
#include "storetexts.h"
#include "textutils.h"

namespace DialogueTexts {

using namespace Dialogue;
using Kind = DialogueResult::Kind;

QString infoOnEntering(State state)
{
    switch (state) {
    case ConfigWake:
        return InfoInitialising;
    case ConfigQuiet:
        return sendingCaption(ModemProtocol::CmdQuiet);
    case FactoryReset:
        return InfoSendingFactory;
    case FactoryStore:
        return InfoSendingStore;
    case IdentifyWake:
        return InfoIdentifying;
    case ResetToStored:
        return sendingCaption(ModemProtocol::CmdResetStored);
    default:
        return QString();
    }
}

QString sendingCaption(const QString &command, bool listEntry)
{
    QString shown = listEntry ? ModemProtocol::CmdPrefix + command : command;
    // The caption is a label's: a "&" of the command must be doubled to show at all.
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return InfoSendingPrefix + QLatin1Char('"') + shown + QLatin1Char('"');
}

QString ringsCaption(qint16 rings)
{
    return TextUtils::NumberText(rings);
}

QString speedCaption(std::optional<qint16> code)
{
    if (!code)
        return SpeedNoReply;
    return *code >= 0 && *code < qint16(SpeedNames.size()) ? SpeedNames.at(std::size_t(*code))
                                                           : SpeedOutOfRange;
}

Box boxFor(const DialogueResult &result)
{
    switch (result.kind) {
    case Kind::Success:
        if (result.first == IdentifyWake)
            return Box::Identification;
        return result.first == QueryWake ? Box::None : Box::Information;
    case Kind::SpeedUnknown:
    case Kind::Stopped:
        return Box::None;
    default:
        return Box::Error;
    }
}

bool clearsInfo(const DialogueResult &result)
{
    switch (result.kind) {
    case Kind::Success:
        return result.first != QueryWake;
    case Kind::NoReply:
    case Kind::PortLost:
    case Kind::ListRefused: // "inicializando..." no longer holds
        return true;
    default:
        return false;
    }
}

QString message(const DialogueResult &result)
{
    switch (result.kind) {
    case Kind::Success:
        if (result.first == FactoryReset)
            return UnconfiguredOk;
        return result.first == ConfigWake || result.first == ResetToStored ? ConfiguredOk
                                                                           : QString();
    case Kind::ModemRefused:
        return CommandErrorLead + result.command + QLatin1Char('\n') + CommandErrorTail;
    case Kind::NoReply:
        return NoReplyMessage;
    case Kind::NoSignal:
        return NoCtsDsr;
    case Kind::PortUnavailable:
    case Kind::PortHeld:
        return result.description;
    case Kind::PortLost:
        return result.description.isEmpty() ? PortLostUnnamed : result.description;
    case Kind::SpeedUnknown:
    case Kind::ListRefused:
    case Kind::Stopped:
        break;
    }
    return QString();
}

QString listRefusal(const CommandListResult &list, ListMoment moment, const QString &hint)
{
    using Problem = CommandListResult::Problem;
    QString why;
    switch (list.problem) {
    case Problem::None:
        return QString();
    case Problem::Unreadable:
        why = StoreTexts::commandListUnreadable(list.unreadable);
        if (moment == ListMoment::Click)
            why += QLatin1Char('\n') + NothingSent;
        break;
    case Problem::RingCountInvalid:
        why = RingCountInvalid;
        break;
    case Problem::Empty:
        why = ListEmpty;
        break;
    case Problem::TooLong:
        why = ListTooLong.arg(list.count).arg(CommandListResult::MostEntries);
        break;
    }
    if (moment == ListMoment::ListStep)
        why = ListChanged + QLatin1Char('\n') + why;
    return hint.isEmpty() ? why : why + QLatin1Char('\n') + hint;
}

} // namespace DialogueTexts
