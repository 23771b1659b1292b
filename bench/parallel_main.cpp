// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench-parallel: many modems configured at once from the command line, against one
// alone, in the same run.
//
// N simulated modems, each on its own pseudo-terminal and thread, answer every command at once.
// In a temporary working directory a 500-entry list is stored in tavoli.INI, and the real
// `tavoli configure --rings 2 --json --device ...` runs as a subprocess: once with the first
// modem alone, once with all N, alternating which goes first from round to round. Times are
// the subprocess's whole life (start to exit) and the slowest device's own duration_ms.
// With --ser2net rfc2217|socket every modem sits behind one real ser2net (one port each, on
// 127.0.0.1) and the devices are its addresses.
// Goal: N at once within 1.1 x the time of one.
#include "hayesmodem.h"
#include "loadprobe.h"
#include "longcommandlist.h"
#include "ser2netfarm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

struct Options
{
    int modems = 16;
    int entries = 500;
    int rounds = 3;
    QString ser2net; // "", "rfc2217" or "socket"
    QString program = QStringLiteral(TAVOLI_PROGRAM);
};

const char *const Usage =
    "Usage: tavoli-bench-parallel [--modems N] [--entries N] [--rounds N]\n"
    "                             [--ser2net rfc2217|socket] [--tavoli PATH]\n"
    "Configures N simulated modems (default 16) at once with `tavoli configure` and a list of\n"
    "--entries entries (default 500), and the first of them alone, --rounds times (default 3).\n"
    "--ser2net puts every modem behind one ser2net on 127.0.0.1, reached by that protocol.\n";

void print(const QString &text)
{
    std::printf("%s\n", qUtf8Printable(text));
    std::fflush(stdout);
}

struct Timing
{
    QString failure;
    double wallMs = 0;    // the subprocess, start to exit
    double slowestMs = 0; // the largest duration_ms among its devices
    // Processor time (user + system) during the run: tavoli itself, the simulated modems (this
    // process's threads) and ser2net when there is one (-1 when there is none).
    double tavoliCpuMs = 0;
    double modemsCpuMs = 0;
    double serverCpuMs = -1;
};

double cpuMs(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

Timing configure(const Options &options, const QStringList &devices, const Ser2netFarm &farm)
{
    QStringList arguments{QStringLiteral("configure"), QStringLiteral("--rings"),
                          QStringLiteral("2"), QStringLiteral("--json")};
    for (const QString &device : devices)
        arguments << QStringLiteral("--device") << device;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const double tavoliBefore = cpuMs(RUSAGE_CHILDREN);
    const double modemsBefore = cpuMs(RUSAGE_SELF);
    const double serverBefore = farm.cpuMs();
    QElapsedTimer clock;
    clock.start();
    process.start(options.program, arguments);
    const bool finished = process.waitForFinished(60000 + 100 * options.entries);
    Timing timing;
    timing.wallMs = double(clock.nsecsElapsed()) / 1e6;
    timing.tavoliCpuMs = cpuMs(RUSAGE_CHILDREN) - tavoliBefore; // counted once reaped
    timing.modemsCpuMs = cpuMs(RUSAGE_SELF) - modemsBefore;
    if (serverBefore >= 0)
        timing.serverCpuMs = farm.cpuMs() - serverBefore;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        timing.failure = QStringLiteral("tavoli ended with status %1: %2%3")
                             .arg(process.exitCode())
                             .arg(QString::fromUtf8(process.readAllStandardOutput()),
                                  QString::fromUtf8(process.readAllStandardError()));
        return timing;
    }
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    int seen = 0;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        timing.slowestMs =
            std::max(timing.slowestMs, result.value(QLatin1String("duration_ms")).toDouble());
        ++seen;
    }
    if (seen != devices.size())
        timing.failure =
            QStringLiteral("%1 result lines for %2 devices").arg(seen).arg(devices.size());
    return timing;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Options options;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        bool ok = true;
        if (a == QLatin1String("--modems"))
            options.modems = value.toInt(&ok);
        else if (a == QLatin1String("--entries"))
            options.entries = value.toInt(&ok);
        else if (a == QLatin1String("--rounds"))
            options.rounds = value.toInt(&ok);
        else if (a == QLatin1String("--tavoli"))
            options.program = value;
        else if (a == QLatin1String("--ser2net"))
            ok = (options.ser2net = value) == QLatin1String("rfc2217")
                 || value == QLatin1String("socket");
        else
            ok = false;
        if (!ok || value.isEmpty() || options.modems < 1 || options.entries < 1
            || options.rounds < 1) {
            std::fputs(Usage, a == QLatin1String("--help") ? stdout : stderr);
            return a == QLatin1String("--help") ? 0 : 2;
        }
        ++i;
    }

    // The program reads its list from tavoli.INI in its working directory, as the window does.
    QTemporaryDir workDir;
    if (!workDir.isValid()) {
        print(QStringLiteral("no temporary directory: ") + workDir.errorString());
        return 1;
    }
    QFile ini(QDir(workDir.path()).filePath(QStringLiteral("tavoli.INI")));
    const QByteArray text =
        "[tavoli]\r\nCmdAT=" + LongCommandList::make(options.entries).toLatin1() + "\r\n";
    if (!ini.open(QIODevice::WriteOnly) || ini.write(text) != text.size()) {
        print(QStringLiteral("cannot write ") + ini.fileName());
        return 1;
    }
    ini.close();
    QDir::setCurrent(workDir.path());

    std::vector<std::unique_ptr<HayesModem>> modems;
    QStringList devices;
    for (int i = 0; i < options.modems; ++i) {
        HayesOptions modemOptions;
        modemOptions.keepLog = false; // many rounds of 500 lines each
        modems.push_back(std::make_unique<HayesModem>(modemOptions));
        std::string why;
        if (!modems.back()->start(&why)) {
            print(QStringLiteral("cannot start simulated modem %1: %2")
                      .arg(i + 1)
                      .arg(QString::fromStdString(why)));
            return 1;
        }
        devices << QString::fromStdString(modems.back()->devicePath());
    }

    Ser2netFarm farm;
    if (!options.ser2net.isEmpty()) {
        const QString why = farm.start(devices, options.ser2net == QLatin1String("rfc2217")
                                                    ? Ser2netFarm::Protocol::Rfc2217
                                                    : Ser2netFarm::Protocol::Socket);
        if (!why.isEmpty()) {
            print(QStringLiteral("cannot start ser2net: ") + why);
            return 1;
        }
        devices = farm.addresses();
    }

    print(QStringLiteral("tavoli-bench-parallel: %1 modems at once against one alone, %2-entry "
                         "list, %3 rounds; %4")
              .arg(options.modems)
              .arg(options.entries)
              .arg(options.rounds)
              .arg(options.ser2net.isEmpty()
                       ? QStringLiteral("local pseudo-terminals")
                       : QStringLiteral("behind one ser2net, %1://").arg(options.ser2net)));
    print(QStringLiteral("machine: %1 cores; program %2")
              .arg(std::thread::hardware_concurrency())
              .arg(options.program));
    print(QStringLiteral("load average at start: %1").arg(LoadProbe::loadAverage()));

    std::vector<double> oneWall, allWall, oneSlowest, allSlowest;
    int exitCode = 0;
    for (int round = 1; round <= options.rounds; ++round) {
        const QString load = LoadProbe::loadAverage();
        Timing one, all;
        // Alternated, so that a drift in the machine's load weighs on both alike.
        if (round % 2) {
            one = configure(options, devices.mid(0, 1), farm);
            all = configure(options, devices, farm);
        } else {
            all = configure(options, devices, farm);
            one = configure(options, devices.mid(0, 1), farm);
        }
        if (!one.failure.isEmpty() || !all.failure.isEmpty()) {
            print(QStringLiteral("round %1 failed: %2%3").arg(round).arg(one.failure, all.failure));
            exitCode = 1;
            continue;
        }
        oneWall.push_back(one.wallMs);
        allWall.push_back(all.wallMs);
        oneSlowest.push_back(one.slowestMs);
        allSlowest.push_back(all.slowestMs);
        print(QStringLiteral("round %1 (load %2): one %3 ms (dialogue %4 ms), %5 at once %6 ms "
                             "(slowest %7 ms): %8x")
                  .arg(round)
                  .arg(load, ms(one.wallMs), ms(one.slowestMs))
                  .arg(options.modems)
                  .arg(ms(all.wallMs), ms(all.slowestMs),
                       QString::number(all.wallMs / one.wallMs, 'f', 3)));
        const auto cpu = [](const Timing &t) {
            return QStringLiteral("tavoli %1 ms, modems %2 ms%3")
                .arg(ms(t.tavoliCpuMs), ms(t.modemsCpuMs),
                     t.serverCpuMs < 0 ? QString()
                                       : QStringLiteral(", ser2net %1 ms").arg(ms(t.serverCpuMs)));
        };
        print(QStringLiteral("  processor time: one: %1; all: %2").arg(cpu(one), cpu(all)));
    }
    if (!oneWall.empty()) {
        const double ratio = median(allWall) / median(oneWall);
        print(QStringLiteral(
                  "median: one %1 ms, %2 at once %3 ms: %4x (goal 1.1x: %5); dialogues %6x")
                  .arg(ms(median(oneWall)))
                  .arg(options.modems)
                  .arg(ms(median(allWall)), QString::number(ratio, 'f', 3),
                       ratio <= 1.1 ? QStringLiteral("met") : QStringLiteral("missed"),
                       QString::number(median(allSlowest) / median(oneSlowest), 'f', 3)));
    }
    print(QStringLiteral("load average at end: %1").arg(LoadProbe::loadAverage()));
    for (auto &modem : modems)
        modem->stop();
    return exitCode;
}
