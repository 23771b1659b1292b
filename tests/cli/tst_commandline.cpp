// SPDX-License-Identifier: GPL-3.0-or-later
// The commands end to end: the real `tavoli` program, run as a subprocess without any display,
// against simulated modems on pseudo-terminals. Exit status and the JSON or text line of each
// device.
#include "clitexts.h"
#include "hayesmodem.h"
#include "initext.h"
#include "networktexts.h"
#include "portlock.h"
#include "ser2netserver.h"
#include "telnetpeer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Fields = QVariantMap; // expected JSON members; "a/b" for b inside object a

HayesOptions modem(const QString &fault = QString())
{
    HayesOptions options;
    options.echo = true;
    options.verbose = true;
    options.registers = {{0, 2}, {37, 9}};
    if (fault == "factory rings")
        options.registers[0] = 0;
    options.silent = fault == "silent";
    if (fault.startsWith("errorOn "))
        options.errorOn = {fault.section(u' ', 1).toStdString()};
    if (fault.startsWith("silentOn "))
        options.silentOn = {fault.section(u' ', 1).toStdString()};
    if (fault == "s37 11")
        options.registers[37] = 11;
    return options;
}

struct Run
{
    int exitCode = -1;
    QStringList lines; // stdout
    QString errors;    // stderr
};

// `during` runs once the program has started, while it runs.
Run tavoli(const QStringList &arguments, const QStringList &env = {},
           const std::function<void(QProcess &)> &during = {}, bool stdoutUnread = false)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // With no display at all, a program that made a QApplication would abort.
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    for (const QString &pair : env)
        environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    process.setProcessEnvironment(environment);
    if (stdoutUnread) {
        // A pipe whose reader has already gone.
        process.setChildProcessModifier([] {
            int ends[2];
            if (::pipe(ends) == 0 && ::close(ends[0]) == 0)
                ::dup2(ends[1], STDOUT_FILENO);
        });
    }
    process.start(QStringLiteral(TAVOLI_PROGRAM), arguments);
    if (during && process.waitForStarted())
        during(process);
    Run run;
    // The event loop runs meanwhile: a server of the test's own answers from it.
    const bool ended =
        QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000)
        && process.error() != QProcess::FailedToStart;
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    if (!ended)
        run.errors.prepend("(still running after 30 s) ");
    else if (process.exitStatus() != QProcess::NormalExit)
        run.errors.prepend("(killed by a signal) ");
    else
        run.exitCode = process.exitCode();
    return run;
}

QJsonObject json(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// A JSON null as an invalid QVariant.
QVariant member(const QJsonObject &object, const QString &path)
{
    const QJsonValue outer = object.value(path.section(u'/', 0, 0));
    const QJsonValue value =
        path.contains(u'/') ? outer.toObject().value(path.section(u'/', 1)) : outer;
    return value.isNull() ? QVariant() : value.toVariant();
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oneDevice_data();
    void oneDevice();
    void terminalServer();
    void terminalServerFault_data();
    void terminalServerFault();
    void listRefused();
    void twoDevicesOneFailing();
    void logToFifo();
    void logOfInterruptedList();
    void deviceNameCannotForgeALine();
    void cutShort_data();
    void cutShort();
    void outputRefused();
    void windowSignalled();
    void noDisplay();
    void linesModuleBroken();
    void usageError_data();
    void usageError();
};

void TestCommandLine::initTestCase()
{
    // The stored list the commands read, as the window would: tavoli.INI of the working folder.
    QFile ini(QDir::current().filePath("tavoli.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[tavoli]\r\nCmdAT=V0;S0=#;S37=#;E0\r\n");
}

void TestCommandLine::oneDevice_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("arguments"); // the device's path goes after these
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<int>("storedRings"); // S0 of the modem's stored profile afterwards

    // S0=0, the factory value, is a number read like any other, not "not read" (null).
    QTest::newRow("query") << "factory rings" << QStringList{"query", "--json", "--device"} << 0
                           << Fields{{"ok", true},
                                     {"rings", 0},
                                     {"rings_reason", QVariant()},
                                     {"s37", 9},
                                     {"s37_reason", QVariant()},
                                     {"speed_bps", 9600},
                                     {"failure", QVariant()},
                                     {"speed", QVariant()}}
                           << 0;
    // Numbers or why there are none, never the window's captions ("XXXX", "++++").
    QTest::newRow("query, speed unanswered")
        << "silentOn S37?" << QStringList{"query", "--json", "--device"} << 2
        << Fields{{"ok", false},
                  {"failure", "no_reply"},
                  {"command", "ATS37?"},
                  {"rings", 2},
                  {"s37", QVariant()},
                  {"s37_reason", "no_reply"},
                  {"speed_bps", QVariant()}}
        << 2;
    QTest::newRow("query, speed code past the table")
        << "s37 11" << QStringList{"query", "--json", "--device"} << 0
        << Fields{{"ok", true},
                  {"s37", 11},
                  {"s37_reason", "out_of_range"},
                  {"speed_bps", QVariant()}}
        << 2;
    QTest::newRow("configure, verified")
        << "" << QStringList{"configure", "--rings",  "3",      "--speed",
                             "4800",      "--verify", "--json", "--device"}
        << 0
        << Fields{{"ok", true},
                  {"rings", 3},
                  {"speed_bps", 4800},
                  {"s37", 8},
                  {"entries", 4},
                  {"verify/match", true},
                  {"verify/rings", 3},
                  {"verify/s37", 8},
                  {"verify/speed_bps", 4800},
                  {"verify/rings_reason", QVariant()},
                  {"failure", QVariant()}}
        << 3;
    QTest::newRow("configure, stored profile differs")
        << "" << QStringList{"configure", "--rings",  "3",      "--list",
                             "S0=#;S0=5", "--verify", "--json", "--device"}
        << 1
        << Fields{{"ok", false},
                  {"verify/match", false},
                  {"verify/rings", 5},
                  {"failure", "verify_mismatch"}}
        << 5;
    // A refused AT&W0, silent under ATQ1: what is read is the stored profile, not the list's.
    QTest::newRow("configure, profile not stored")
        << "errorOn &W0"
        << QStringList{"configure", "--rings", "3", "--verify", "--json", "--device"} << 1
        << Fields{{"ok", false}, {"verify/rings", 2}, {"failure", "verify_mismatch"}} << 2;
    // A modem without S37 is verified on S0 when the list does not set S37.
    QTest::newRow("configure, S37 refused, not asked")
        << "errorOn S37?" << QStringList{"configure", "--rings",  "3",      "--list",
                                         "S0=#;V0",   "--verify", "--json", "--device"}
        << 0 << Fields{{"ok", true}, {"verify/match", true}, {"verify/s37", QVariant()}} << 3;
    // Without "S0=#" no ring count is needed, and none is compared or reported.
    QTest::newRow("configure, list without a ring count")
        << "" << QStringList{"configure", "--list", "V0;S37=#", "--verify", "--json", "--device"}
        << 0 << Fields{{"ok", true}, {"rings", QVariant()}, {"entries", 2}, {"verify/match", true}}
        << 0; // the factory profile's, which AT&F0 put back
    QTest::newRow("configure, plus sign")
        << "" << QStringList{"configure", "--rings", "+3", "--json", "--device"} << 0
        << Fields{{"ok", true}, {"rings", 3}} << 3;
    QTest::newRow("refusal")
        << "errorOn S0=3" << QStringList{"configure", "--rings", "3", "--json", "--device"} << 1
        << Fields{{"ok", false}, {"exit", 1}, {"command", "ATS0=3"}, {"failure", "modem_refused"}}
        << 2;
    QTest::newRow("silence") << "silent" << QStringList{"query", "--json", "--device"} << 2
                             << Fields{{"ok", false},
                                       {"command", "ATE0Q0V0"},
                                       {"failure", "no_reply"},
                                       {"rings", QVariant()},
                                       {"rings_reason", "not_read"}}
                             << 2;
    QTest::newRow("missing device")
        << "missing" << QStringList{"unconfigure", "--json", "--device"} << 3
        << Fields{{"ok", false},
                  {"command", QVariant()},
                  {"failure", "port_unavailable"},
                  {"error", "El puerto /nonexistent/tty no existe: no hay ningún dispositivo con "
                            "ese nombre."}}
        << 2;
}

void TestCommandLine::oneDevice()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(Fields, fields);
    QFETCH(int, storedRings);

    HayesModem simulated(modem(fault));
    std::string why;
    QVERIFY2(simulated.start(&why), why.c_str());
    const QString device =
        fault == "missing" ? "/nonexistent/tty" : QString::fromStdString(simulated.devicePath());

    const Run run = tavoli(arguments << device);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.lines.size(), 1);
    const QJsonObject result = json(run.lines.first());
    QCOMPARE(result.value("device").toString(), device);
    QCOMPARE(result.value("action").toString(), arguments.first());
    QCOMPARE(result.value("exit").toInt(), exitCode);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        QVERIFY2(member(result, it.key()) == it.value(),
                 qPrintable(it.key() + " in " + run.lines.first()));
    QCOMPARE(simulated.storedRegister(0), storedRings);
    // The verifying query turns result codes on; ATZ must have put the stored Q1 back.
    if (arguments.contains("--verify") && fault.isEmpty())
        QVERIFY(simulated.quiet());
    QVERIFY(run.errors.isEmpty()); // progress only on a terminal
}

// A modem behind ser2net, reached by address: the same commands and results as on a local port,
// and a server that cannot be reached is the device's failure (status 3) with its reason.
void TestCommandLine::terminalServer()
{
    if (Ser2net::program().isEmpty())
        QSKIP(Ser2net::Missing);
    HayesModem simulated(modem()), other(modem());
    QVERIFY(simulated.start() && other.start());
    Ser2net telnet(simulated.devicePath(), true), raw(other.devicePath(), false);
    QVERIFY2(telnet.listening && raw.listening, telnet.process.readAll().constData());

    Run run = tavoli({"query", "--json", "--device", telnet.address});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + run.lines.join(u'\n')));
    QCOMPARE(member(json(run.lines.value(0)), "rings"), QVariant(2));
    // Both at once, the raw one configured and verified: connecting, dialogues, reconnecting.
    run = tavoli({"configure", "--rings", "4", "--verify", "--device", telnet.address, "--device",
                  raw.address});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + run.lines.join(u'\n')));
    QCOMPARE(simulated.storedRegister(0), 4);
    QCOMPARE(other.storedRegister(0), 4);

    // Nobody listens on the probe's port once it is closed; a .invalid name never resolves.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const QString refused = QStringLiteral("socket://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    const QString unknown = QStringLiteral("rfc2217://modem.invalid:7000");
    run = tavoli({"identify", "--json", "--device", refused, "--device", unknown});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.lines.size(), 2);
    for (const QString &line : run.lines) {
        const QJsonObject result = json(line);
        const bool isRefused = result.value("device").toString() == refused;
        QCOMPARE(result.value("exit").toInt(), 3);
        QCOMPARE(result.value("failure").toString(), isRefused ? "refused" : "unresolved");
        QVERIFY2(result.value("error").toString().contains(isRefused ? "rechaza la conexión"
                                                                     : "no se encuentra"),
                 qPrintable(line));
    }

    // A server that cannot open its device says why and hangs up: its words are the reason, and
    // nothing is written on the closed connection (Qt would complain on stderr).
    Ser2net broken("/dev/tavoli-test-missing", true);
    QVERIFY(broken.listening);
    run = tavoli({"query", "--json", "--device", broken.address});
    QCOMPARE(run.exitCode, 3);
    const QJsonObject result = json(run.lines.value(0));
    QCOMPARE(result.value("failure").toString(), "turned_away");
    QVERIFY2(result.value("error").toString().contains("dice: \"Device open failure: "),
             qPrintable(run.lines.value(0)));
    QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));
}

// A terminal server that fails in its own way fails the device (status 3): one line naming it,
// with the reason, as text and in JSON.
void TestCommandLine::terminalServerFault_data()
{
    using Script = TelnetPeer::Script;
    QTest::addColumn<int>("script");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("failure");
    QTest::newRow("COM Port refused")
        << int(Script::RefuseComPort) << NetworkTexts::NetComPortRefused << "option_refused";
    QTest::newRow("in use") << int(Script::Busy)
                            << NetworkTexts::NetTurnedAway.arg("%1", "Port already in use")
                            << "turned_away";
    QTest::newRow("dropped after the first command")
        << int(Script::DropAfterFirst) << NetworkTexts::NetLost << "dropped";
    // Not the modem's silence: what is sent never reaches the server.
    QTest::newRow("stops reading")
        << int(Script::StopReading) << NetworkTexts::NetStalled << "stalled";
}

void TestCommandLine::terminalServerFault()
{
    QFETCH(int, script);
    QFETCH(QString, text);
    QFETCH(QString, failure);
    for (const bool asJson : {false, true}) {
        TelnetPeer peer{TelnetPeer::Script(script)};
        const QString device = peer.address();
        QStringList arguments{"query", "--device", device};
        if (asJson)
            arguments << "--json";
        const Run run = tavoli(arguments);
        // Named by its address, the device has no port number in front of it.
        const QString expected = text.arg(device);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.lines.size(), 1);
        if (!asJson) {
            QCOMPARE(run.lines.first(),
                     CliTexts::ResultLine.arg(device, IniFormat::oneLine(expected)));
            continue;
        }
        const QJsonObject result = json(run.lines.first());
        QCOMPARE(result.value("device").toString(), device);
        QCOMPARE(result.value("exit").toInt(), 3);
        QCOMPARE(result.value("error").toString(), expected);
        QCOMPARE(result.value("failure").toString(), failure);
    }
}

// A list that cannot be sent is the configuration's refusal (status 1), never the device's: an
// INI file that cannot be read is named, and the built-in list is not sent in its place.
void TestCommandLine::listRefused()
{
    HayesModem simulated(modem());
    std::string why;
    QVERIFY2(simulated.start(&why), why.c_str());
    const QString device = QString::fromStdString(simulated.devicePath());
    QFile stored("tavoli.INI"); // the other tests' list, put back afterwards
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray kept = stored.readAll();
    stored.close();
    QVERIFY(stored.remove() && QDir::current().mkdir("tavoli.INI"));
    // Without --rings: what the unreadable list needs is not known, so it is not asked for.
    const Run unreadable = tavoli({"configure", "--json", "--device", device});
    // Nor can the device assigned to a port be: no other device is opened in its place.
    const Run portUnread = tavoli({"query", "--json", "--port", "2"});
    QVERIFY(QDir::current().rmdir("tavoli.INI"));
    QCOMPARE(portUnread.exitCode, 3);
    QCOMPARE(portUnread.lines.size(), 1);
    const QJsonObject port = json(portUnread.lines.first());
    QCOMPARE(member(port, "device"), QVariant(CliTexts::UnreadPort.arg(2)));
    QCOMPARE(member(port, "failure"), QVariant("port_unavailable"));
    QVERIFY2(port.value("error").toString().contains("tavoli.INI"),
             qPrintable(portUnread.lines[0]));
    QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(kept) == kept.size());
    stored.close();
    const Run empty = tavoli({"configure", "--list", "", "--json", "--device", device});
    for (const Run &run : {unreadable, empty}) {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.lines.size(), 1);
        QCOMPARE(member(json(run.lines.first()), "entries"), QVariant(0));
        QCOMPARE(member(json(run.lines.first()), "failure"), QVariant("list_refused"));
    }
    // Refused before the port is opened: the modem heard nothing. The advice is the command
    // line's, not the window's button.
    QVERIFY(simulated.received().empty());
    const QString said = json(empty.lines.first()).value("error").toString();
    QVERIFY2(said.contains("--list") && !said.contains("\"AT...\""), qPrintable(said));
    QVERIFY2(json(unreadable.lines.first()).value("error").toString().contains("tavoli.INI"),
             qPrintable(unreadable.lines.first()));
    QCOMPARE(simulated.storedRegister(0), 2);
}

void TestCommandLine::twoDevicesOneFailing()
{
    HayesModem good(modem());
    HayesModem refusing(modem("errorOn S0=4"));
    QVERIFY(good.start() && refusing.start());
    const QString first = QString::fromStdString(good.devicePath());
    const QString second = QString::fromStdString(refusing.devicePath());

    // The first also through the port map, as the window names it.
    const Run run = tavoli({"configure", "--rings", "4", "--port", "1", "--device", second},
                           {"TAVOLI_COM1=" + first});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.size(), 2);
    QVERIFY(run.lines.contains(first + ": Modem configurado con éxito"));
    QVERIFY(run.lines.contains(second
                               + ": El modem ha devuelto un código de error con el comando:  "
                                 "ATS0=4. La operación ha fracasado"));
    QCOMPARE(good.storedRegister(0), 4);
    QCOMPARE(refusing.storedRegister(0), 2);
}

void TestCommandLine::logToFifo()
{
    const QByteArray fifo = QFile::encodeName(QDir::current().filePath("log.fifo"));
    ::unlink(fifo.constData());
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    const QString path = QFile::decodeName(fifo);

    // Nobody reads it: refused at once, by a command and by the window.
    for (const QStringList &arguments :
         {QStringList{"query", "--log", path, "--device", "/dev/null"},
          QStringList{"--log", path}}) {
        const Run run = tavoli(arguments, {"QT_QPA_PLATFORM=offscreen"});
        QVERIFY2(run.exitCode == 64 && run.errors.contains("nadie está leyendo.\n")
                     && !run.errors.contains("<x0A>"),
                 qPrintable(run.errors));
    }

    // Its reader goes away after the first line: said once, and the device goes on.
    HayesModem simulated(modem());
    QVERIFY(simulated.start());
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(reader >= 0);
    const Run run =
        tavoli({"query", "--log", path, "--device", QString::fromStdString(simulated.devicePath())},
               {}, [reader](QProcess &) {
                   pollfd wait{reader, POLLIN, 0};
                   ::poll(&wait, 1, 10000);
                   ::close(reader);
               });
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(run.lines.size(), 1);
    QCOMPARE(run.errors.count("No se puede seguir escribiendo el archivo de registro"), 1);
}

// A long list with --log, interrupted halfway: its lines wait in batches, yet the file holds
// every command the modem received, in the list's order, and ends with the dialogue's end.
void TestCommandLine::logOfInterruptedList()
{
    HayesModem simulated(modem());
    QVERIFY(simulated.start());
    QStringList list;
    for (int i = 0; i < 3000; ++i)
        list << QStringLiteral("S7=%1").arg(i % 250);
    QFile::remove("list.log");
    const Run run = tavoli({"configure", "--rings", "3", "--list", list.join(u';'), "--log",
                            "list.log", "--device", QString::fromStdString(simulated.devicePath())},
                           {}, [&](QProcess &process) {
                               if (simulated.waitForReceived(300, 10000))
                                   ::kill(pid_t(process.processId()), SIGTERM);
                           });
    QVERIFY2(run.exitCode == 128 + SIGTERM, qPrintable(run.errors));
    QTest::qWait(100); // the modem reads what was left on the line
    qsizetype received = 0;
    for (const HayesModem::Received &command : simulated.received())
        received += QByteArray::fromStdString(command.line).startsWith("ATS7=");
    QFile file("list.log");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    qsizetype logged = 0;
    for (const QByteArray &line : lines) {
        if (line.contains("-->  ATS7=")) {
            QVERIFY2(line.contains(QStringLiteral("ATS7=%1<CR>").arg(logged % 250).toLatin1()),
                     line.constData());
            ++logged;
        }
    }
    QVERIFY2(received > 250 && logged >= received && logged < list.size(),
             qPrintable(QStringLiteral("%1 logged, %2 received").arg(logged).arg(received)));
    QVERIFY2(lines.last().endsWith("Estado 0: sin diálogo"), lines.last().constData());
    // Boxes are the window's: the command line's log tells of none.
    for (const QByteArray &line : lines)
        QVERIFY2(!line.contains("Mensaje"), line.constData());
}

// A device's name with a line feed in it, written after it as a result line would be: one real
// modem through a link so named, one missing. Each device gets one line, in the results and in
// the log, with the name's line feed shown where the name is.
void TestCommandLine::deviceNameCannotForgeALine()
{
    HayesModem simulated(modem());
    QVERIFY(simulated.start());
    const QString forged = QStringLiteral("\nttyUSB9: Modem configurado con éxito");
    const QString linked = "modem" + forged, missing = "gone" + forged;
    QFile::remove(linked);
    QVERIFY(QFile::link(QString::fromStdString(simulated.devicePath()), linked));
    QFile::remove("forged.log");
    const Run run =
        tavoli({"query", "--log", "forged.log", "--device", linked, "--device", missing});
    QFile::remove(linked);
    QCOMPARE(run.exitCode, 3);
    const QString shown = QStringLiteral("<x0A>ttyUSB9: Modem configurado con éxito");
    QCOMPARE(run.lines.size(), 2);
    QVERIFY(run.lines.contains("modem" + shown + ": Número de rings: 2, Fijado a Bauds: 9600"));
    QVERIFY(run.lines.contains(QStringLiteral("gone%1: El puerto gone%1 no existe: no hay ningún "
                                              "dispositivo con ese nombre.")
                                   .arg(shown)));
    QFile file("forged.log");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList log = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(log.size() > 5);
    for (const QString &line : log.mid(1)) // after the day the log was started
        QVERIFY2(line.startsWith("modem" + shown + "  ") || line.startsWith("gone" + shown + "  "),
                 qPrintable(line));
}

// Ended by a signal, or by a stdout nobody reads, in the middle of a configuration (three
// paced seconds): out well before those, its port closed and its lock file gone, the profile
// not stored, each unfinished device said to be interrupted.
void TestCommandLine::cutShort_data()
{
    QTest::addColumn<int>("signal"); // 0: stdout's reader has gone
    QTest::addColumn<bool>("asJson");
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGTERM, JSON") << SIGTERM << true;
    QTest::newRow("SIGHUP") << SIGHUP << false;
    QTest::newRow("stdout closed") << 0 << false;
}

void TestCommandLine::cutShort()
{
    QFETCH(int, signal);
    QFETCH(bool, asJson);
    HayesModem simulated(modem());
    QVERIFY(simulated.start());
    const QString device = QString::fromStdString(simulated.devicePath());
    const QString lockFile = PortLock::qtLockFilePath(device);
    QStringList arguments{"configure", "--rings", "3", "--device", device};
    if (asJson)
        arguments << "--json";
    if (!signal) // its line, at once, is what finds the reader gone
        arguments << "--device"
                  << "/nonexistent/tty";
    QElapsedTimer clock;
    if (!signal)
        clock.start();
    const Run run = tavoli(
        arguments, {},
        [&](QProcess &process) {
            // Without a signal the missing device's line, at once, ends the run: maybe before
            // anything has gone to the modem, which is not waited for then.
            if (!signal || !simulated.waitForReceived(1, 10000) || !QFile::exists(lockFile))
                return;
            clock.start();
            ::kill(pid_t(process.processId()), signal);
        },
        signal == 0);
    QVERIFY2(run.exitCode == 128 + (signal ? signal : SIGPIPE), qPrintable(run.errors));
    QVERIFY2(!QFile::exists(lockFile), "the lock file was left behind");
    QCOMPARE(simulated.storedRegister(0), 2);
    QVERIFY2(clock.isValid() && clock.elapsed() < 2000, "the dialogue went on");
    if (signal) {
        QCOMPARE(run.lines.size(), 1);
        const QString name = QLatin1String("SIG") + QLatin1String(sigabbrev_np(signal));
        const QString said =
            asJson ? json(run.lines.first()).value("error").toString() : run.lines.first();
        QVERIFY2(said.contains("Interrumpido por " + name), qPrintable(run.lines.first()));
        if (asJson) {
            QCOMPARE(json(run.lines.first()).value("exit").toInt(), 128 + signal);
            QCOMPARE(json(run.lines.first()).value("failure").toString(), "interrupted");
        }
    } else {
        QVERIFY2(run.errors.contains("La salida estándar se ha cerrado"), qPrintable(run.errors));
    }
}

// A stdout that refuses the results (a full disk) is said as such: no reader has gone.
void TestCommandLine::outputRefused()
{
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(TAVOLI_PROGRAM), {"query", "--device", "/nonexistent/tty"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 74);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(errors.contains(CliTexts::OutputFailed.section(u'(', 0, 0)), qPrintable(errors));
}

// The window, asked to end by SIGTERM, ends as if closed (ending a dialogue, releasing its port)
// with the signal's status, instead of dying with the port's lock file left behind.
void TestCommandLine::windowSignalled()
{
    HayesModem simulated(modem());
    QVERIFY(simulated.start());
    const QString device = QString::fromStdString(simulated.devicePath());
    QFile log("window.log");
    log.remove();
    const Run run =
        tavoli({"--log", log.fileName()}, {"QT_QPA_PLATFORM=offscreen", "TAVOLI_COM1=" + device},
               [&](QProcess &process) {
                   // Its first line is written once the window exists.
                   (void)QTest::qWaitFor([&] { return log.size() > 0; }, 10000);
                   ::kill(pid_t(process.processId()), SIGTERM);
               });
    QVERIFY2(run.exitCode == 128 + SIGTERM, qPrintable(run.errors));
    QVERIFY(!QFile::exists(PortLock::qtLockFilePath(device)));
}

// The window without a display: one Spanish line and status 1, whether nothing names a display
// or Qt cannot reach the one named (where it would abort with its own lines, status 134).
void TestCommandLine::noDisplay()
{
    for (const QString platform : {"QT_QPA_PLATFORM=", "QT_QPA_PLATFORM=xcb"}) {
        const Run run = tavoli({}, {platform});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.count(u'\n') == 1 && run.errors.contains("No hay sesión gráfica")
                     && run.errors.contains("tavoli --help"),
                 qPrintable(platform + ": " + run.errors));
    }
}

// The program finds its lines where the installation puts them, relative to itself; one missing
// or broken gives one Spanish line and status 69, before anything is tried on a device.
void TestCommandLine::linesModuleBroken()
{
    QTemporaryDir installed;
    QVERIFY(installed.isValid());
    const QString program = installed.filePath("bin/tavoli");
    const QString module = installed.filePath(
        "bin/" + QFileInfo(TAVOLI_PROGRAM).dir().relativeFilePath(TAVOLI_LINES_MODULE));
    QVERIFY(QDir().mkpath(QFileInfo(program).path()) && QDir().mkpath(QFileInfo(module).path()));
    QVERIFY(QFile::copy(TAVOLI_PROGRAM, program));
    const auto run = [&] {
        QProcess process;
        process.start(program, {"query", "--device", "/dev/null"});
        const bool ended = process.waitForFinished(30000);
        return std::pair(ended ? process.exitCode() : -1,
                         QString::fromUtf8(process.readAllStandardError()));
    };

    const auto [missingCode, missing] = run();
    QCOMPARE(missingCode, 69);
    QVERIFY2(missing.count(u'\n') == 1 && missing.contains("Vuelva a instalar Tavoli")
                 && missing.contains(QDir::cleanPath(module)),
             qPrintable(missing));

    QFile garbage(module);
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a module") > 0);
    garbage.close();
    const auto [garbageCode, unloadable] = run();
    QCOMPARE(garbageCode, 69);
    QVERIFY2(unloadable.contains("no se puede cargar"), qPrintable(unloadable));

    // The real one, in the same place, is found.
    QVERIFY(QFile::remove(module) && QFile::copy(TAVOLI_LINES_MODULE, module));
    const auto [realCode, errors] = run();
    QVERIFY2(realCode != 69 && !errors.contains("Vuelva a instalar"), qPrintable(errors));
}

void TestCommandLine::usageError_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QFile::remove("same-device");
    QVERIFY(QFile::link("/dev/null", "same-device"));
    QTest::newRow("unknown command")
        << QStringList{"configura", "--device", "/dev/null"} << "Orden desconocida";
    QTest::newRow("no device") << QStringList{"query", "--json"} << "Falta el dispositivo";
    QTest::newRow("rings too high")
        << QStringList{"configure", "--rings", "100", "--device", "/dev/null"} << "--rings";
    QTest::newRow("rings not digits")
        << QStringList{"configure", "--rings", "2.5", "--device", "/dev/null"} << "--rings";
    QTest::newRow("rings missing")
        << QStringList{"configure", "--device", "/dev/null"} << "--rings";
    QTest::newRow("rings missing, given list")
        << QStringList{"configure", "--list", "V0;S0=#", "--device", "/dev/null"} << "--rings";
    QTest::newRow("rings on a query")
        << QStringList{"query", "--rings", "2", "--device", "/dev/null"} << "--rings";
    QTest::newRow("same device twice")
        << QStringList{"query", "--device", "/dev/null", "--device", "same-device"}
        << "mismo dispositivo";
    // The pair is found at the very end: every path before it must have been resolved once,
    // not once per pair (that took 20 s).
    QStringList many{"query"};
    for (int i = 0; i < 2000; ++i)
        many << "--device" << QStringLiteral("/dev/tavoli-none-%1").arg(i);
    QTest::newRow("same device after 2,000 others") << (many << "--device"
                                                             << "/dev/tavoli-none-0")
                                                    << "mismo dispositivo";
    // The modem's S37 names include 300; the options do not.
    QTest::newRow("speed not an option")
        << QStringList{"query", "--speed", "300", "--device", "/dev/null"} << "--speed";
    QTest::newRow("address without a port")
        << QStringList{"query", "--device", "rfc2217://127.0.0.1"} << "falta el puerto TCP";
    QTest::newRow("one server port by both protocols")
        << QStringList{"query", "--device", "rfc2217://LocalHost:7000", "--device",
                       "socket://localhost:7000"}
        << "mismo dispositivo";
    QTest::newRow("unknown option")
        << QStringList{"query", "--device", "/dev/null", "--fast"} << "fast";
}

void TestCommandLine::usageError()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QElapsedTimer clock;
    clock.start();
    const Run run = tavoli(arguments);
    QCOMPARE(run.exitCode, 64);
    QVERIFY2(clock.elapsed() < 5000, "a usage error took seconds to find");
    QVERIFY(run.lines.isEmpty());
    QVERIFY2(run.errors.contains(message) && run.errors.contains("tavoli --help"),
             qPrintable(run.errors));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
