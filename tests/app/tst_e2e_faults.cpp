// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogues against a simulated modem that misbehaves: silence in each state that awaits a
// reply, empty lines for replies, an ERROR to a list entry, a line that drops mid-dialogue, an
// endless flood without line ends. Each is told in one box at most.
#include "e2efixture.h"
#include "networktexts.h"
#include "pseudoterminal.h"
#include "serialtexts.h"
#include "telnetpeer.h"

#include <atomic>
#include <thread>

namespace {

using L = QStringList;
using S = QList<int>;

const QString NoReply = QStringLiteral("E:No hay respuesta: Puede ser que...\n"
                                       "    .... no sea un modem\n"
                                       "    .... esté averiado\n"
                                       "    .... no sea compatible Hayes");
const L Wake{"ATE0Q0V0", "ATE0Q0V0"};
const L Reset{"AT&F0E0Q0V0", "AT&F0E0Q0V0"};
const L ToB0 = Reset + L{"ATV0", "ATS0=1", "ATB0"};

// A modem fresh from the box with one fault: "silent", or a fault switch and the command line
// it applies to ("silentOn S0?").
HayesOptions faultyModem(const QString &fault)
{
    HayesOptions options = E2e::poweredOn({{0, 2}, {37, 9}});
    const QString kind = fault.section(u' ', 0, 0);
    const std::string line = fault.section(u' ', 1).toStdString();
    options.silent = kind == "silent";
    options.blankReplies = kind == "blankReplies";
    options.noEcho = kind == "mutedOn";
    if (kind == "silentOn" || kind == "mutedOn")
        options.silentOn = {line};
    else if (kind == "noResultOn")
        options.noResultOn = {line};
    else if (kind == "errorOn")
        options.errorOn = {line};
    else if (kind == "hangupAfter")
        options.hangupAfter = line;
    else if (kind == "floodAfter")
        options.floodAfter = line;
    return options;
}

// Resident memory of this process, in bytes.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

class TestE2eFaults : public QObject
{
    Q_OBJECT
private slots:
    void fault_data();
    void fault();
    void floodWhileABoxWaits_data();
    void floodWhileABoxWaits();
    void terminalServer();
    void closedDuringALongList();
};

void TestE2eFaults::fault_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<L>("commands");
    QTest::addColumn<S>("states");
    QTest::addColumn<int>("timedOut"); // 1: it times out a step after the last command; 0: not
    QTest::addColumn<L>("boxes");
    QTest::addColumn<QString>("labels"); // answ1|answ2|info, "7|1200|" before

    QTest::newRow("silent in state 2")
        << "Pregunto"
        << "silent" << Wake << S{1, 2, 0} << 1 << L{NoReply} << "7|1200|";
    // An empty line is no reply: the modem is as good as silent.
    QTest::newRow("only empty lines in state 2")
        << "Pregunto"
        << "blankReplies" << Wake << S{1, 2, 0} << 1 << L{NoReply} << "7|1200|";
    QTest::newRow("silent in state 3")
        << "Pregunto"
        << "silentOn S0?" << Wake + L{"ATS0?"} << S{1, 2, 3, 0} << 1 << L{NoReply} << "7|1200|";
    // The speed query gives up quietly a second after the number line: ring count shown, speed
    // unknown.
    QTest::newRow("no result line in state 4") << "Pregunto"
                                               << "noResultOn S37?" << Wake + L{"ATS0?", "ATS37?"}
                                               << S{1, 2, 3, 4, 0} << 1 << L() << "2|XXXX|";
    QTest::newRow("silent in state 6")
        << "Configuro"
        << "silent" << Reset << S{5, 6, 0} << 1 << L{NoReply} << "7|1200|";
    QTest::newRow("silent in state 7")
        << "Configuro"
        << "silentOn B0" << ToB0 << S{5, 6, 7, 0} << 1 << L{NoReply} << "7|1200|";
    // Not a line after AT&F or AT&W0 (no echo either): the second is up. (A line without "OK"
    // gives the modem half a minute more: the engine's tests hold that.)
    QTest::newRow("silent in state 10")
        << "Desconf"
        << "mutedOn &F" << L{"AT&F"} << S{10, 0} << 1 << L{NoReply} << "7|1200|";
    QTest::newRow("silent in state 12")
        << "Desconf"
        << "mutedOn &W0" << L{"AT&F", "AT&W0"} << S{10, 11, 12, 0} << 1 << L{NoReply} << "7|1200|";
    QTest::newRow("ERROR to a list entry")
        << "Configuro"
        << "errorOn B0" << ToB0 << S{5, 6, 7, 0} << 0
        << L{"E:El modem ha devuelto un código de error con el comando:  ATB0\n"
             "La operación ha fracasado"}
        << "7|1200|Enviando: \"ATB0\"";
    // Dropped while the timer waits to store: neither its tick nor the port's notices tell twice.
    QTest::newRow("unplugged before the store")
        << "Configuro"
        << "hangupAfter Q1"
        << ToB0 + L{"ATL2", "ATM1", "ATE0", "ATY1", "ATN1", "AT&D0", "AT&S0", "ATQ1"}
        << S{5, 6, 7, 8, 0} << 0
        << L{"E:Se ha perdido la comunicación con el puerto 1 (DEVICE): el dispositivo se ha "
             "desconectado o ha dejado de responder.\nLa operación ha fracasado"}
        << "7|1200|";
    QTest::newRow("flood while the ring count is awaited")
        << "Pregunto"
        << "floodAfter S0?" << Wake + L{"ATS0?"} << S{1, 2, 3, 0} << 1 << L{NoReply} << "7|1200|";
}

void TestE2eFaults::fault()
{
    QFETCH(QString, button);
    QFETCH(QString, fault);
    QFETCH(L, commands);
    QFETCH(S, states);
    QFETCH(int, timedOut);
    QFETCH(L, boxes);
    QFETCH(QString, labels);

    E2e::Bench bench(faultyModem(fault));
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.form().setAnsw1(QStringLiteral("7"));
    bench.form().setAnsw2(QStringLiteral("1200"));

    bench.press(button);
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.commands(), commands);
    QCOMPARE(bench.states(), states);
    if (timedOut > 0) {
        // From the sending, or from the number line that came at once.
        E2E_VERIFY_PACED(bench, commands.size() - 1, commands.size());
    }
    // Told once: no later tick or late notice of the port brings another box.
    QTest::qWait(DialogueEngine::StepIntervalMs + 200);
    QCOMPARE(bench.shownBoxes(), boxes.replaceInStrings(QStringLiteral("DEVICE"), bench.device()));
    QCOMPARE(bench.label("answ1") + u'|' + bench.label("answ2") + u'|' + bench.label("info"),
             labels);
    QVERIFY2(bench.closedAndIdle(), qPrintable(bench.idleness()));
    // Far more came than the engine keeps (its bound is checked where the engine is tested).
    if (fault.startsWith("floodAfter"))
        QVERIFY2(bench.modem().floodBytes() > 2 * std::size_t(DialogueEngine::ReplyTextLimit),
                 qPrintable(QString::number(bench.modem().floodBytes())));
}

QTEST_MAIN(TestE2eFaults)
// A line that floods as fast as the kernel takes it while a box waits for the operator: memory
// stays flat, whether the box ends the dialogue or refuses a second click while it runs.
void TestE2eFaults::floodWhileABoxWaits_data()
{
    QTest::addColumn<bool>("secondClick");
    QTest::addColumn<QString>("box");
    QTest::newRow("no reply") << false << NoReply.mid(2);
    QTest::newRow("refused second click") << true << QStringLiteral("ya está abierto");
}

void TestE2eFaults::floodWhileABoxWaits()
{
    QFETCH(bool, secondClick);
    QFETCH(QString, box);
    PseudoTerminal line;
    QVERIFY(line.isValid());
    qputenv("TAVOLI_COM1", line.slavePath().toLocal8Bit());
    ::fcntl(line.masterFd(), F_SETFL, ::fcntl(line.masterFd(), F_GETFL) | O_NONBLOCK);
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        const QByteArray junk(64 * 1024, 'x');
        while (flooding)
            if (::write(line.masterFd(), junk.constData(), size_t(junk.size())) < 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    const auto stopFlood = qScopeGuard([&] {
        flooding = false;
        flood.join();
    });

    MessageBoxWatcher boxes(5);
    Form1 form;
    form.show();
    qint64 before = -1, growth = -1;
    bool portOpen = false, filled = false;
    boxes.setInspector([&](QMessageBox *) {
        if (before >= 0)
            return;
        portOpen = lockedByUs(line.slavePath());
        QTest::qWait(200);
        // While the port stays open the flood is recorded: measured once the transcript holds
        // all the lines it keeps (5 MB of them), what grows is anything else.
        filled = !secondClick
                 || QTest::qWaitFor(
                     [&] { return form.transcript().size() == Transcript::Capacity; }, 20000);
        before = residentBytes();
        QTest::qWait(1500);
        growth = residentBytes() - before;
    });
    QTest::mouseClick(control(form, QStringLiteral("Pregunto")), Qt::LeftButton);
    if (secondClick) {
        QTRY_COMPARE(form.dialogueState(), Dialogue::QueryWake);
        QTest::mouseClick(control(form, QStringLiteral("Pregunto")), Qt::LeftButton);
    }
    QVERIFY(boxes.waitForCount(secondClick ? 2 : 1, E2e::DialogueTimeoutMs));
    QVERIFY2(boxes.at(0).text.contains(box), qPrintable(boxes.at(0).text));
    QCOMPARE(portOpen, secondClick); // a dialogue that ends closes its port before its box
    QVERIFY(filled);
    QVERIFY2(growth >= 0 && growth < 2 * 1024 * 1024, qPrintable(QString::number(growth)));
    QTRY_COMPARE_WITH_TIMEOUT(form.dialogueState(), Dialogue::Idle, E2e::DialogueTimeoutMs);
}

// Port 1 on a terminal server that hangs up after the first command: one box says so, the
// settings are free again, `info` is cleared and the transcript has the drop. A server that
// turns the window away has its own box, with the server's words.
void TestE2eFaults::terminalServer()
{
    TelnetPeer dropping(TelnetPeer::Script::DropAfterFirst), busy(TelnetPeer::Script::Busy);
    qputenv("TAVOLI_COM1", dropping.address().toLocal8Bit());
    MessageBoxWatcher boxes(5);
    Form1 form;
    form.show();
    QTest::mouseClick(control(form, "Pregunto"), Qt::LeftButton);
    QVERIFY(boxes.waitForCount(1, E2e::DialogueTimeoutMs));
    const QString lost = NetworkTexts::NetLost.arg(SerialTexts::portName(1, dropping.address()));
    QCOMPARE(boxes.at(0).text, lost);
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    // The dialogue has ended on the line's thread; the window shows it idle once the box is gone.
    QTRY_COMPARE(form.dialogueState(), Dialogue::Idle);
    QTRY_COMPARE(enabledFrames(form), 3);
    QTRY_COMPARE(form.infoText(), QString());
    QVERIFY(form.transcript().text().contains(lost.section(u'\n', 0, 0)));
    QTest::qWait(2 * DialogueEngine::StepIntervalMs); // a tick or a notice still on its way
    QCOMPARE(boxes.count(), 1);

    qputenv("TAVOLI_COM1", busy.address().toLocal8Bit());
    QTest::mouseClick(control(form, "Pregunto"), Qt::LeftButton);
    QVERIFY(boxes.waitForCount(2, E2e::DialogueTimeoutMs));
    QCOMPARE(boxes.at(1).text,
             NetworkTexts::NetTurnedAway.arg(SerialTexts::portName(1, busy.address()),
                                             "Port already in use"));
    QTRY_COMPARE(enabledFrames(form), 3);
    QTest::qWait(DialogueEngine::StepIntervalMs);
    QCOMPARE(boxes.count(), 2);
}

// The window closed in the middle of a long list: it goes at once, its line thread joined and its
// port closed (the lock file gone), and nothing more reaches the modem.
void TestE2eFaults::closedDuringALongList()
{
    HayesModem modem(E2e::poweredOn());
    QVERIFY(modem.start());
    const QString device = QString::fromStdString(modem.devicePath());
    qputenv("TAVOLI_COM1", device.toLocal8Bit());
    QStringList list;
    for (int i = 0; i < 3000; ++i)
        list << QStringLiteral("S7=%1").arg(i % 250);
    QVERIFY(E2e::writeStoredList(list.join(u';')));
    const auto removeList = qScopeGuard([] { QFile::remove(E2e::iniPath()); });
    auto form = std::make_unique<Form1>();
    form->show();
    QTest::mouseClick(control(*form, "Configuro"), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return modem.received().size() > 100; }, 20000));
    QElapsedTimer clock;
    clock.start();
    form->close();
    form.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!lockedByUs(device));
    const std::size_t sent = modem.received().size();
    QTest::qWait(300);
    QVERIFY(modem.received().size() <= sent + 1); // at most the one already on the wire
    QVERIFY(sent < 3000);
}

#include "tst_e2e_faults.moc"
