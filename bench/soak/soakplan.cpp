// SPDX-License-Identifier: GPL-3.0-or-later
#include "soakplan.h"

#include "modemprotocol.h"

namespace Soak {

namespace {

using namespace ModemProtocol;

template <typename T>
const T &pick(std::mt19937 &random, const QList<T> &from)
{
    return from.at(std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random));
}

int between(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// The simulator matches a fault's command line without its "AT".
std::string body(const QString &command)
{
    return command.mid(CmdPrefix.size()).toStdString();
}

// The first command of Configurar and Preguntar: its reply falls in a paced second and is not
// looked at, but the same line repeated after it is awaited. Left unexecuted (silent, flooded
// or refused), it leaves the modem's echo as it was, and the echoed repetition is a line that
// is not "0": the error box names the command.
End firstCommandUnanswered(const ModemBefore &modem, bool refused)
{
    if (modem.echo)
        return End::CommandError;
    return refused && !modem.quiet ? End::CommandError : End::NoReply;
}

} // namespace

QString name(Action d)
{
    switch (d) {
    case Action::Configurar:
        return QStringLiteral("Configurar");
    case Action::Desconfigurar:
        return QStringLiteral("Desconfigurar");
    case Action::Preguntar:
        return QStringLiteral("Preguntar");
    }
    return {};
}

QString name(Fault f)
{
    static const char *const names[FaultCount] = {"none",    "silence", "refusal", "split lines",
                                                  "late LF", "garbage", "flood",   "line lost"};
    return QString::fromLatin1(names[int(f)]);
}

QString name(End e)
{
    switch (e) {
    case End::Configured:
        return QStringLiteral("configured");
    case End::Unconfigured:
        return QStringLiteral("unconfigured");
    case End::Read:
        return QStringLiteral("read");
    case End::SpeedUnknown:
        return QStringLiteral("speed unknown");
    case End::CommandError:
        return QStringLiteral("command error");
    case End::NoReply:
        return QStringLiteral("no reply");
    case End::PortLost:
        return QStringLiteral("port lost");
    }
    return {};
}

Plan draw(std::mt19937 &random, const QStringList &list, const ModemBefore &modem)
{
    Plan plan;
    const int d = between(random, 0, 39);
    plan.dialogue = d < 6 ? Action::Configurar : d < 23 ? Action::Desconfigurar : Action::Preguntar;
    plan.fault = Fault(between(random, 0, FaultCount - 1));

    QStringList sequence; // each command line once, in the order sent
    End success = End::Read;
    switch (plan.dialogue) {
    case Action::Configurar:
        sequence << CmdConfigWake << list << CmdQuiet << CmdStoreProfile;
        success = End::Configured;
        break;
    case Action::Desconfigurar:
        sequence << CmdFactory << CmdStoreProfile;
        success = End::Unconfigured;
        break;
    case Action::Preguntar:
        sequence << CmdQueryWake << CmdQueryRings << CmdQuerySpeed;
        success = End::Read;
        break;
    }
    plan.expected = success;

    switch (plan.fault) {
    case Fault::None:
        break;
    case Fault::SplitLines:
        plan.shape.chunk = std::size_t(between(random, 1, 3));
        plan.shape.chunkGapMs = between(random, 10, 60);
        break;
    case Fault::LateLf:
        // Only replies framed in CR LF have a line feed to be late: the verbose ones.
        plan.shape.splitCrLf = true;
        plan.shape.splitGapMs = between(random, 50, 400);
        break;
    case Fault::Garbage:
        // Noise in front of a numeric "0" makes it another line: the first awaited reply is
        // refused as an error. A verbose "OK" is found behind the noise.
        plan.shape.garbageBefore = std::size_t(between(random, 4, 12));
        if (plan.dialogue != Action::Desconfigurar) {
            plan.target = sequence.first();
            plan.expected = End::CommandError;
        }
        break;
    case Fault::Silence:
    case Fault::Flood:
    case Fault::Refusal: {
        // Configurar's AT&W0 goes under Q1: neither its silence nor its refusal can show.
        QStringList aimed = sequence;
        if (plan.dialogue == Action::Configurar)
            aimed.removeLast();
        plan.target = pick(random, aimed);
        const bool refused = plan.fault == Fault::Refusal;
        if (plan.fault == Fault::Silence)
            plan.faults.silentOn = {body(plan.target)};
        else if (plan.fault == Fault::Flood)
            plan.faults.floodAfter = body(plan.target), plan.shape.floodLimit = FloodBytes;
        else
            plan.faults.errorOn = {body(plan.target)};
        if (plan.dialogue == Action::Desconfigurar) {
            // AT&F and AT&W0 wait for "OK"; a refusal is the error naming the command, unless a
            // quiet modem cannot say it (AT&F only: AT&W0 follows the factory profile, Q0).
            plan.expected = refused && (plan.target != CmdFactory || !modem.quiet)
                                ? End::CommandError
                                : End::NoReply;
        } else if (plan.target == sequence.first()) {
            plan.expected = firstCommandUnanswered(modem, refused);
        } else if (plan.target == CmdQuiet) {
            // Its paced second goes on whatever comes, but a refusal is looked for.
            plan.expected = refused ? End::CommandError : End::Configured;
        } else if (plan.target == CmdQuerySpeed) {
            // A refusal is taken for the number; no result line follows: the speed is unknown.
            plan.expected = End::SpeedUnknown;
        } else if (plan.target == CmdQueryRings) {
            plan.expected = End::NoReply; // a refusal is read as the number, then nothing
        } else {
            plan.expected = refused ? End::CommandError : End::NoReply; // a list entry
        }
        break;
    }
    case Fault::LineLost: {
        // Never after the command whose reply ends the dialogue: the line would drop after it.
        QStringList aimed = sequence;
        if (plan.dialogue != Action::Configurar)
            aimed.removeLast();
        plan.target = pick(random, aimed);
        plan.faults.hangupAfter = body(plan.target);
        plan.expected = End::PortLost;
        break;
    }
    }
    return plan;
}

} // namespace Soak
