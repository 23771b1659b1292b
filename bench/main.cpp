// tavoli-bench: how close a configuration through the real window comes to what the line
// itself allows.
//
// The simulated modem runs on its own thread at the master side of a pseudo-terminal and
// answers every command at once; the program's own window (offscreen), serial port and timer
// sit at the slave side, as in use. For each run:
//   1. the raw round trip of that line: a plain blocking client on the slave pings the modem;
//   2. one "Configurar" with a long stored list, timed from the modem's log.
// Figures: the step latency (modem's "0" written -> next command's first byte read) against
// the raw round trip, and the whole dialogue against its floor (three paced seconds plus one
// raw round trip per command/reply exchange).
#include "applicationsetup.h"
#include "benchoptions.h"
#include "benchreport.h"
#include "configurerun.h"
#include "cputally.h"
#include "form1.h"
#include "hayesmodem.h"
#include "latencysummary.h"
#include "loadprobe.h"
#include "longcommandlist.h"
#include "rawroundtrip.h"
#include "threadpinning.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
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

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says so for every message box; it tells nothing here.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietHandler);
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
    CpuTally windowCpus;
    CpuTally clientCpus;
    HayesOptions modemOptions;
    std::atomic<bool> modemPinned{false};
    modemOptions.trace = [&modemCpus, &modemPinned,
                          modemCore](char kind, const std::string &,
                                     std::chrono::steady_clock::time_point) {
        // Called on the modem's own thread: the first line it hears pins it (before any timing).
        if (modemCore >= 0 && !modemPinned.exchange(true))
            ThreadPinning::pinCurrentThread(modemCore);
        if (kind == '>')
            modemCpus.record();
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
        QObject::connect(&form.comm(), &SerialPort::received, &form,
                         [&windowCpus] { windowCpus.record(); });
        const int timeoutMs = 3 * DialogueEngine::StepIntervalMs + 5000 + 50 * options.entries;

        print(QStringLiteral("tavoli-bench  %1")
                  .arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
        print(QStringLiteral("machine: %1 cores (std::thread::hardware_concurrency), kernel %2, Qt "
                             "%3, platform %4")
                  .arg(std::thread::hardware_concurrency())
                  .arg(QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
                       QGuiApplication::platformName()));
        print(QStringLiteral(
                  "line: %1 (pseudo-terminal, simulated modem on its own thread, no reply delay)")
                  .arg(QString::fromStdString(modem.devicePath())));
        print(
            QStringLiteral("list: %1 entries in %2; %3 runs, %4 raw round trips each (+%5 untimed)")
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

        // One untimed configuration first: fonts, the INI file and the kernel's caches warm.
        {
            const RawRoundTripResult raw = RawRoundTrip::measure(modem, 200, 50);
            const ConfigureResult warm = configure.run(timeoutMs);
            if (!raw.error.empty() || !warm.failure.isEmpty()) {
                print(QStringLiteral("warm-up failed: %1%2")
                          .arg(QString::fromStdString(raw.error), warm.failure));
                return 1;
            }
            print(QStringLiteral("warm-up configuration: %1 ms (not counted)")
                      .arg(QString::number(warm.totalMs, 'f', 1)));
            print(QString());
        }

        BenchReport report;
        for (int r = 1; r <= options.runs; ++r) {
            const QString loadBefore = LoadProbe::loadAverage();
            modemCpus.clear();
            clientCpus.clear();
            const RawRoundTripResult raw =
                RawRoundTrip::measure(modem, options.pings, options.warmup, &clientCpus);
            const QString rawThreads = placement(QStringLiteral("client"), clientCpus, modemCpus);
            if (!raw.error.empty()) {
                print(QStringLiteral("run %1: raw round trip failed: %2")
                          .arg(r)
                          .arg(QString::fromStdString(raw.error)));
                exitCode = 1;
                continue;
            }
            modemCpus.clear();
            windowCpus.clear();
            const ConfigureResult cfg = configure.run(timeoutMs);
            if (!cfg.failure.isEmpty()) {
                print(QStringLiteral("run %1: configuration failed: %2").arg(r).arg(cfg.failure));
                exitCode = 1;
                continue;
            }
            const bool oneCore =
                windowCpus.dominant() >= 0 && windowCpus.dominant() == modemCpus.dominant();
            report.addRun(
                raw, cfg, loadBefore,
                QStringLiteral("raw round trip %1; dialogue %2")
                    .arg(rawThreads, placement(QStringLiteral("window"), windowCpus, modemCpus)),
                oneCore);
        }
        report.printSummary();
        print(QStringLiteral("load average at end: %1").arg(LoadProbe::loadAverage()));
        form.close();
    }
    modem.stop();
    QDir::setCurrent(previousDir);
    return exitCode;
}
