// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line parser given any arguments (the input cut at NUL bytes, UTF-8). Whatever it
// answers makes sense: a usage error, the help and the version carry their text; a command to
// run names at least one line, each once, with settings inside their ranges, and the ring
// count and the list only for "configure". What it understood, said again in the plain
// "--option=value" form, is understood the same; and such a command never opens the window
// instead (wantsCommand).
#include "fuzzcheck.h"

#include "commandline.h"
#include "commandlistbuilder.h"
#include "serialport.h"

#include <QCoreApplication>

namespace {

using CommandLine::Action;
using CommandLine::Parsed;
using CommandLine::Request;

const QStringList Parities = {QStringLiteral("none"), QStringLiteral("odd"),
                              QStringLiteral("even")};

void checkRequest(const Request &request)
{
    FUZZ_CHECK(!request.targets.isEmpty());
    for (qsizetype i = 0; i < request.targets.size(); ++i) {
        const CommandLine::Target &target = request.targets.at(i);
        FUZZ_CHECK(!target.device.isEmpty());
        FUZZ_CHECK(target.port >= 0 && target.port <= 4);
        if (target.port > 0 && target.unread.ok())
            FUZZ_CHECK(target.device == SerialPort::deviceFor(target.port));
        for (qsizetype j = 0; j < i; ++j)
            FUZZ_CHECK(request.targets.at(j).device != target.device);
    }
    FUZZ_CHECK(int(request.settings.speed) >= 0
               && std::size_t(request.settings.speed) < LineSpeeds::Table.size());
    FUZZ_CHECK(int(request.parity) >= 0 && int(request.parity) < Parities.size());
    if (request.action == Action::Configure) {
        // Given, it is sound; left out, the list has nowhere to put it.
        if (request.rings.isNull())
            FUZZ_CHECK(!request.list || !CommandListBuilder::NeedsRingCount(*request.list));
        else
            FUZZ_CHECK(CommandListBuilder::RingCountValid(request.rings));
    } else {
        FUZZ_CHECK(request.rings.isEmpty() && !request.list && !request.verify);
    }
}

// The request as plain arguments, every value after "=" so that none can pass for an option.
QStringList said(const Request &request)
{
    QStringList arguments = {QStringLiteral("tavoli"), CommandLine::actionName(request.action)};
    for (const CommandLine::Target &target : request.targets) {
        arguments.append(target.port > 0 ? QStringLiteral("--port=%1").arg(target.port)
                                         : QStringLiteral("--device=") + target.device);
    }
    arguments.append(QStringLiteral("--speed=") + LineSpeeds::row(request.settings.speed).caption);
    arguments.append(QStringLiteral("--parity=") + Parities.at(int(request.parity)));
    arguments.append(QStringLiteral("--stop-bits=%1").arg(int(request.settings.stopBits)));
    if (request.action == Action::Configure && !request.rings.isNull())
        arguments.append(QStringLiteral("--rings=") + request.rings);
    if (request.list)
        arguments.append(QStringLiteral("--list=") + *request.list);
    if (request.verify)
        arguments.append(QStringLiteral("--verify"));
    if (request.json)
        arguments.append(QStringLiteral("--json"));
    if (!request.logPath.isEmpty())
        arguments.append(QStringLiteral("--log=") + request.logPath);
    return arguments;
}

bool same(const Request &a, const Request &b)
{
    if (a.targets.size() != b.targets.size())
        return false;
    for (qsizetype i = 0; i < a.targets.size(); ++i) {
        if (a.targets.at(i).device != b.targets.at(i).device
            || a.targets.at(i).port != b.targets.at(i).port)
            return false;
    }
    return a.action == b.action && a.settings == b.settings && a.parity == b.parity
           && a.rings == b.rings && a.list == b.list && a.verify == b.verify && a.json == b.json
           && a.logPath == b.logPath;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The parser names the program in its help and reads the port map: it needs the
    // application object, as in main().
    static int argc = 1;
    static char name[] = "tavoli";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavoli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments = {QStringLiteral("tavoli")};
    if (size > 0) {
        for (const QByteArray &argument :
             QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
            arguments.append(QString::fromUtf8(argument));
    }

    const bool command = CommandLine::wantsCommand(arguments);
    const Parsed parsed = CommandLine::parse(arguments);
    switch (parsed.kind) {
    case Parsed::Kind::UsageError:
    case Parsed::Kind::Help:
    case Parsed::Kind::Version:
        FUZZ_CHECK(!parsed.text.isEmpty());
        break;
    case Parsed::Kind::Run: {
        FUZZ_CHECK(command);
        checkRequest(parsed.request);
        const QStringList again = said(parsed.request);
        const Parsed reparsed = CommandLine::parse(again);
        FUZZ_CHECK(reparsed.kind == Parsed::Kind::Run);
        FUZZ_CHECK(same(reparsed.request, parsed.request));
        FUZZ_CHECK(CommandLine::wantsCommand(again));
        break;
    }
    }
    return 0;
}
