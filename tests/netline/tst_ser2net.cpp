// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogues end to end through the real ser2net (127.0.0.1 only, a configuration of the
// test's own) in front of the simulated modem, RFC 2217 and raw TCP: the modem must receive
// exactly what it receives from a local port running the same dialogues, the face must hear the
// same, and ser2net must set the line as asked.
#include "dialogueengine.h"
#include "dialoguefacts.h"
#include "dialoguetexts.h"
#include "hayesmodem.h"
#include "identification.h"
#include "networkline.h"
#include "precisetimer.h"
#include "ser2netserver.h"
#include "serialline.h"

#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>

using namespace Dialogue;

namespace {

// What the window would have shown after one dialogue.
struct Shown
{
    QString error, information, answ1, answ2;
    QStringList identification;
    bool operator==(const Shown &) const = default;
};

// The engine on a line, with a face that records what it hears, worded as the window would.
class Rig : public DialogueFacts
{
public:
    template <class Port>
    Rig(LinePort &line, Port &port, int parity) : m_parity(parity), m_engine(line, m_timer, *this)
    {
        QObject::connect(&m_timer, &PreciseTimer::Timer, &m_engine, &DialogueEngine::Timm_Timer);
        QObject::connect(&port, &Port::received, &m_engine, &DialogueEngine::bytesAvailable);
        QObject::connect(&port, &Port::lost, &m_engine,
                         [this](const auto &why) { m_engine.portLost(lostAs(why)); });
    }
    Shown run(State first)
    {
        m_shown = {};
        m_ended = false;
        m_engine.startDialogue(first, Parity(m_parity));
        if (!QTest::qWaitFor([this] { return m_ended; }, 20000))
            m_shown.error = "(the dialogue did not end)";
        return m_shown;
    }

private:
    // The serial port tells its loss in words, the network line as an Outcome.
    static Outcome lostAs(const Outcome &why) { return why; }
    static Outcome lostAs(const QString &why)
    {
        return Outcome::failure(Outcome::Fault::Failed, why);
    }
    void portOpened() override {}
    void stateChanged(State) override {}
    void commandSent(const QString &) override {}
    void entrySent(qsizetype) override {}
    void ringsRead(qint16 rings) override { m_shown.answ1 = DialogueTexts::ringsCaption(rings); }
    void speedRead(std::optional<qint16> code) override
    {
        m_shown.answ2 = DialogueTexts::speedCaption(code);
    }
    void lateReplyDropped(const QByteArray &) override {}
    void listNeeded() override
    {
        // Answered from the event loop, as a face does.
        QTimer::singleShot(0, &m_engine, [this] {
            m_engine.giveList(CommandListResult::checked({"S0=2", "S37=9", "&C1"}));
        });
    }
    void ended(const DialogueResult &result) override
    {
        m_ended = true;
        const QString text = DialogueTexts::message(result);
        if (DialogueTexts::boxFor(result) == DialogueTexts::Box::Error)
            m_shown.error = text;
        else
            m_shown.information = text;
        for (const IdentificationAnswer &answer : result.identification.answers())
            m_shown.identification << answer.command + u'=' + answer.lines.join(u'/');
    }

    int m_parity;
    PreciseTimer m_timer;
    Shown m_shown;
    bool m_ended = false;
    DialogueEngine m_engine;
};

HayesOptions outOfTheBox()
{
    HayesOptions options;
    options.echo = options.verbose = true;
    return options;
}

QByteArray receivedBytes(const HayesModem &modem)
{
    QByteArray all;
    for (const HayesModem::Received &r : modem.received())
        all += QByteArray::fromStdString(r.raw);
    return all;
}

} // namespace

class TestSer2net : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (Ser2net::program().isEmpty())
            QSKIP(Ser2net::Missing);
    }
    void dialogues_data()
    {
        QTest::addColumn<bool>("rfc2217");
        QTest::addColumn<int>("parity");
        QTest::addRow("rfc2217, no parity") << true << 0;
        QTest::addRow("rfc2217, odd") << true << 1;
        QTest::addRow("rfc2217, even") << true << 2;
        QTest::addRow("raw tcp, odd") << false << 1;
    }
    // Query, configure, unconfigure and identify, on a local port and through ser2net, each
    // against a modem of its own.
    void dialogues()
    {
        QFETCH(bool, rfc2217);
        QFETCH(int, parity);
        HayesModem local(outOfTheBox()), remote(outOfTheBox());
        QVERIFY(local.start() && remote.start());
        SerialPort port;
        port.setDevice(QString::fromStdString(local.devicePath()));
        SerialLine serialLine(port);
        Rig reference(serialLine, port, parity);

        Ser2net server(remote.devicePath(), rfc2217);
        QVERIFY2(server.listening, server.process.readAll().constData());
        NetworkLine line;
        line.setAddress(DeviceAddress::parse(server.address));
        Rig rig(line, line, parity);

        for (const State first : {QueryWake, ConfigWake, FactoryReset, IdentifyWake}) {
            const Shown expected = reference.run(first);
            QVERIFY2(expected.error.isEmpty(), qPrintable(expected.error));
            const Shown got = rig.run(first);
            QVERIFY2(got == expected, qPrintable(got.error + got.information + got.answ2));
        }
        QVERIFY(receivedBytes(local).size() > 40);
        QCOMPARE(receivedBytes(remote), receivedBytes(local));
    }

    // ser2net sets the pseudo-terminal as asked at every connection, 8 data bits, no parity.
    void lineSettings()
    {
        HayesModem modem(outOfTheBox());
        QVERIFY(modem.start());
        Ser2net server(modem.devicePath(), true);
        QVERIFY(server.listening);
        const struct
        {
            LineSettings settings;
            speed_t speed;
            bool twoStop;
        } rows[] = {{{LineSpeed::Bps2400, StopBits::Two}, B2400, true},
                    {{LineSpeed::Bps1200, StopBits::One}, B1200, false}};
        for (const auto &row : rows) {
            NetworkLine line;
            line.setAddress(DeviceAddress::parse(server.address));
            line.setSettings(row.settings);
            QVERIFY(line.open().ok());
            QTRY_VERIFY(line.isReady());
            // Only for tcgetattr: this side of the pseudo-terminal is never read here.
            const int fd = ::open(modem.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
            termios tio{};
            QTRY_VERIFY(::tcgetattr(fd, &tio) == 0 && cfgetospeed(&tio) == row.speed);
            ::close(fd);
            QCOMPARE(bool(tio.c_cflag & CSTOPB), row.twoStop);
            QVERIFY((tio.c_cflag & CSIZE) == CS8 && !(tio.c_cflag & PARENB));
        }
    }
};

QTEST_GUILESS_MAIN(TestSer2net)
#include "tst_ser2net.moc"
