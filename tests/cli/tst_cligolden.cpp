// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's output compared byte for byte with the files in tests/cli/golden: the JSON
// line, the text line and the --log transcript of each way a device's run ends. What varies from
// run to run (times, the date, a closed TCP port's number) is put to fixed words first; each
// device is named by a link of the test's own, so its name is the outcome's. A changed word or
// field shows here at once; TAVOLI_GOLDEN_UPDATE=1 writes the files anew after a wanted change.
#include "hayesmodem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <map>
#include <memory>

namespace {

struct Device
{
    QString name;    // the outcome, and the link the run names the device by
    QString options; // the simulated modem's fault; "missing": no device at all
};

// Runs `tavoli` with the devices; its output lines and the log's, each under its device.
struct Run
{
    std::map<QString, QStringList> lines, log;
};

QString normalised(QString text)
{
    // A transcript line's time of day, and its time since the dialogue began (blank outside).
    static const QRegularExpression times(
        QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (?: *\\+\\d+\\.\\d\\d\\d|( {9}))  "));
    static const QRegularExpression duration(QStringLiteral("\"(duration|waited)_ms\":\\d+"));
    static const QRegularExpression tcpPort(QStringLiteral("(127\\.0\\.0\\.1:|puerto TCP )\\d+"));
    static const QRegularExpression day(QStringLiteral("\\d{4}-\\d\\d-\\d\\d"));
    for (auto m = times.match(text); m.hasMatch(); m = times.match(text, m.capturedStart() + 1))
        text.replace(m.capturedStart(), m.capturedLength(),
                     m.captured(1).isEmpty() ? QStringLiteral("HH:MM:SS.mmm     +S.mmm  ")
                                             : QStringLiteral("HH:MM:SS.mmm            "));
    text.replace(duration, QStringLiteral("\"\\1_ms\":0"));
    text.replace(tcpPort, QStringLiteral("\\1PORT"));
    return text.replace(day, QStringLiteral("YYYY-MM-DD"));
}

} // namespace

Q_DECLARE_METATYPE(QList<Device>)

class TestCliGolden : public QObject
{
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();

private:
    Run run(const QStringList &arguments, const QList<Device> &devices, bool json);
    void compare(const QString &file, const QStringList &lines);
};

Run TestCliGolden::run(const QStringList &arguments, const QList<Device> &devices, bool json)
{
    std::vector<std::unique_ptr<HayesModem>> modems;
    QStringList command = arguments;
    QTcpServer probe; // listened on, then closed: nothing answers there
    probe.listen(QHostAddress::LocalHost);
    const quint16 closedPort = probe.serverPort();
    probe.close();
    for (const Device &device : devices) {
        QFile::remove(device.name);
        QString path = QDir::current().filePath(QStringLiteral("nowhere/tty"));
        if (device.options == "refused") {
            command << "--device" << QStringLiteral("socket://127.0.0.1:%1").arg(closedPort);
            continue;
        }
        if (device.options != "missing") {
            HayesOptions options;
            options.echo = options.verbose = true;
            options.registers = {{0, 2}, {37, 9}};
            const QString fault = device.options.section(u' ', 0, 0);
            const std::string line = device.options.section(u' ', 1).toStdString();
            options.silent = fault == "silent";
            if (fault == "errorOn")
                options.errorOn = {line};
            if (fault == "silentOn")
                options.silentOn = {line};
            if (fault == "s37")
                options.registers[37] = std::stoi(line);
            modems.push_back(std::make_unique<HayesModem>(options));
            if (!modems.back()->start())
                return {};
            path = QString::fromStdString(modems.back()->devicePath());
        }
        QFile::link(path, device.name);
        command << "--device" << device.name;
    }
    if (json)
        command << "--json"
                << "--log"
                << "golden.log";
    QFile::remove("golden.log");
    QProcess tavoli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    tavoli.setProcessEnvironment(environment);
    tavoli.start(QStringLiteral(TAVOLI_PROGRAM), command);
    // The event loop runs meanwhile: nothing of the test's own needs it, but it costs nothing.
    if (!QTest::qWaitFor([&] { return tavoli.state() == QProcess::NotRunning; }, 60000))
        return {};
    Run out;
    const auto deviceOf = [&devices](const QString &line) {
        for (const Device &device : devices) {
            if (line.contains(device.name)
                || (device.options == "refused" && line.contains(QLatin1String("127.0.0.1"))))
                return device.name;
        }
        return QString();
    };
    for (const QString &line : QString::fromUtf8(tavoli.readAllStandardOutput()).split(u'\n'))
        if (!line.isEmpty())
            out.lines[deviceOf(line)] << normalised(line);
    QFile log("golden.log");
    if (log.open(QIODevice::ReadOnly)) {
        for (const QString &line : QString::fromUtf8(log.readAll()).split(u'\n')) {
            // Where some processes cannot be looked at (not root), opening says so first.
            if (!line.isEmpty() && !line.contains(QStringLiteral("Comprobación parcial")))
                out.log[deviceOf(line)] << normalised(line);
        }
    }
    return out;
}

void TestCliGolden::compare(const QString &file, const QStringList &lines)
{
    const QString path = QStringLiteral(GOLDEN_DIR "/") + file;
    const QByteArray got = (lines.join(u'\n') + u'\n').toUtf8();
    if (qEnvironmentVariableIsSet("TAVOLI_GOLDEN_UPDATE")) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(got);
        return;
    }
    QFile golden(path);
    QVERIFY2(golden.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray expected = golden.readAll();
    QVERIFY2(got == expected, qPrintable(file + ":\n" + QString::fromUtf8(got)));
}

void TestCliGolden::outcomes_data()
{
    using D = QList<Device>;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<D>("devices");
    // Each row's devices run at once, each against a modem of its own.
    QTest::newRow("query") << QStringList{"query"}
                           << D{{"query-ok", ""},
                                {"query-speed-unanswered", "silentOn S37?"},
                                {"query-speed-unnamed", "s37 11"},
                                {"query-no-reply", "silent"},
                                {"query-port-missing", "missing"},
                                {"query-server-refused", "refused"}};
    QTest::newRow("configure") << QStringList{"configure", "--rings",       "3",
                                              "--list",    "V0;S0=#;S37=#", "--verify"}
                               << D{{"configure-verified", ""},
                                    {"configure-refused", "errorOn S0=3"}};
    QTest::newRow("configure, empty list")
        << QStringList{"configure", "--list", ""} << D{{"configure-list-empty", ""}};
    QTest::newRow("unconfigure") << QStringList{"unconfigure"}
                                 << D{{"unconfigure-ok", ""}, {"unconfigure-no-reply", "silent"}};
    QTest::newRow("identify") << QStringList{"identify"} << D{{"identify-ok", ""}};
}

void TestCliGolden::outcomes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<Device>, devices);
    const Run json = run(arguments, devices, true);
    const Run text = run(arguments, devices, false);
    for (const Device &device : devices) {
        QCOMPARE(json.lines.count(device.name), size_t(1));
        compare(device.name + ".json", json.lines.at(device.name));
        compare(device.name + ".txt", text.lines.at(device.name));
        compare(device.name + ".log",
                json.log.count(device.name) ? json.log.at(device.name) : QStringList());
    }
}

QTEST_GUILESS_MAIN(TestCliGolden)
#include "tst_cligolden.moc"
