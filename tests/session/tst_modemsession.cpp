// SPDX-License-Identifier: GPL-3.0-or-later
// A window's session through its handle, against the simulated modem on a pseudo-terminal: the
// facts come back in order on the face's thread (a long list at display rate), a stop in any
// phase ends the dialogue at once with its port closed, a second start while one runs changes
// nothing, and a handle that goes in the middle of a long list takes its line with it.
#include "dialogueengine.h"
#include "hayesmodem.h"
#include "ourlock.h"
#include "sessionhandle.h"
#include "transcript.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace Dialogue;
using Kind = DialogueResult::Kind;

namespace {

QString entry(int i)
{
    return QStringLiteral("S7=%1").arg(10 + i % 200);
}

CommandListResult listOf(int entries)
{
    QStringList list;
    for (int i = 0; i < entries; ++i)
        list << entry(i);
    return CommandListResult::checked(list);
}

// A face: what it hears, in order, and whether it heard it on its own thread.
struct Face
{
    explicit Face(SessionHandle &line, int entries = 3) : line(line)
    {
        QObject::connect(&line, &SessionHandle::portOpened, [this] { note("opened"); });
        QObject::connect(&line, &SessionHandle::stateChanged,
                         [this](State s) { note(QStringLiteral("state %1").arg(int(s))); });
        QObject::connect(&line, &SessionHandle::entrySent, [this](qsizetype i) {
            ++entriesTold;
            lastEntry = i;
            note(QStringLiteral("entry"));
        });
        QObject::connect(&line, &SessionHandle::ringsRead,
                         [this](qint16 r) { note(QStringLiteral("rings %1").arg(r)); });
        QObject::connect(&line, &SessionHandle::listNeeded, [this, entries] {
            note(QStringLiteral("list"));
            if (answerList)
                this->line.giveList(listOf(entries));
        });
        QObject::connect(&line, &SessionHandle::ended, [this](const DialogueResult &result) {
            note(QStringLiteral("ended"));
            results << result;
        });
    }
    void note(const QString &what)
    {
        offThread = offThread || QThread::currentThread() != qApp->thread();
        heard << what;
    }
    bool waitFor(const QString &what, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return heard.contains(what); }, timeoutMs);
    }

    SessionHandle &line;
    QStringList heard;
    QList<DialogueResult> results;
    int entriesTold = 0;
    qsizetype lastEntry = -1;
    bool offThread = false;
    bool answerList = true;
};

SessionStart startOf(const HayesModem &modem, State first)
{
    SessionStart start;
    start.first = first;
    start.address = DeviceAddress::parse(QString::fromStdString(modem.devicePath()));
    start.parity = Parity::Odd;
    return start;
}

bool portClosed(const HayesModem &modem)
{
    return !lockedByUs(QString::fromStdString(modem.devicePath()));
}

} // namespace

class TestModemSession : public QObject
{
    Q_OBJECT
private slots:
    void factsInOrder();
    void stopInEveryPhase_data();
    void stopInEveryPhase();
    void secondStartChangesNothing();
    void handleGoesDuringALongList();
};

// A configuration of a long list: the facts in the engine's order, on the face's thread, the
// entries at display rate with the last one told before what followed it.
void TestModemSession::factsInOrder()
{
    constexpr int Entries = 300;
    HayesModem modem;
    QVERIFY(modem.start());
    Transcript transcript;
    SessionHandle line(SessionHandle::Threading::LineThread, &transcript);
    Face face(line, Entries);
    QVERIFY(line.idle());
    line.start(startOf(modem, ConfigWake));
    QVERIFY(!line.idle());
    QVERIFY(face.waitFor("ended", 30000));
    QVERIFY(line.idle());

    QCOMPARE(face.results.size(), 1);
    QCOMPARE(face.results.at(0).kind, Kind::Success);
    QVERIFY(!face.offThread);
    const QStringList h = face.heard;
    QCOMPARE(h.mid(0, 6),
             (QStringList{"opened", "state 5", "state 6", "list", "entry", "state 7"}));
    const qsizetype quiet = h.indexOf("state 8");
    QVERIFY2(h.at(quiet - 1) == QStringLiteral("entry"), qPrintable(h.join(u',')));
    QCOMPARE(h.mid(quiet), (QStringList{"state 8", "state 9", "state 0", "ended"}));
    QCOMPARE(face.lastEntry, Entries - 1);
    QVERIFY2(face.entriesTold > 0 && face.entriesTold < Entries / 2,
             qPrintable(QString::number(face.entriesTold)));
    QVERIFY(portClosed(modem));
    // Recorded on the line thread, every entry once.
    QCOMPARE(transcript.text().count(QStringLiteral("-->  ATS7=")), Entries);
}

// A stop ends the dialogue at once in whatever phase it is: one result (Stopped), the port
// closed, nothing sent after it; and the session serves the next dialogue as the first.
void TestModemSession::stopInEveryPhase_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<QString>("at");   // what the face has heard when it stops
    QTest::addColumn<QString>("hold"); // the modem is silent to this, so that the state lasts
    QTest::addColumn<QString>("command");
    const auto row = [](int first, int state, const char *hold, const char *command) {
        QTest::addRow("state %d", state)
            << first << QStringLiteral("state %1").arg(state) << hold << command;
    };
    row(QueryWake, 1, "", "ATE0Q0V0");
    row(QueryWake, 2, "E0Q0V0", "ATE0Q0V0");
    row(QueryWake, 3, "S0?", "ATS0?");
    row(QueryWake, 4, "S37?", "ATS37?");
    row(ConfigWake, 5, "", "AT&F0E0Q0V0");
    row(ConfigWake, 6, "&F0E0Q0V0", "AT&F0E0Q0V0");
    row(ConfigWake, 7, "S7=10", "ATS7=10");
    row(ConfigWake, 8, "", "ATQ1");
    row(ConfigWake, 9, "", "AT&W0");
    row(FactoryReset, 10, "&F", "AT&F");
    row(FactoryReset, 11, "", "AT&F");
    row(FactoryReset, 12, "&W0", "AT&W0");
    // The face has not given the list yet: stopped, not an empty list.
    QTest::addRow("list asked") << int(ConfigWake) << "list"
                                << ""
                                << "AT&F0E0Q0V0";
}

void TestModemSession::stopInEveryPhase()
{
    QFETCH(int, first);
    QFETCH(QString, at);
    QFETCH(QString, hold);
    QFETCH(QString, command);
    HayesOptions options;
    options.echo = options.verbose = false;
    if (!hold.isEmpty())
        options.silentOn = {hold.toStdString()};
    HayesModem modem(options);
    QVERIFY(modem.start());
    SessionHandle line(SessionHandle::Threading::LineThread);
    Face face(line);
    face.answerList = at != "list";
    bool stopped = false;
    QObject::connect(&line, &SessionHandle::listNeeded, [&] {
        if (at == "list" && !std::exchange(stopped, true))
            line.stop();
    });
    QObject::connect(&line, &SessionHandle::stateChanged, [&](State s) {
        if (QStringLiteral("state %1").arg(int(s)) == at && !std::exchange(stopped, true))
            line.stop();
    });
    line.start(startOf(modem, State(first)));
    QVERIFY2(face.waitFor("ended", 15000), qPrintable(face.heard.join(u',')));
    QVERIFY(stopped);
    QCOMPARE(face.results.size(), 1);
    QCOMPARE(face.results.at(0).kind, Kind::Stopped);
    QCOMPARE(face.results.at(0).command, command);
    QVERIFY(portClosed(modem));
    const std::size_t sent = modem.received().size();
    QTest::qWait(DialogueEngine::StepIntervalMs + 300); // a paced step would have come by now
    QCOMPARE(modem.received().size(), sent);
    if (at == "list") { // the list given late is for nobody
        line.giveList(listOf(3));
        QTest::qWait(100);
        QCOMPARE(modem.received().size(), sent);
    }

    modem.setFaults(HayesFaults());
    face.answerList = true;
    line.start(startOf(modem, QueryWake));
    QVERIFY(QTest::qWaitFor([&] { return face.results.size() == 2; }, 15000));
    QCOMPARE(face.results.at(1).kind, Kind::Success);
}

// The face refuses a second action itself; a start that comes anyway leaves the running dialogue
// as it was: one result, and the commands of the first dialogue only.
void TestModemSession::secondStartChangesNothing()
{
    HayesOptions options;
    options.registers = {{0, 4}, {37, 9}};
    HayesModem modem(options);
    QVERIFY(modem.start());
    SessionHandle line(SessionHandle::Threading::LineThread);
    Face face(line);
    line.start(startOf(modem, QueryWake));
    QVERIFY(face.waitFor("state 1"));
    line.start(startOf(modem, ConfigWake));
    QVERIFY(face.waitFor("ended"));
    QTest::qWait(200);
    QCOMPARE(face.results.size(), 1);
    QCOMPARE(face.results.at(0).kind, Kind::Success);
    QCOMPARE(face.results.at(0).rings, std::optional<qint16>(4));
    QStringList lines;
    for (const HayesModem::Received &r : modem.received())
        lines << QString::fromStdString(r.line);
    QCOMPARE(lines, (QStringList{"ATE0Q0V0", "ATE0Q0V0", "ATS0?", "ATS37?"}));
}

// The window closed in the middle of a long list: the handle goes at once, joining its line
// thread, and the port is closed with it; nothing more is sent.
void TestModemSession::handleGoesDuringALongList()
{
    HayesModem modem;
    QVERIFY(modem.start());
    // Gone at once, before its thread's loop may have begun: it still ends, port released.
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        SessionHandle(SessionHandle::Threading::LineThread).start(startOf(modem, ConfigWake));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(portClosed(modem));
    }
    auto line = std::make_unique<SessionHandle>(SessionHandle::Threading::LineThread);
    Face face(*line, 10000);
    line->start(startOf(modem, ConfigWake));
    QVERIFY(QTest::qWaitFor([&] { return modem.received().size() >= 200; }, 20000));
    QElapsedTimer clock;
    clock.start();
    line.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(portClosed(modem));
    const std::size_t sent = modem.received().size();
    QTest::qWait(300);
    QVERIFY(modem.received().size() <= sent + 1); // at most the one already on the wire
    QVERIFY(sent < 10000);
}

QTEST_GUILESS_MAIN(TestModemSession)
#include "tst_modemsession.moc"
