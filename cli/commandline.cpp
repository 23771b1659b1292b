// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "checktexts.h"
#include "clitexts.h"
#include "commandlistbuilder.h"
#include "commandliststore.h"
#include "deviceaddress.h"
#include "helptext.h"
#include "operatoractions.h"
#include "optionerrors.h"
#include "portassignments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>

namespace CommandLine {

namespace {

using namespace CliTexts;

const std::array<QString, 5> ActionNames = {QStringLiteral("query"), QStringLiteral("configure"),
                                            QStringLiteral("unconfigure"),
                                            QStringLiteral("identify"), QStringLiteral("check")};
// In the order of Parity's values.
const QStringList ParityNames = {QStringLiteral("none"), QStringLiteral("odd"),
                                 QStringLiteral("even")};

// Two names of one device: the same file once links and "." are resolved. A path that does
// not exist (yet) is compared as written, made absolute. A terminal server's port is one
// device whichever protocol names it.
QString identity(const QString &device, const DeviceAddress &address)
{
    if (address.isNetwork())
        return QStringLiteral("%1:%2").arg(address.host().toLower()).arg(address.port());
    const QFileInfo info(device);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// What the parser refused, in the command line's words; never the parser's own English.
QString optionError(const OptionErrors::Problem &problem)
{
    using Kind = OptionErrors::Problem::Kind;
    const QString options = problem.options.join(QStringLiteral(", "));
    switch (problem.kind) {
    case Kind::Unknown:
        return (problem.options.size() == 1 ? UnknownOption : UnknownOptions).arg(options);
    case Kind::MissingValue:
        return MissingValue.arg(options, problem.valueName);
    case Kind::UnexpectedValue:
        return UnexpectedValue.arg(options);
    case Kind::None:
        break;
    }
    return OptionsInvalid;
}

} // namespace

Parsed parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Not addHelpOption() nor addVersionOption(): HelpText words them in Spanish, and
    // --help-all would offer Qt's window options, which the commands do not have.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, HelpHelp);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     HelpText::VersionHelp);
    const QString commandSyntax = QStringLiteral("query|configure|unconfigure|identify|check");
    const QString commandHelp = CommandHelp + QLatin1Char(' ') + CheckTexts::CommandHelp;
    parser.addPositionalArgument(CommandArgument, commandHelp, commandSyntax);
    const QCommandLineOption device(QStringLiteral("device"), DeviceHelp, DeviceValue);
    const QCommandLineOption port(QStringLiteral("port"), PortHelp, NumberValue);
    const QCommandLineOption speed(QStringLiteral("speed"), SpeedHelp, SpeedValue);
    const QCommandLineOption parity(QStringLiteral("parity"), ParityHelp, ParityValue);
    const QCommandLineOption stopBits(QStringLiteral("stop-bits"), StopBitsHelp, NumberValue);
    const QCommandLineOption rings(
        QStringLiteral("rings"), RingsHelp + QLatin1Char(' ') + CheckTexts::RingsHelp, NumberValue);
    const QCommandLineOption list(QStringLiteral("list"), ListHelp, ListValue);
    const QCommandLineOption verify(QStringLiteral("verify"), VerifyHelp);
    const QCommandLineOption json(QStringLiteral("json"), JsonHelp);
    const QCommandLineOption log(QStringLiteral("log"), LogHelp, LogValue);
    const QList<QCommandLineOption> options = {help,     version, device, port,   speed, parity,
                                               stopBits, rings,   list,   verify, json,  log};
    parser.addOptions(options);
    // Named by its word even when the arguments are wrong: a check then answers as monitoring
    // checks do.
    const auto usageError = [&parser](const QString &text) {
        Parsed parsed;
        parsed.kind = Parsed::Kind::UsageError;
        parsed.text = text;
        const auto named = std::find(ActionNames.begin(), ActionNames.end(),
                                     parser.positionalArguments().value(0));
        if (named != ActionNames.end())
            parsed.request.action = Action(named - ActionNames.begin());
        return parsed;
    };

    if (!parser.parse(arguments))
        return usageError(optionError(OptionErrors::find(arguments, options)));
    if (parser.isSet(help)) {
        Parsed parsed;
        parsed.kind = Parsed::Kind::Help;
        // Named as installed, not as started: the manual page is made from this text.
        parsed.text =
            HelpText::render(QStringLiteral("tavoli"), commandSyntax, Description, options,
                             {{CommandArgument, commandHelp}}, HelpTail + CheckTexts::HelpSection);
        return parsed;
    }
    if (parser.isSet(version)) {
        Parsed parsed;
        parsed.kind = Parsed::Kind::Version;
        parsed.text = QCoreApplication::applicationName() + QLatin1Char(' ')
                      + QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return parsed;
    }

    Request request;
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(NoCommand);
    const auto action = std::find(ActionNames.begin(), ActionNames.end(), words.first());
    if (action == ActionNames.end())
        return usageError(UnknownCommand.arg(words.first()));
    if (words.size() > 1)
        return usageError(ExtraArgument.arg(words.at(1)));
    request.action = Action(action - ActionNames.begin());

    for (const QCommandLineOption *single : {&speed, &parity, &stopBits, &rings, &list, &log}) {
        if (parser.values(*single).size() > 1)
            return usageError(Repeated.arg(single->names().first()));
    }
    if (request.action != Action::Configure) {
        if (parser.isSet(rings) && request.action != Action::Check)
            return usageError(CheckTexts::RingsOnlyConfigureOrCheck.arg(rings.names().first()));
        for (const QCommandLineOption *only : {&list, &verify}) {
            if (parser.isSet(*only))
                return usageError(OnlyConfigure.arg(only->names().first()));
        }
    }

    if (parser.isSet(speed)) {
        const std::optional<LineSpeed> named = LineSpeeds::named(parser.value(speed));
        if (!named)
            return usageError(BadSpeed.arg(parser.value(speed)));
        request.settings.speed = *named;
    }
    if (parser.isSet(parity)) {
        const qsizetype named = ParityNames.indexOf(parser.value(parity));
        if (named < 0)
            return usageError(BadParity.arg(parser.value(parity)));
        request.parity = Parity(named);
    }
    if (parser.isSet(stopBits)) {
        const QString bits = parser.value(stopBits);
        if (bits != QLatin1String("1") && bits != QLatin1String("2"))
            return usageError(BadStopBits.arg(bits));
        request.settings.stopBits = bits == QLatin1String("1") ? StopBits::One : StopBits::Two;
    }
    if (request.action == Action::Configure) {
        if (parser.isSet(list))
            request.list = parser.value(list);
        // Required only by a list that has somewhere to put it; given, it must be sound.
        if (parser.isSet(rings)) {
            request.rings = parser.value(rings);
            if (!CommandListBuilder::RingCountValid(request.rings))
                return usageError(BadRings.arg(request.rings));
        } else {
            // A stored list that cannot be read asks for nothing here: the run names the file.
            QString stored = request.list.value_or(QString());
            if ((request.list || CommandListStore().load(&stored))
                && CommandListBuilder::NeedsRingCount(stored))
                return usageError(NoRings);
        }
        request.verify = parser.isSet(verify);
    }
    if (request.action == Action::Check) {
        if (parser.isSet(json))
            return usageError(CheckTexts::NotWithCheck.arg(json.names().first()));
        if (!parser.isSet(rings))
            return usageError(CheckTexts::NoRings);
        request.rings = parser.value(rings);
        if (!CommandListBuilder::RingCountValid(request.rings))
            return usageError(BadRings.arg(request.rings));
        request.speedAsked = parser.isSet(speed);
    }
    request.json = parser.isSet(json);
    request.logPath = parser.value(log);

    for (const QString &path : parser.values(device)) {
        if (path.isEmpty())
            return usageError(NoDevice);
        request.targets.append({path, 0, DeviceAddress::parse(path), {}});
    }
    for (const QString &number : parser.values(port)) {
        if (number.size() != 1 || number.at(0) < u'1' || number.at(0) > u'4')
            return usageError(BadPort.arg(number));
        const int n = number.at(0).unicode() - u'0';
        const PortChoice choice = PortAssignments::choiceFor(n);
        if (choice.source == PortChoice::Source::Unreadable)
            request.targets.append({UnreadPort.arg(n), n, DeviceAddress(), choice.unread});
        else
            request.targets.append({choice.device, n, DeviceAddress::parse(choice.device), {}});
    }
    if (request.targets.isEmpty())
        return usageError(NoDevice);
    for (const Target &target : request.targets) {
        if (target.unread.ok() && !target.address.isValid())
            return usageError(target.address.error());
    }
    // Two dialogues on one line would answer each other's commands. Each path is resolved
    // once: following links costs system calls, and a long list of devices must stay quick.
    QHash<QString, qsizetype> firstNamed;
    firstNamed.reserve(request.targets.size());
    for (qsizetype i = 0; i < request.targets.size(); ++i) {
        const Target &target = request.targets.at(i);
        const QString &device = target.device;
        // A port whose device is not known is told apart by its number, which names it.
        const QString resolved = target.unread.ok() ? identity(device, target.address) : device;
        const auto earlier = firstNamed.constFind(resolved);
        if (earlier != firstNamed.cend())
            return usageError(
                SameDevice.arg(request.targets.at(*earlier).device, device, resolved));
        firstNamed.insert(resolved, i);
    }

    Parsed parsed;
    parsed.kind = Parsed::Kind::Run;
    parsed.request = request;
    return parsed;
}

QString actionName(Action action)
{
    return ActionNames.at(std::size_t(action));
}

Dialogue::State firstState(Action action)
{
    switch (action) {
    case Action::Query:
    case Action::Check:
        return OperatorActions::Preguntar;
    case Action::Configure:
        return OperatorActions::Configurar;
    case Action::Unconfigure:
        return OperatorActions::Desconfigurar;
    case Action::Identify:
        break;
    }
    return Dialogue::IdentifyWake;
}

} // namespace CommandLine
