// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing the port through the window, against pseudo-terminals standing in for
// ports: every refusal is shown in a stop box and locks nothing, a device that vanishes
// mid-dialogue is reported once.
#include "applicationsetup.h"
#include "dialogueengine.h"
#include "dialoguetexts.h"
#include "form1.h"
#include "form1controls.h"
#include "messagebox.h"
#include "messageboxwatcher.h"
#include "modemprotocol.h"
#include "ourlock.h"
#include "portassignments.h"
#include "pseudoterminal.h"
#include "serialtexts.h"
#include "storetexts.h"
#include "windowtexts.h"

#include <QScopeGuard>
#include <QSerialPort>
#include <QTest>

#include <memory>

class TestForm1Port : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void tooltipsNameTheDevices();
    void unreadableAssignmentOpensNothing();
    void refused_data();
    void refused();
    void ringCountChecked_data();
    void ringCountChecked();
    void deviceVanishesDuringADialogue();
    void statusLineChangesOncePerFrame();

private:
    PseudoTerminal m_port1;
    QString m_missing;
};

namespace {

void press(Form1 &form, const char *key)
{
    QWidget *widget = control(form, QString::fromLatin1(key));
    QVERIFY2(widget, key);
    QTest::mouseClick(widget, Qt::LeftButton);
}

// The port's lock file is ours while the session has the port open.
bool portOpen(const QString &device)
{
    return lockedByUs(device);
}

// What the "modem" got, with the parity bit cleared. The window's events go on meanwhile: its
// session hears from it only through them.
QByteArray received(PseudoTerminal &modem, qsizetype bytes, int timeoutMs = 2000)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    do {
        got += modem.readMaster(0, bytes < 0 ? -1 : bytes - got.size());
        if (bytes >= 0 && got.size() >= bytes)
            break;
        QTest::qWait(5);
    } while (!deadline.hasExpired());
    for (char &c : got)
        c = char(c & 0x7f);
    return got;
}

} // namespace

void TestForm1Port::initTestCase()
{
    QVERIFY(m_port1.isValid());
    ApplicationSetup::InstallQtTranslations(*qobject_cast<QApplication *>(qApp));
    m_missing = QDir::currentPath() + QStringLiteral("/no-such-tty");
    qputenv("TAVOLI_COM1", m_port1.slavePath().toLocal8Bit());
    qputenv("TAVOLI_COM2", m_missing.toLocal8Bit());
}

void TestForm1Port::init()
{
    m_port1.readMaster(0); // whatever an earlier test's dialogue left behind
}

void TestForm1Port::tooltipsNameTheDevices()
{
    Form1 form;
    const auto tip = [](const QString &device, const QString &source) {
        return WindowTexts::PortUses.arg(device, source);
    };
    QCOMPARE(control(form, "OpCan#0")->toolTip(),
             tip(m_port1.slavePath(), WindowTexts::PortSourceVariable.arg("TAVOLI_COM1")));
    QCOMPARE(control(form, "OpCan#1")->toolTip(),
             tip(m_missing, WindowTexts::PortSourceVariable.arg("TAVOLI_COM2")));
    QCOMPARE(control(form, "OpCan#2")->toolTip(),
             tip("/dev/ttyS2", WindowTexts::PortSourceDefault));
    QCOMPARE(control(form, "OpCan#3")->toolTip(),
             tip("/dev/ttyS3", WindowTexts::PortSourceDefault));
}

// Port 3 has no variable: its device is the INI file's, which is a folder here. The option's
// tooltip and the click both say so; no other device is opened in its place.
void TestForm1Port::unreadableAssignmentOpensNothing()
{
    QVERIFY(QDir().mkdir(SettingsFilePath()));
    const auto cleanup = qScopeGuard([] { QDir().rmdir(SettingsFilePath()); });
    QCOMPARE(PortAssignments::choiceFor(3).device, QString()); // so a fault below opens nothing
    MessageBoxWatcher boxes;
    Form1 form;
    form.show();
    const QString file = QDir::toNativeSeparators(SettingsFilePath());
    QCOMPARE(control(form, "OpCan#2")->toolTip(),
             WindowTexts::PortSourceUnreadable.arg(file, StoreTexts::IniReadNotFile));
    press(form, "OpCan#2");
    press(form, "Pregunto");
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).text,
             StoreTexts::PortAssignmentUnreadable.arg("3", file, StoreTexts::IniReadNotFile));
    QCOMPARE(form.dialogueState(), Dialogue::Idle);
    QVERIFY(form.isIdle());
    QCOMPARE(enabledFrames(form), 3);
}

void TestForm1Port::refused_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("message");
    const QString port1 = m_port1.slavePath();
    QTest::newRow("missing device")
        << "missing" << SerialTexts::PortMissing.arg(SerialTexts::portName(2, m_missing));
    QTest::newRow("in use elsewhere")
        << "held" << SerialTexts::PortBusy.arg(SerialTexts::portName(1, port1));
    QTest::newRow("already open") << "running"
                                  << SerialTexts::PortAlreadyOpen.arg(
                                         SerialTexts::portName(1, port1));
}

void TestForm1Port::refused()
{
    QFETCH(QString, cause);
    QFETCH(QString, message);
    const bool running = cause == "running";
    QSerialPort holder(m_port1.slavePath());
    if (cause == "held")
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    MessageBoxWatcher boxes;
    auto form = std::make_unique<Form1>();
    form->show();
    if (running) {
        press(*form, "Pregunto");
        QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));
        QTRY_COMPARE(form->dialogueState(), Dialogue::QueryWake);
    }
    if (cause == "missing")
        press(*form, "OpCan#1");

    press(*form, "Configuro");
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).title, MessageBox::Title);
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.at(0).buttonTexts, QStringList{QStringLiteral("Aceptar")});
    QCOMPARE(boxes.at(0).text, message);
    // Nothing sent or shown; a running query goes on untouched (state, port, timer, frames):
    // its paced second wake-up comes as if nothing had happened.
    QCOMPARE(received(m_port1, -1, 100), QByteArray());
    QVERIFY(control<QLabel>(*form, "info")->text().isEmpty());
    QCOMPARE(form->dialogueState(), running ? Dialogue::QueryWake : Dialogue::Idle);
    if (cause != "held") // the holder's own lock file
        QCOMPARE(portOpen(m_port1.slavePath()), running);
    QCOMPARE(enabledFrames(*form), running ? 0 : 3);
    if (running)
        QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));

    // Once the cause is gone a query opens the port; closing the window ends it.
    if (!running) {
        holder.close();
        press(*form, "OpCan#0");
        press(*form, "Pregunto");
        QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));
        QTRY_COMPARE(form->dialogueState(), Dialogue::QueryWake);
    }
    form->close();
    QTRY_COMPARE(form->dialogueState(), Dialogue::Idle);
    QVERIFY(!portOpen(m_port1.slavePath()) && form->isIdle());
    QCOMPARE(enabledFrames(*form), 3);
    QCOMPARE(boxes.count(), 1);
    // Stopped: nothing more goes out.
    QCOMPARE(received(m_port1, -1, 1200), QByteArray());
}

// "Configurar" takes a ring count as RingCountValid does (its rows are with the number's
// reading); an unsound one is refused before the port is opened, unless the list has no "S0=#"
// to put it in. A click during a running configuration is refused as the port already open.
void TestForm1Port::ringCountChecked_data()
{
    QTest::addColumn<QString>("llam");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("list");    // stored; null: no file, the built-in list
    QTest::addColumn<QString>("message"); // empty: accepted
    const QString refused = DialogueTexts::RingCountInvalid + u'\n' + WindowTexts::RingCountHint;
    QTest::newRow("empty") << "" << false << QString() << refused;
    QTest::newRow("plus sign") << "+2" << false << QString() << "";
    QTest::newRow("empty, no S0=# stored") << "" << false << "V0;s0=1"
                                           << "";
    QTest::newRow("empty, S0=# stored") << "" << false << "V0;S0=#" << refused;
    QTest::newRow("emptied while configuring")
        << "" << true << QString()
        << SerialTexts::PortAlreadyOpen.arg(SerialTexts::portName(1, m_port1.slavePath()));
}

void TestForm1Port::ringCountChecked()
{
    QFETCH(QString, llam);
    QFETCH(bool, running);
    QFETCH(QString, list);
    QFETCH(QString, message);
    const QByteArray wake = ModemProtocol::CmdConfigWake.toLatin1() + '\r';
    QFile ini(QDir::currentPath() + u'/' + QCoreApplication::applicationName() + ".INI");
    ini.remove();
    if (!list.isNull()) {
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[" + QCoreApplication::applicationName().toUtf8() + "]\nCmdAT=" + list.toUtf8());
        ini.close();
    }
    MessageBoxWatcher boxes;
    Form1 form;
    form.show();
    if (running) {
        press(form, "Configuro");
        QCOMPARE(received(m_port1, wake.size()), wake);
    }
    control<QLineEdit>(form, "llam")->setText(llam);
    press(form, "Configuro");
    if (message.isEmpty()) {
        QCOMPARE(received(m_port1, wake.size()), wake);
        QCOMPARE(boxes.count(), 0);
    } else {
        QVERIFY(boxes.waitForCount(1));
        QCOMPARE(boxes.texts(), QStringList{message});
        QCOMPARE(received(m_port1, -1, 100), QByteArray());
    }
    QCOMPARE(portOpen(m_port1.slavePath()), message.isEmpty() || running);
    form.close();
    ini.remove();
}

void TestForm1Port::deviceVanishesDuringADialogue()
{
    auto usb = std::make_unique<PseudoTerminal>();
    QVERIFY(usb->isValid());
    const QString lost = SerialTexts::PortLost.arg(SerialTexts::portName(4, usb->slavePath()));
    qputenv("TAVOLI_COM4", usb->slavePath().toLocal8Bit());
    MessageBoxWatcher boxes;
    Form1 form;
    form.show();
    press(form, "OpCan#3");
    press(form, "Configuro");
    QTRY_COMPARE(form.dialogueState(), Dialogue::ConfigWake);
    const QString device = usb->slavePath();

    usb.reset(); // unplugged
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QTRY_COMPARE(form.dialogueState(), Dialogue::Idle);
    QTRY_COMPARE(enabledFrames(form), 3);
    QVERIFY(!portOpen(device));
    // Reported once: neither the dialogue's next tick nor a late notice of the port brings more.
    QTest::qWait(DialogueEngine::StepIntervalMs + 200);
    QCOMPARE(boxes.texts(), QStringList{lost});
    qunsetenv("TAVOLI_COM4");
}

// A long command list changes the status line thousands of times a second: the label shows the
// first change at once, then only the latest, once a frame.
void TestForm1Port::statusLineChangesOncePerFrame()
{
    Form1 form;
    auto *info = control<QLabel>(form, "info");
    int changes = 0;
    QString shown;
    for (int i = 0; i < 2000; ++i) {
        form.setInfo(QStringLiteral("Enviando: AT%1").arg(i));
        if (info->text() != shown) {
            shown = info->text();
            ++changes;
        }
    }
    QCOMPARE(changes, 1);
    QCOMPARE(shown, QStringLiteral("Enviando: AT0"));
    QCOMPARE(form.infoText(), QStringLiteral("Enviando: AT1999"));
    QTRY_COMPARE_WITH_TIMEOUT(info->text(), QStringLiteral("Enviando: AT1999"), 500);
}

QTEST_MAIN(TestForm1Port)
#include "tst_form1port.moc"
