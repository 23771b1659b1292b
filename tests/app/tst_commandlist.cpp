// Expansion of the stored command string into the commands a configuration sends.
#include "commandlistbuilder.h"
#include "form1.h"
#include "form1controls.h"
#include "systemtexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCommandList : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void ringCount_data();
    void ringCount();
    void expand_data();
    void expand();

    void builtInListWithoutFile();
    void storedListThroughTheWindow_data();
    void storedListThroughTheWindow();
    void readAfreshEachTime();
    void followsTheWorkingDirectory();

private:
    QString m_startDir;
};

namespace {

void writeStoredList(const QString &dir, const QString &list)
{
    QFile file(dir + u'/' + ExecutableBaseName() + SystemTexts::IniSuffix);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString text = u'[' + ExecutableBaseName() + QStringLiteral("]\r\n") + SystemTexts::IniKey
        + u'=' + list + QStringLiteral("\r\n");
    file.write(text.toUtf8());
}

} // namespace

void TestCommandList::init()
{
    m_startDir = QDir::currentPath();
    QDir::current().remove(ExecutableBaseName() + SystemTexts::IniSuffix);
}

void TestCommandList::cleanup()
{
    QDir::setCurrent(m_startDir);
    QDir::current().remove(ExecutableBaseName() + SystemTexts::IniSuffix);
}

void TestCommandList::ringCount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ring");
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("one") << "1" << "1";
    QTest::newRow("twelve") << "12" << "12";
    QTest::newRow("minus one") << "-1" << "-1";
    QTest::newRow("plus") << "+7" << "7";
    QTest::newRow("point five") << ".5" << "0";
    QTest::newRow("one point five") << "1.5" << "2";
    QTest::newRow("two point five") << "2.5" << "2";
    QTest::newRow("three point five") << "3.5" << "4";
    QTest::newRow("minus point five") << "-.5" << "0";
    QTest::newRow("minus two point five") << "-2.5" << "-2";
    QTest::newRow("digit then letter") << "1x" << "1";
    QTest::newRow("letter") << "x" << "0";
    QTest::newRow("sign only") << "-" << "0";
    QTest::newRow("point only") << "." << "0";
    QTest::newRow("leading blanks") << "  4" << "4";
    QTest::newRow("tab") << "\t9" << "9";
    QTest::newRow("inner blank ends it") << "1 2" << "1";
    QTest::newRow("second point ends it") << "1.2.9" << "1";
    QTest::newRow("point then digit") << "9.6" << "10";
    QTest::newRow("leading zero") << "07" << "7";
    QTest::newRow("exponent is no number") << "1e3" << "1";
    QTest::newRow("too large") << "99999999" << "32767";
    QTest::newRow("too small") << "-99999999" << "-32768";
}

void TestCommandList::ringCount()
{
    QFETCH(QString, typed);
    QFETCH(QString, ring);
    QCOMPARE(CommandListBuilder::RingText(typed), ring);
}

void TestCommandList::expand_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("ring");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("built-in") << SystemTexts::BuiltInCommandList << "1" << 0
                              << QStringList{"V0", "S0=1", "B0", "L2", "M1",
                                             "E0", "Y1", "N1", "&D0", "&S0"};
    QTest::newRow("rockwell at 2400") << SystemTexts::RockwellCommandList << "3" << 2
                                      << QStringList{"V0", "S0=3", "B0", "L2", "M1", "E0",
                                                     "Y1", "&Q5", "N0", "S37=6", "&D0", "&S0"};
    QTest::newRow("zoom at 1200") << SystemTexts::ZoomCommandList << "1" << 3
                                  << QStringList{"V0", "S0=1", "B0", "L2", "M1",
                                                 "E0", "&D0", "&S0", "+MS=V22,0"};
    QTest::newRow("codes at 9600") << "S37=#;+MS=V#" << "1" << 0 << QStringList{"S37=9", "+MS=V32"};
    QTest::newRow("codes at 4800") << "S37=#;+MS=V#" << "1" << 1 << QStringList{"S37=8", "+MS=V32"};
    QTest::newRow("every occurrence") << "S0=#S0=#;X S0=#" << "-1" << 0
                                      << QStringList{"S0=-1S0=-1", "X S0=-1"};
    QTest::newRow("empty") << "" << "1" << 0 << QStringList();
    QTest::newRow("trailing separator") << "A;B;" << "1" << 0 << QStringList{"A", "B"};
    QTest::newRow("doubled separator") << "A;;B" << "1" << 0 << QStringList{"A", "", "B"};
    QTest::newRow("leading separator") << ";A" << "1" << 0 << QStringList{"", "A"};
    QTest::newRow("only a separator") << ";" << "1" << 0 << QStringList{""};
    QTest::newRow("blanks kept") << " V0 ; &D0" << "1" << 0 << QStringList{" V0 ", " &D0"};
    QTest::newRow("comma is no separator") << "+MS=V#,0,1" << "1" << 2 << QStringList{"+MS=V22B,0,1"};
    QTest::newRow("no placeholder") << "s0=#;S0=5" << "8" << 0 << QStringList{"s0=#", "S0=5"};
    QTest::newRow("ring text with a hash") << "S0=#" << "#" << 0 << QStringList{"S0=#"};
}

void TestCommandList::expand()
{
    QFETCH(QString, stored);
    QFETCH(QString, ring);
    QFETCH(int, speed);
    QFETCH(QStringList, expected);
    const QStringList s37 = {"9", "8", "6", "5"};
    const QStringList modulation = {"32", "32", "22B", "22"};
    QCOMPARE(CommandListBuilder::Expand(stored, ring, s37.at(speed), modulation.at(speed)), expected);
}

void TestCommandList::builtInListWithoutFile()
{
    Form1 form;
    QCOMPARE(form.BuildCommandList(),
             QStringList({"V0", "S0=1", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"}));
}

void TestCommandList::storedListThroughTheWindow_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("llam");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("rockwell, 3 rings, 2400")
        << SystemTexts::RockwellCommandList << "3" << 2
        << QStringList{"V0", "S0=3", "B0", "L2", "M1", "E0", "Y1", "&Q5", "N0", "S37=6", "&D0", "&S0"};
    QTest::newRow("zoom at 1200") << SystemTexts::ZoomCommandList << "1" << 3
                                  << QStringList{"V0", "S0=1", "B0", "L2", "M1",
                                                 "E0", "&D0", "&S0", "+MS=V22,0"};
    QTest::newRow("empty box") << "S0=#" << "" << 0 << QStringList{"S0=0"};
    QTest::newRow("point five") << "S0=#" << ".5" << 0 << QStringList{"S0=0"};
    QTest::newRow("twelve") << "S0=#" << "12" << 0 << QStringList{"S0=12"};
    QTest::newRow("minus one") << "S0=#" << "-1" << 0 << QStringList{"S0=-1"};
    QTest::newRow("two point five") << "S0=#" << "2.5" << 0 << QStringList{"S0=2"};
    QTest::newRow("stored empty") << "" << "1" << 0 << QStringList();
}

void TestCommandList::storedListThroughTheWindow()
{
    QFETCH(QString, stored);
    QFETCH(QString, llam);
    QFETCH(int, speed);
    QFETCH(QStringList, expected);
    Form1 form;
    writeStoredList(QDir::currentPath(), stored);
    control<QLineEdit>(form, "llam")->setText(llam);
    control<QRadioButton>(form, "OpBau#" + QString::number(speed))->setChecked(true);
    QCOMPARE(form.BuildCommandList(), expected);
}

void TestCommandList::readAfreshEachTime()
{
    Form1 form;
    QCOMPARE(form.BuildCommandList().size(), 10);
    writeStoredList(QDir::currentPath(), QStringLiteral("E0;S0=#"));
    QCOMPARE(form.BuildCommandList(), QStringList({"E0", "S0=1"}));
    // The box is read at the moment of the call, too.
    control<QLineEdit>(form, "llam")->setText(QStringLiteral("7"));
    writeStoredList(QDir::currentPath(), QStringLiteral("S0=#;&W0"));
    QCOMPARE(form.BuildCommandList(), QStringList({"S0=7", "&W0"}));
}

void TestCommandList::followsTheWorkingDirectory()
{
    Form1 form; // started here, in the test's own directory
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    writeStoredList(elsewhere.path(), QStringLiteral("M0;S0=#"));
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QCOMPARE(form.BuildCommandList(), QStringList({"M0", "S0=1"}));
    QCOMPARE(form.iniSet().fileName(), SettingsFilePath());
    QVERIFY(QDir::setCurrent(m_startDir));
    QCOMPARE(form.BuildCommandList().size(), 10); // nothing stored here
}

QTEST_MAIN(TestCommandList)
#include "tst_commandlist.moc"
