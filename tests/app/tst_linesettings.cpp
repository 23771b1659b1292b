// Start-up and the line-setting options: what reaches the serial port, and when.
#include "form1.h"
#include "form1controls.h"
#include "linesettings.h"
#include "systemtexts.h"

#include <QDir>
#include <QTest>

class TestLineSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void settingsText_data();
    void settingsText();

    void startUpState();
    void startUpCreatesNoFile();
    void parityChoosesDataBits_data();
    void parityChoosesDataBits();
    void speedAndStopBits();
    void portChoiceLeavesSettingsAlone();
    void selectionByTheProgramRunsTheHandler();
};

namespace {

void click(Form1 &form, const char *key)
{
    QWidget *widget = control(form, QString::fromLatin1(key));
    QVERIFY2(widget, key);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
}

QStringList iniFiles()
{
    return QDir::current().entryList({QStringLiteral("*.INI"), QStringLiteral("*.ini")}, QDir::Files);
}

} // namespace

void TestLineSettings::init()
{
    for (const QString &file : iniFiles())
        QDir::current().remove(file);
}

void TestLineSettings::settingsText_data()
{
    QTest::addColumn<int>("speedIndex");
    QTest::addColumn<bool>("oneStopBit");
    QTest::addColumn<QString>("expected");
    QTest::newRow("9600/1") << 0 << true << "9600,N,8,1";
    QTest::newRow("9600/2") << 0 << false << "9600,N,8,2";
    QTest::newRow("4800/1") << 1 << true << "4800,N,8,1";
    QTest::newRow("4800/2") << 1 << false << "4800,N,8,2";
    QTest::newRow("2400/1") << 2 << true << "2400,N,8,1";
    QTest::newRow("2400/2") << 2 << false << "2400,N,8,2";
    QTest::newRow("1200/1") << 3 << true << "1200,N,8,1";
    QTest::newRow("1200/2") << 3 << false << "1200,N,8,2";
}

void TestLineSettings::settingsText()
{
    QFETCH(int, speedIndex);
    QFETCH(bool, oneStopBit);
    QFETCH(QString, expected);
    QCOMPARE(LineSettings::SettingsText(speedIndex, oneStopBit), expected);
}

void TestLineSettings::startUpState()
{
    Form1 form;
    QCOMPARE(form.comm().commPort(), qint16(1));
    QCOMPARE(form.comm().settings(), QStringLiteral("9600,N,8,1"));
    QVERIFY(!form.comm().isOpen());
    QCOMPARE(form.engine().DialogueState, qint16(0));
    QVERIFY(lineSettingFramesEnabled(form));
    QCOMPARE(form.parityMode(), 1);

    const QStringList speedNames = {"AUTO", "300", "300", "300", "", "1200",
                                    "2400", "-V23-", "4800", "9600"};
    QCOMPARE(form.engine().SpeedNames, speedNames);
    QCOMPARE(form.S37Codes, QStringList({"9", "8", "6", "5"}));
    QCOMPARE(form.ModulationCodes, QStringList({"32", "32", "22B", "22"}));

    // The store points at the working directory's file, with the built-in list to fall back on.
    QCOMPARE(form.iniSet().fileName(), SettingsFilePath());
    QVERIFY(form.iniSet().fileName().startsWith(QDir::currentPath()));
    QCOMPARE(form.iniSet().section(), ExecutableBaseName());
    QCOMPARE(form.iniSet().key(), QStringLiteral("CmdAT"));
    QCOMPARE(form.iniSet().fallback(), QStringLiteral("V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0"));
    QCOMPARE(form.iniSet().value(), form.iniSet().fallback());
    QVERIFY(!form.timm().isActive());
}

void TestLineSettings::startUpCreatesNoFile()
{
    {
        Form1 form;
        form.show();
        QCoreApplication::processEvents();
        QCOMPARE(form.BuildCommandList().size(), 10); // reading creates nothing either
    }
    QCOMPARE(iniFiles(), QStringList());
}

void TestLineSettings::parityChoosesDataBits_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("parity");
    QTest::addColumn<int>("dataBitsIndex");
    QTest::addColumn<int>("mode");
    QTest::newRow("odd to none") << QByteArray("OpOdd") << QByteArray("OpNon") << 1 << 0;
    QTest::newRow("none to odd") << QByteArray("OpNon") << QByteArray("OpOdd") << 0 << 1;
    QTest::newRow("none to even") << QByteArray("OpNon") << QByteArray("OpEvn") << 0 << 2;
    QTest::newRow("even to none") << QByteArray("OpEvn") << QByteArray("OpNon") << 1 << 0;
    QTest::newRow("odd to even") << QByteArray("OpOdd") << QByteArray("OpEvn") << 0 << 2;
}

void TestLineSettings::parityChoosesDataBits()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, parity);
    QFETCH(int, dataBitsIndex);
    QFETCH(int, mode);
    Form1 form;
    form.show();
    click(form, "OpSb#1");
    click(form, before.constData());
    form.comm().setSettings(QStringLiteral("4800,N,8,1")); // so that a fresh text shows
    click(form, parity.constData());

    QVERIFY(control<QRadioButton>(form, QString::fromLatin1(parity))->isChecked());
    QVERIFY(control<QRadioButton>(form, "OpDb#" + QString::number(dataBitsIndex))->isChecked());
    QVERIFY(!control<QRadioButton>(form, "OpDb#" + QString::number(1 - dataBitsIndex))->isChecked());
    QCOMPARE(form.parityMode(), mode);
    // Parity never reaches the port's framing: it is computed in software.
    QCOMPARE(form.comm().settings(), QStringLiteral("9600,N,8,2"));
}

void TestLineSettings::speedAndStopBits()
{
    Form1 form;
    form.show();
    click(form, "OpBau#3");
    QCOMPARE(form.comm().settings(), QStringLiteral("1200,N,8,1"));
    click(form, "OpSb#1");
    QCOMPARE(form.comm().settings(), QStringLiteral("1200,N,8,2"));
    click(form, "OpBau#1");
    QCOMPARE(form.comm().settings(), QStringLiteral("4800,N,8,2"));
    click(form, "OpSb#0");
    QCOMPARE(form.comm().settings(), QStringLiteral("4800,N,8,1"));
    QCOMPARE(form.comm().commPort(), qint16(1));
}

void TestLineSettings::portChoiceLeavesSettingsAlone()
{
    Form1 form;
    form.show();
    form.comm().setSettings(QStringLiteral("2400,N,8,2")); // not what the options say
    click(form, "OpCan#2");
    QCOMPARE(form.comm().commPort(), qint16(3));
    QCOMPARE(form.comm().settings(), QStringLiteral("2400,N,8,2"));
    click(form, "OpCan#3");
    QCOMPARE(form.comm().commPort(), qint16(4));

    click(form, "OpBau#2");
    QCOMPARE(form.comm().settings(), QStringLiteral("2400,N,8,1"));
    QCOMPARE(form.comm().commPort(), qint16(4));
    click(form, "OpCan#0");
    QCOMPARE(form.comm().commPort(), qint16(1));
}

void TestLineSettings::selectionByTheProgramRunsTheHandler()
{
    Form1 form;
    control<QRadioButton>(form, "OpBau#1")->setChecked(true);
    QCOMPARE(form.comm().settings(), QStringLiteral("4800,N,8,1"));
    control<QRadioButton>(form, "OpCan#1")->setChecked(true);
    QCOMPARE(form.comm().commPort(), qint16(2));
    control<QRadioButton>(form, "OpNon")->setChecked(true);
    QVERIFY(control<QRadioButton>(form, "OpDb#1")->isChecked());
    // Clearing an option runs nothing; selecting the one already selected changes nothing.
    form.comm().setSettings(QStringLiteral("1200,N,8,2"));
    control<QRadioButton>(form, "OpBau#1")->setChecked(true);
    QCOMPARE(form.comm().settings(), QStringLiteral("1200,N,8,2"));
}

QTEST_MAIN(TestLineSettings)
#include "tst_linesettings.moc"
