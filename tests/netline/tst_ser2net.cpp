// The dialogues end to end through the real ser2net in front of the simulated modem, RFC 2217
// and raw TCP: the modem must receive exactly what it receives from a local port running the
// same dialogues, and the window must be shown the same results; ser2net must set the line as
// asked.
#include "dialogueengine.h"
#include "dialoguesettings.h"
#include "dialogueview.h"
#include "hayesmodem.h"
#include "identification.h"
#include "networkline.h"
#include "precisetimer.h"
#include "ser2netserver.h"
#include "serialline.h"
#include "serialport.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace Dialogue;

namespace {

const State Dialogues[] = {QueryWake, ConfigWake, FactoryReset, IdentifyWake};

// What the window would have shown after one dialogue.
struct Shown
{
    QString error, information, answ1, answ2;
    QStringList identification;
    bool operator==(const Shown &) const = default;
};

QString describe(const Shown &s)
{
    return QStringList{s.error, s.information, s.answ1, s.answ2, s.identification.join(u'|')}.join(
        QStringLiteral(" / "));
}

// The engine on a line, with a view that records instead of showing.
class Rig : public DialogueView, public DialogueSettings
{
public:
    Rig(LinePort &line, int parity) : m_parity(parity), m_engine(line, m_timer, *this, *this)
    {
        QObject::connect(&m_timer, &PreciseTimer::Timer, &m_engine, &DialogueEngine::Timm_Timer);
    }
    DialogueEngine &engine() { return m_engine; }

    // Runs one dialogue to its end.
    Shown run(State first)
    {
        m_shown = {};
        m_engine.startDialogue(first);
        if (!QTest::qWaitFor([this] { return m_engine.state() == Idle; }, 20000))
            m_shown.error = QStringLiteral("(the dialogue did not end)");
        return m_shown;
    }

private:
    void setLineSettingsEnabled(bool) override {}
    void setInfo(const QString &) override {}
    void setAnsw1(const QString &caption) override { m_shown.answ1 = caption; }
    void setAnsw2(const QString &caption) override { m_shown.answ2 = caption; }
    void showError(const QString &text) override { m_shown.error = text; }
    void showInformation(const QString &text) override { m_shown.information = text; }
    void showIdentification(const Identification &result) override
    {
        for (const IdentificationAnswer &answer : result.answers())
            m_shown.identification << answer.command + u'=' + answer.lines.join(u'/');
    }
    int parityMode() const override { return m_parity; }
    QStringList BuildCommandList() override
    {
        return {QStringLiteral("S0=2"), QStringLiteral("S37=9"), QStringLiteral("&C1")};
    }

    int m_parity;
    PreciseTimer m_timer;
    Shown m_shown;
    DialogueEngine m_engine;
};

HayesOptions outOfTheBox()
{
    HayesOptions options;
    options.echo = true;
    options.verbose = true;
    return options;
}

std::string receivedBytes(const HayesModem &modem)
{
    std::string all;
    for (const HayesModem::Received &r : modem.received())
        all += r.raw;
    return all;
}

} // namespace

class TestSer2net : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (Ser2netServer::program().isEmpty())
            QFAIL("ser2net is not installed: bash scripts/install-deps.sh");
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
    // The four dialogues, once on a local port and once through ser2net, each against a modem
    // of its own: same results, same bytes at the modem.
    void dialogues()
    {
        QFETCH(bool, rfc2217);
        QFETCH(int, parity);

        HayesModem local(outOfTheBox());
        QVERIFY(local.start());
        SerialPort port;
        port.setDevice(QString::fromStdString(local.devicePath()));
        SerialLine serialLine(port);
        Rig reference(serialLine, parity);
        QObject::connect(&port, &SerialPort::received, &reference.engine(),
                         &DialogueEngine::bytesAvailable);
        QObject::connect(&port, &SerialPort::lost, &reference.engine(), &DialogueEngine::portLost);

        HayesModem remote(outOfTheBox());
        QVERIFY(remote.start());
        Ser2netServer server;
        QVERIFY2(server.start(QString::fromStdString(remote.devicePath()), rfc2217),
                 qPrintable(server.error()));
        NetworkLine line;
        line.setAddress(DeviceAddress::parse(server.address(rfc2217)));
        Rig rig(line, parity);
        QObject::connect(&line, &NetworkLine::received, &rig.engine(),
                         &DialogueEngine::bytesAvailable);
        QObject::connect(&line, &NetworkLine::lost, &rig.engine(), &DialogueEngine::portLost);
        QSignalSpy notes(&line, &NetworkLine::note);

        for (const State first : Dialogues) {
            const Shown expected = reference.run(first);
            const Shown got = rig.run(first);
            QVERIFY2(got == expected, qPrintable(describe(got) + " <> " + describe(expected)));
            QVERIFY2(expected.error.isEmpty(), qPrintable(expected.error));
        }
        QCOMPARE(QByteArray::fromStdString(receivedBytes(remote)),
                 QByteArray::fromStdString(receivedBytes(local)));
        QVERIFY(receivedBytes(local).size() > 40);
        QVERIFY(!notes.isEmpty());
    }

    // ser2net sets the pseudo-terminal as asked at every connection: speed and stop bits, with
    // 8 data bits and no parity.
    void lineSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStop");
        QTest::addRow("2400, 2 stop bits") << "2400,N,8,2" << int(B2400) << true;
        QTest::addRow("1200, 1 stop bit") << "1200,N,8,1" << int(B1200) << false;
    }
    void lineSettings()
    {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(bool, twoStop);
        HayesModem modem(outOfTheBox());
        QVERIFY(modem.start());
        Ser2netServer server;
        QVERIFY2(server.start(QString::fromStdString(modem.devicePath()), true),
                 qPrintable(server.error()));
        NetworkLine line;
        line.setAddress(DeviceAddress::parse(server.address(true)));
        QVERIFY(line.setSettings(settings).ok());
        QVERIFY(line.open().ok());
        QTRY_VERIFY(line.isReady());
        // Only for tcgetattr: the modem's side of the pseudo-terminal is never read here.
        const int fd = ::open(modem.devicePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        termios tio{};
        QTRY_VERIFY(::tcgetattr(fd, &tio) == 0 && int(cfgetospeed(&tio)) == speed);
        ::close(fd);
        QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStop);
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(tio.c_cflag & PARENB));
        line.close();
    }
};

QTEST_GUILESS_MAIN(TestSer2net)
#include "tst_ser2net.moc"
