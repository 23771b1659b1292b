// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the line-setting options and the expansion of the stored command list: what the
// window hands the serial port and the configuration.
#include "commandlistbuilder.h"
#include "form1.h"
#include "form1controls.h"
#include "storetexts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString iniName()
{
    return ExecutableBaseName() + SettingsFileSuffix;
}

void writeStoredList(const QString &dir, const QString &list)
{
    QFile file(dir + u'/' + iniName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write((u'[' + ExecutableBaseName() + "]\r\nCmdAT=" + list + "\r\n").toUtf8());
}

const QStringList BuiltIn{"V0", "S0=1", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"};

} // namespace

class TestForm1Settings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startUp();
    void options_data();
    void options();
    void ringCount_data();
    void ringCount();
    void expand_data();
    void expand();
    void listRefusedWhereRead();
    void listThroughTheWindow_data();
    void listThroughTheWindow();
    void followsTheWorkingDirectory();
    void entryCaption();

private:
    QString m_startDir = QDir::currentPath();
};

void TestForm1Settings::init()
{
    QDir::current().remove(iniName());
}

void TestForm1Settings::cleanup()
{
    QDir::setCurrent(m_startDir);
    QDir::current().remove(iniName());
}

void TestForm1Settings::startUp()
{
    {
        Form1 form;
        form.show();
        QCoreApplication::processEvents();
        QCOMPARE(form.selectedPort(), 1);
        QCOMPARE(form.ApplyLineSettings().text(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(form.parityMode(), Parity::Odd);
        QVERIFY(form.isIdle());
        QCOMPARE(form.dialogueState(), Dialogue::Idle);
        QCOMPARE(enabledFrames(form), 3);
        // Nothing stored: the built-in list.
        QCOMPARE(form.BuildCommandList().entries, BuiltIn);
    }
    // Neither start-up nor reading the list creates the file.
    QCOMPARE(QDir::current().entryList({"*.INI", "*.ini"}, QDir::Files), QStringList());
}

// A list entry's caption is formatted when the status line paints, and reads as a caption set
// directly would: "AT" in front, a "&" shown once.
void TestForm1Settings::entryCaption()
{
    Form1 form;
    form.show();
    QCoreApplication::processEvents();
    form.showEntry(QStringLiteral("&D0"));
    const QString expected = QStringLiteral("Enviando: \"AT&D0\"");
    QCOMPARE(form.infoText(), expected);
    QCOMPARE(form.findChild<QLabel *>(QStringLiteral("info"))->text(), expected);
    form.setInfo(QStringLiteral("A&&B"));
    QCOMPARE(form.infoText(), QStringLiteral("A&B"));
}

void TestForm1Settings::options_data()
{
    QTest::addColumn<QStringList>("select"); // clicked or set in this order
    QTest::addColumn<bool>("byProgram");     // setChecked rather than a click
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("parity");   // ParityMode
    QTest::addColumn<int>("dataBits"); // the OpDb entry selected
    using L = QStringList;
    QTest::newRow("1200, 2 stop bits")
        << L{"OpBau#3", "OpSb#1"} << false << "1200,N,8,2" << 1 << 1 << 0;
    QTest::newRow("4800, back to 1 stop bit")
        << L{"OpSb#1", "OpBau#1", "OpSb#0"} << false << "4800,N,8,1" << 1 << 1 << 0;
    QTest::newRow("2400 on port 4")
        << L{"OpCan#3", "OpBau#2"} << false << "2400,N,8,1" << 4 << 1 << 0;
    QTest::newRow("port 3 leaves the settings alone")
        << L{"OpBau#1", "OpCan#2"} << false << "4800,N,8,1" << 3 << 1 << 0;
    // Parity never reaches the port's framing: it is computed in software.
    QTest::newRow("odd to none") << L{"OpSb#1", "OpNon"} << false << "9600,N,8,2" << 1 << 0 << 1;
    QTest::newRow("none to odd") << L{"OpNon", "OpOdd"} << false << "9600,N,8,1" << 1 << 1 << 0;
    QTest::newRow("none to even") << L{"OpNon", "OpEvn"} << false << "9600,N,8,1" << 1 << 2 << 0;
    QTest::newRow("even to none") << L{"OpEvn", "OpNon"} << false << "9600,N,8,1" << 1 << 0 << 1;
    QTest::newRow("odd to even") << L{"OpEvn"} << false << "9600,N,8,1" << 1 << 2 << 0;
    QTest::newRow("program: 4800") << L{"OpBau#1"} << true << "4800,N,8,1" << 1 << 1 << 0;
    QTest::newRow("program: port 2") << L{"OpCan#1"} << true << "9600,N,8,1" << 2 << 1 << 0;
    QTest::newRow("program: none") << L{"OpNon"} << true << "9600,N,8,1" << 1 << 0 << 1;
    QTest::newRow("program: the selected one again")
        << L{"OpBau#1", "OpBau#1"} << true << "4800,N,8,1" << 1 << 1 << 0;
}

void TestForm1Settings::options()
{
    QFETCH(QStringList, select);
    QFETCH(bool, byProgram);
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    Form1 form;
    form.show();
    for (qsizetype i = 0; i < select.size(); ++i) {
        auto *option = control<QRadioButton>(form, select.at(i));
        QVERIFY2(option, qPrintable(select.at(i)));
        if (byProgram)
            option->setChecked(true);
        else
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    }
    // What the next click hands the session.
    QCOMPARE(form.ApplyLineSettings().text(), settings);
    QCOMPARE(form.selectedPort(), port);
    QCOMPARE(form.parityMode(), Parity(parity));
    QVERIFY(control<QRadioButton>(form, "OpDb#" + QString::number(dataBits))->isChecked());
}

// The ring count as it is filled into "S0=#", and whether it may be sent (the window's click,
// the list's expansion and the command line's --rings all take this rule).
void TestForm1Settings::ringCount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ring");
    QTest::addColumn<bool>("valid");
    const auto row = [](const char *name, const char *typed, const char *ring, bool valid) {
        QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(ring) << valid;
    };
    row("empty", "", "0", false);
    row("zero", "0", "0", true);
    row("twelve", "12", "12", true);
    row("ninety-nine", "99", "99", true);
    row("one hundred", "100", "100", false);
    row("minus one", "-1", "-1", false);
    row("plus", "+7", "7", true);
    row("plus only", "+", "0", false);
    row("plus then blank", "+ 2", "0", false);
    row("blanks around", " \t4 ", "4", true);
    row("vertical tab is no blank", "\v4", "0", false);
    // Halves go to the even neighbour; a fraction is never a valid ring count.
    row("point five", ".5", "0", false);
    row("one point five", "1.5", "2", false);
    row("two point five", "2.5", "2", false);
    row("minus two point five", "-2.5", "-2", false);
    row("point then digit", "9.6", "10", false);
    row("digit then letter", "1x", "1", false);
    row("letter", "x", "0", false);
    row("sign only", "-", "0", false);
    row("point only", ".", "0", false);
    row("inner blank ends it", "1 2", "1", false);
    row("second point ends it", "1.2.9", "1", false);
    row("leading zero", "07", "7", true);
    row("exponent is no number", "1e3", "1", false);
    row("too large", "99999999", "32767", false);
    row("too small", "-99999999", "-32768", false);
}

void TestForm1Settings::ringCount()
{
    QFETCH(QString, typed);
    QFETCH(QString, ring);
    QFETCH(bool, valid);
    QCOMPARE(CommandListBuilder::RingText(typed), ring);
    QCOMPARE(CommandListBuilder::RingCountValid(typed), valid);
}

void TestForm1Settings::expand_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("ring");
    QTest::addColumn<QStringList>("expected");
    using L = QStringList;
    QTest::newRow("codes") << "S37=#;+MS=V#"
                           << "1" << L{"S37=6", "+MS=V22B"};
    QTest::newRow("every occurrence") << "S0=#S0=#;X S0=#"
                                      << "-1" << L{"S0=-1S0=-1", "X S0=-1"};
    QTest::newRow("empty") << ""
                           << "1" << L();
    QTest::newRow("trailing separator") << "A;B;"
                                        << "1" << L{"A", "B"};
    QTest::newRow("doubled separator") << "A;;B"
                                       << "1" << L{"A", "", "B"};
    QTest::newRow("leading separator") << ";A"
                                       << "1" << L{"", "A"};
    QTest::newRow("only a separator") << ";"
                                      << "1" << L{""};
    QTest::newRow("blanks kept") << " V0 ; &D0"
                                 << "1" << L{" V0 ", " &D0"};
    // Only ";" separates, even in a text without any (the editor reads old texts otherwise).
    QTest::newRow("comma, no separator") << "+MS=V#,0"
                                         << "1" << L{"+MS=V22B,0"};
    QTest::newRow("comma beside a separator") << "+MS=V#,0;"
                                              << "1" << L{"+MS=V22B,0"};
    QTest::newRow("no placeholder") << "s0=#;S0=5"
                                    << "8" << L{"s0=#", "S0=5"};
    QTest::newRow("ring text with a hash") << "S0=#"
                                           << "#" << L{"S0=#"};
}

void TestForm1Settings::expand()
{
    QFETCH(QString, stored);
    QFETCH(QString, ring);
    QFETCH(QStringList, expected);
    QCOMPARE(CommandListBuilder::Expand(stored, ring, QStringLiteral("6"), QStringLiteral("22B")),
             expected);
}

void TestForm1Settings::listThroughTheWindow_data()
{
    QTest::addColumn<QString>("stored"); // null: no file
    QTest::addColumn<QString>("llam");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QStringList>("expected");
    const QString codes = QStringLiteral("S0=#;S37=#;+MS=V#");
    QTest::newRow("no file") << QString() << "1" << 0 << BuiltIn;
    QTest::newRow("plus sign, 1200")
        << codes << "+0" << 3 << QStringList{"S0=0", "S37=5", "+MS=V22"};
    QTest::newRow("blank first, 4800")
        << codes << " 7" << 1 << QStringList{"S0=7", "S37=8", "+MS=V32"};
    // Not a ring count: nothing is sent (the reason is the reading's, as listRefusedWhereRead
    // shows).
    QTest::newRow("point five") << codes << ".5" << 1 << QStringList();
    QTest::newRow("stored empty") << ""
                                  << "1" << 0 << QStringList();
}

// Checked where the list is read: the ring count only when the list has "S0=#", and a file that
// is there but cannot be read is named, with nothing sent in its place.
void TestForm1Settings::listRefusedWhereRead()
{
    Form1 form;
    const auto built = [&form](const QString &llam) {
        control<QLineEdit>(form, "llam")->setText(llam);
        return form.BuildCommandList();
    };
    using Problem = CommandListResult::Problem;
    writeStoredList(QDir::currentPath(), "V0;S0=#");
    QCOMPARE(built("").problem, Problem::RingCountInvalid);
    QCOMPARE(built("").entries, QStringList());
    QCOMPARE(built("+3").entries, QStringList({"V0", "S0=3"}));
    writeStoredList(QDir::currentPath(), "V0;s0=#");
    QCOMPARE(built("").entries, QStringList({"V0", "s0=#"}));

    QDir::current().remove(iniName());
    QVERIFY(QDir::current().mkdir(iniName()));
    const CommandListResult unreadable = built("2");
    QDir::current().rmdir(iniName());
    QCOMPARE(unreadable.problem, Problem::Unreadable);
    QCOMPARE(unreadable.entries, QStringList());
    const QString why = StoreTexts::commandListUnreadable(unreadable.unreadable);
    QVERIFY2(why.contains(QDir::current().filePath(iniName()))
                 && why.contains(StoreTexts::IniReadNotFile),
             qPrintable(why));
}

void TestForm1Settings::listThroughTheWindow()
{
    QFETCH(QString, stored);
    QFETCH(QString, llam);
    QFETCH(int, speed);
    QFETCH(QStringList, expected);
    Form1 form;
    if (!stored.isNull())
        writeStoredList(QDir::currentPath(), stored);
    control<QLineEdit>(form, "llam")->setText(llam);
    control<QRadioButton>(form, "OpBau#" + QString::number(speed))->setChecked(true);
    QCOMPARE(form.BuildCommandList().entries, expected);
}

void TestForm1Settings::followsTheWorkingDirectory()
{
    Form1 form; // started here, in the test's own directory
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    writeStoredList(elsewhere.path(), QStringLiteral("M0;S0=#"));
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QCOMPARE(form.BuildCommandList().entries, QStringList({"M0", "S0=1"}));
    QVERIFY(QDir::setCurrent(m_startDir));
    QCOMPARE(form.BuildCommandList().entries, BuiltIn); // nothing stored here
}

QTEST_MAIN(TestForm1Settings)
#include "tst_form1settings.moc"
