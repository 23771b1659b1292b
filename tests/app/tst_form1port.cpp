// The operator actions through the window, against pseudo-terminals standing in for ports:
// opening locks the line settings, every refusal is shown in a stop box and locks nothing,
// a device that vanishes mid-dialogue is reported once.
#include "applicationsetup.h"
#include "form1.h"
#include "form1controls.h"
#include "messageboxwatcher.h"
#include "pseudoterminal.h"
#include "systemtexts.h"

#include <QDialog>
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
    void openingLocksTheLineSettings_data();
    void openingLocksTheLineSettings();
    void missingDevice();
    void portAlreadyOpen();
    void portInUse();
    void deviceVanishesDuringADialogue();
    void editorOpensWhileTheDialogueGoesOn();

private:
    std::unique_ptr<Form1> makeForm();
    static QByteArray received(PseudoTerminal &modem, qsizetype bytes, int timeoutMs = 2000);

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

std::unique_ptr<Form1> TestForm1Port::makeForm()
{
    auto form = std::make_unique<Form1>();
    form->show();
    return form;
}

// What the "modem" got, with the parity bit cleared.
QByteArray TestForm1Port::received(PseudoTerminal &modem, qsizetype bytes, int timeoutMs)
{
    QByteArray got = modem.readMaster(timeoutMs, bytes);
    for (char &c : got)
        c = char(c & 0x7f);
    return got;
}

void TestForm1Port::tooltipsNameTheDevices()
{
    auto form = makeForm();
    QCOMPARE(control(*form, "OpCan#0")->toolTip(), m_port1.slavePath());
    QCOMPARE(control(*form, "OpCan#1")->toolTip(), m_missing);
    QCOMPARE(control(*form, "OpCan#2")->toolTip(), SerialPort::deviceFor(3));
    QCOMPARE(control(*form, "OpCan#3")->toolTip(), SerialPort::deviceFor(4));
}

void TestForm1Port::openingLocksTheLineSettings_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("info");
    QTest::newRow("Preguntar") << QByteArray("Pregunto") << "ATE0Q0V0" << int(Dialogue::QueryWake)
                               << "(before)";
    QTest::newRow("Configurar") << QByteArray("Configuro") << "AT&F0E0Q0V0"
                                << int(Dialogue::ConfigWake) << "inicializando...";
    QTest::newRow("Desconfigurar") << QByteArray("Desconf") << "AT&F" << int(Dialogue::FactoryReset)
                                   << "Enviando AT&F";
}

void TestForm1Port::openingLocksTheLineSettings()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, command);
    QFETCH(int, state);
    QFETCH(QString, info);
    MessageBoxWatcher boxes;
    auto form = makeForm();
    form->setInfo(QStringLiteral("(before)"));
    press(*form, button.constData());

    QCOMPARE(form->engine().DialogueState, qint16(state));
    QVERIFY(form->comm().isOpen());
    QVERIFY(lineSettingFramesDisabled(*form));
    // Only the frames are locked: the ring count and the buttons stay usable.
    for (const char *name : {"llam", "Configuro", "Desconf", "Pregunto", "LaLista"})
        QVERIFY2(control(*form, name)->isEnabled(), name);
    QCOMPARE(control<QLabel>(*form, "info")->text(), info);
    QCOMPARE(received(m_port1, command.size() + 1), command.toLatin1() + '\r');
    QCOMPARE(boxes.count(), 0);

    // Escape is ignored while the dialogue runs.
    QTest::keyClick(control(*form, "llam"), Qt::Key_Escape);
    QVERIFY(form->isVisible());
    QCOMPARE(form->engine().DialogueState, qint16(state));

    // Closing the window ends the dialogue with it.
    form->close();
    QVERIFY(!form->comm().isOpen());
    QCOMPARE(form->engine().DialogueState, qint16(0));
    QVERIFY(lineSettingFramesEnabled(*form));
    QVERIFY(!form->timm().isActive());
}

void TestForm1Port::missingDevice()
{
    MessageBoxWatcher boxes;
    auto form = makeForm();
    press(*form, "OpCan#1");
    QCOMPARE(form->comm().commPort(), qint16(2));
    press(*form, "Configuro");

    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).title, SystemTexts::AppTitle);
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.at(0).buttonTexts, QStringList{QStringLiteral("Aceptar")});
    QCOMPARE(boxes.at(0).text, SystemTexts::PortMissing.arg(2).arg(m_missing));
    QCOMPARE(form->engine().DialogueState, qint16(0));
    QVERIFY(lineSettingFramesEnabled(*form));
    QVERIFY(control<QLabel>(*form, "info")->text().isEmpty());
    QVERIFY(!form->comm().isOpen());
    QVERIFY(!form->timm().isActive());
}

void TestForm1Port::portAlreadyOpen()
{
    MessageBoxWatcher boxes;
    auto form = makeForm();
    press(*form, "Pregunto");
    QCOMPARE(form->engine().DialogueState, qint16(Dialogue::QueryWake));
    QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));

    press(*form, "Configuro");
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).text, SystemTexts::PortAlreadyOpen.arg(1).arg(m_port1.slavePath()));
    // The query goes on untouched: its state, its port, its timer, its status line.
    QCOMPARE(form->engine().DialogueState, qint16(Dialogue::QueryWake));
    QVERIFY(form->comm().isOpen());
    QVERIFY(form->timm().isActive());
    QVERIFY(lineSettingFramesDisabled(*form));
    QVERIFY(control<QLabel>(*form, "info")->text().isEmpty());
    QCOMPARE(received(m_port1, -1, 100).size(), 0); // nothing else was sent
    form->close();
}

void TestForm1Port::portInUse()
{
    QSerialPort holder(m_port1.slavePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));

    MessageBoxWatcher boxes;
    auto form = makeForm();
    press(*form, "Pregunto");
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).text, SystemTexts::PortBusy.arg(1).arg(m_port1.slavePath()));
    QCOMPARE(form->engine().DialogueState, qint16(0));
    QVERIFY(lineSettingFramesEnabled(*form));
    QVERIFY(!form->comm().isOpen());

    // Once the other holder lets go, the port opens.
    holder.close();
    press(*form, "Pregunto");
    QCOMPARE(form->engine().DialogueState, qint16(Dialogue::QueryWake));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));
    form->close();
}

void TestForm1Port::deviceVanishesDuringADialogue()
{
    auto usb = std::make_unique<PseudoTerminal>();
    QVERIFY(usb->isValid());
    const QString device = usb->slavePath();
    qputenv("TAVOLI_COM4", device.toLocal8Bit());

    MessageBoxWatcher boxes;
    auto form = makeForm();
    press(*form, "OpCan#3");
    press(*form, "Configuro");
    QCOMPARE(form->engine().DialogueState, qint16(Dialogue::ConfigWake));
    QVERIFY(lineSettingFramesDisabled(*form));

    usb.reset(); // unplugged
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).text, SystemTexts::PortLost.arg(4).arg(device));
    QTRY_COMPARE(form->engine().DialogueState, qint16(0));
    QVERIFY(lineSettingFramesEnabled(*form));
    QVERIFY(!form->comm().isOpen());

    // Reported once: neither the dialogue's next tick nor a late notice of the port brings a
    // second box.
    QTest::qWait(DialogueEngine::StepIntervalMs + 200);
    QCOMPARE(boxes.texts(), QStringList{SystemTexts::PortLost.arg(4).arg(device)});
    qunsetenv("TAVOLI_COM4");
}

void TestForm1Port::editorOpensWhileTheDialogueGoesOn()
{
    MessageBoxWatcher boxes;
    auto form = makeForm();
    press(*form, "Pregunto");
    QCOMPARE(received(m_port1, 9), QByteArray("ATE0Q0V0\r"));

    // Looked at from inside the editor's modal loop; checked once it has closed.
    QString title;
    bool modal = false;
    bool owned = true;
    bool stepped = false;
    QByteArray resent;
    QTimer::singleShot(0, this, [&] {
        auto *editor = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!editor)
            return;
        title = editor->windowTitle();
        modal = editor->isModal();
        owned = editor->parentWidget() != nullptr;
        // The query's paced step comes due behind the editor: "ATE0Q0V0" again, state 2.
        stepped = QTest::qWaitFor(
            [&] { return form->engine().DialogueState == Dialogue::QueryModeCheck; },
            DialogueEngine::StepIntervalMs + 1000);
        resent = received(m_port1, 9);
        editor->reject();
    });
    press(*form, "LaLista");
    QCOMPARE(title, SystemTexts::EditorCaption);
    QVERIFY(modal);
    QVERIFY(!owned);
    QVERIFY(stepped);
    QCOMPARE(resent, QByteArray("ATE0Q0V0\r"));
    QCOMPARE(boxes.count(), 0);
    form->close();
}

QTEST_MAIN(TestForm1Port)
#include "tst_form1port.moc"
