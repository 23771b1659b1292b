// SPDX-License-Identifier: GPL-3.0-or-later
// tavoli-bench: how close a configuration through the real window comes to what the line
// itself allows.
//
// The simulated modem runs on its own thread at the master side of a pseudo-terminal and
// answers every command at once; the program's own window (on the X server when there is a
// display, offscreen otherwise), serial port and timer sit at the slave side, as in use.
// Before the first run and after every run, a plain blocking client on the slave exchanges
// "AT"/"0" with the modem: the line's own step, timed from the modem's side exactly as a
// dialogue step is. Each run is one "Configurar" with a long stored list, the first one after
// start-up included, compared with the line's figures just before and just after it.
#include "applicationsetup.h"
#include "benchoptions.h"
#include "benchreport.h"
#include "configurerun.h"
#include "cputally.h"
#include "dialogueengine.h"
#include "form1.h"
#include "hayesmodem.h"
#include "latencysummary.h"
#include "linecodec.h"
#include "loadprobe.h"
#include "longcommandlist.h"
#include "modemprotocol.h"
#include "quietoffscreen.h"
#include "rawroundtrip.h"
#include "threadpinning.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <ctime>
#include <thread>

namespace {

// "client cpu0 98 %, modem cpu1 95 %", marked when both ran mostly on one core.
QString placement(const QString &name, const CpuTally &local, const CpuTally &modem)
{
    const bool shared = local.dominant() >= 0 && local.dominant() == modem.dominant();
    return QStringLiteral("%1 %2, modem %3%4")
        .arg(name, local.describe(), modem.describe(),
             shared ? QStringLiteral(" (one core)") : QString());
}

void print(const QString &text)
{
    BenchReport::print(text);
}

} // namespace

int main(int argc, char *argv[])
{
    // Where users run it: on their display. Offscreen only where there is none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QuietOffscreen::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavoli"));
    ApplicationSetup::InstallQtTranslations(app);
    ApplicationSetup::InstallFontSubstitutes();

    BenchOptions options;
    const QString optionError = options.parse(QCoreApplication::arguments());
    if (!optionError.isEmpty() || options.help) {
        if (!optionError.isEmpty())
            print(optionError);
        print(BenchOptions::usage(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
        return optionError.isEmpty() ? 0 : 2;
    }

    int windowCore = -1;
    int modemCore = -1;
    if (options.pin) {
        if (!ThreadPinning::twoCores(&windowCore, &modemCore)
            || !ThreadPinning::pinCurrentThread(windowCore)) {
            print(QStringLiteral("--pin: this process cannot be kept on two cores of its own"));
            return 2;
        }
    }

    // The program reads its list from the working directory: give it one of its own.
    QTemporaryDir workDir;
    if (!workDir.isValid()) {
        print(QStringLiteral("no temporary directory: ") + workDir.errorString());
        return 1;
    }
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(workDir.path());
    const QString listFailure = LongCommandList::store(LongCommandList::make(options.entries));
    if (!listFailure.isEmpty()) {
        print(QStringLiteral("cannot store the command list: ") + listFailure);
        return 1;
    }

    // Where the modem's thread and the window's thread ran when each reply went out / came in.
    CpuTally modemCpus;
    CpuTally lineCpus;
    CpuTally clientCpus;
    HayesOptions modemOptions;
    std::atomic<bool> modemPinned{false};
    // The modem's thread is part of this process but not of the program measured: its CPU time,
    // taken at each reply, is subtracted from the process's.
    std::atomic<double> modemCpuMs{0};
    modemOptions.trace = [&modemCpus, &modemPinned, &modemCpuMs,
                          modemCore](char kind, const std::string &,
                                     std::chrono::steady_clock::time_point) {
        // Called on the modem's own thread: the first line it hears pins it (before any timing).
        if (modemCore >= 0 && !modemPinned.exchange(true))
            ThreadPinning::pinCurrentThread(modemCore);
        if (kind == '>') {
            modemCpus.record();
            timespec ts{};
            ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
            modemCpuMs.store(double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6);
        }
    };
    HayesModem modem(modemOptions);
    std::string modemError;
    if (!modem.start(&modemError)) {
        print(QStringLiteral("cannot start the simulated modem: ")
              + QString::fromStdString(modemError));
        return 1;
    }
    qputenv("TAVOLI_COM1", QByteArray::fromStdString(modem.devicePath()));

    int exitCode = 0;
    {
        Form1 form;
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            print(QStringLiteral("warning: the window was not exposed"));
        ConfigureRun configure(form, modem);
        // Where the thread that serves the line runs, sampled from a thread of the bench's own
        // (the line thread is made at the first dialogue); its processor time is not the
        // program's, and is taken off as the modem's is.
        std::atomic<bool> sampling{true};
        std::atomic<double> samplerCpuMs{0};
        std::thread sampler([&sampling, &lineCpus, &samplerCpuMs] {
            int line = 0;
            while (sampling) {
                if (line == 0)
                    line = CpuTally::threadNamed("tavoli-line");
                else
                    lineCpus.recordThread(line);
                timespec ts{};
                ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
                samplerCpuMs.store(double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        const auto stopSampling = qScopeGuard([&] {
            sampling = false;
            sampler.join();
        });
        const int timeoutMs = 3 * DialogueEngine::StepIntervalMs + 5000 + 50 * options.entries;

        print(QStringLiteral("tavoli-bench  %1")
                  .arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
        print(QStringLiteral("machine: %1 cores (std::thread::hardware_concurrency), kernel %2, Qt "
                             "%3, platform %4 %5")
                  .arg(std::thread::hardware_concurrency())
                  .arg(QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
                       QGuiApplication::platformName(),
                       QGuiApplication::platformName() == QLatin1String("xcb")
                           ? QStringLiteral("(X server on DISPLAY=%1)")
                                 .arg(qEnvironmentVariable("DISPLAY"))
                           : QString()));
        print(QStringLiteral(
                  "line: %1 (pseudo-terminal, simulated modem on its own thread, no reply delay)")
                  .arg(QString::fromStdString(modem.devicePath())));
        print(QStringLiteral(
                  "list: %1 entries in %2; %3 runs, the first after start-up included; %4 line "
                  "exchanges before and after each (+%5 untimed)")
                  .arg(options.entries)
                  .arg(QDir(workDir.path()).relativeFilePath(SettingsFilePath()))
                  .arg(options.runs)
                  .arg(options.pings)
                  .arg(options.warmup));
        print(options.pin ? QStringLiteral(
                                "threads: pinned, window and raw client on cpu%1, modem on cpu%2")
                                .arg(windowCore)
                                .arg(modemCore)
                          : QStringLiteral("threads: not pinned (--pin keeps them apart)"));
        print(QStringLiteral("load average at start: %1").arg(LoadProbe::loadAverage()));
        print(QString());

        // The line's figures before the first run; each later batch serves the runs on both
        // sides of it.
        // The client sends the very lines the dialogue sends, as they go down the wire.
        std::vector<std::string> listLines;
        for (const QString &entry : form.BuildCommandList().entries)
            listLines.push_back(
                LineCodec::ApplyParity(
                    form.parityMode(),
                    (ModemProtocol::CmdPrefix + entry + QLatin1Char('\r')).toLatin1())
                    .toStdString());
        auto measureLine = [&](LineAnchor *anchor) {
            clientCpus.clear();
            modemCpus.clear();
            const RawRoundTripResult raw =
                RawRoundTrip::measure(modem, options.pings, options.warmup, &clientCpus, listLines);
            if (!raw.error.empty()) {
                print(QStringLiteral("the line's own step could not be measured: %1")
                          .arg(QString::fromStdString(raw.error)));
                return false;
            }
            anchor->modemGapUs = raw.modemGapUs;
            anchor->roundTripUs = raw.roundTripUs;
            anchor->cycleUs = raw.cycleUs;
            anchor->clientCpuUs = {raw.clientCpuUs};
            return true;
        };
        LineAnchor before;
        if (!measureLine(&before))
            return 1;
        QString lineThreads = placement(QStringLiteral("client"), clientCpus, modemCpus);

        BenchReport report;
        for (int r = 1; r <= options.runs; ++r) {
            const QString loadBefore = LoadProbe::loadAverage();
            modemCpus.clear();
            lineCpus.clear();
            const double modemCpuBefore = modemCpuMs.load();
            const double samplerCpuBefore = samplerCpuMs.load();
            ConfigureResult cfg = configure.run(timeoutMs);
            cfg.processCpuMs -= modemCpuMs.load() - modemCpuBefore;
            cfg.processCpuMs -= samplerCpuMs.load() - samplerCpuBefore;
            const QString dialogueThreads =
                placement(QStringLiteral("line thread"), lineCpus, modemCpus);
            const bool oneCore =
                lineCpus.dominant() >= 0 && lineCpus.dominant() == modemCpus.dominant();
            LineAnchor after;
            if (!measureLine(&after))
                return 1;
            if (!cfg.failure.isEmpty()) {
                print(QStringLiteral("run %1: configuration failed: %2").arg(r).arg(cfg.failure));
                exitCode = 1;
            } else {
                LineAnchor around = before;
                around.modemGapUs.insert(around.modemGapUs.end(), after.modemGapUs.begin(),
                                         after.modemGapUs.end());
                around.roundTripUs.insert(around.roundTripUs.end(), after.roundTripUs.begin(),
                                          after.roundTripUs.end());
                around.cycleUs.insert(around.cycleUs.end(), after.cycleUs.begin(),
                                      after.cycleUs.end());
                around.clientCpuUs.insert(around.clientCpuUs.end(), after.clientCpuUs.begin(),
                                          after.clientCpuUs.end());
                report.addRun(
                    around, cfg, loadBefore,
                    QStringLiteral("line %1; dialogue %2").arg(lineThreads, dialogueThreads),
                    oneCore);
            }
            before = std::move(after);
            lineThreads = placement(QStringLiteral("client"), clientCpus, modemCpus);
        }
        report.printSummary();
        print(QStringLiteral("load average at end: %1").arg(LoadProbe::loadAverage()));
        form.close();
    }
    modem.stop();
    QDir::setCurrent(previousDir);
    return exitCode;
}
