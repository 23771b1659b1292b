// The "Comandos" window and its INI file: what it shows at opening, what Enter writes, what
// Escape leaves alone, and a save that fails.
#include "editorharness.h"
#include "inistore.h"
#include "systemtexts.h"

#include <QTemporaryDir>

using namespace EditorHarness;

namespace {

// What the main window's own store reads from the same file.
QString StoredValue()
{
    IniStore store(SystemTexts::IniKey);
    store.setFileName(IniPath());
    store.setSection(BaseName());
    store.setFallback(SystemTexts::BuiltInCommandList);
    return store.value();
}

bool KeyPresent()
{
    IniStore store(SystemTexts::IniKey);
    store.setFileName(IniPath());
    store.setSection(BaseName());
    store.setFallback(QStringLiteral("<absent>"));
    return store.value() != QLatin1String("<absent>");
}

} // namespace

class TestCfglisStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void firstOpeningWithoutFile();
    void emptyList();
    void typedSeparator();
    void chipsetListSaved_data();
    void chipsetListSaved();
    void closingWithoutAcceptWritesNothing_data();
    void closingWithoutAcceptWritesNothing();
    void restOfFileKept();
    void workingDirectoryOfTheMoment();
    void failedSaveKeepsTheEdits();
    void modalWindowKeepsEventsFlowing();

private:
    QString m_startDir;
};

void TestCfglisStore::init()
{
    m_startDir = QDir::currentPath();
    RemoveIni();
}

void TestCfglisStore::cleanup()
{
    QDir::setCurrent(m_startDir);
    QDir().rmdir(IniPath());
}

// Opening splits the stored text; Enter without any edit writes it back joined by ";".
void TestCfglisStore::roundTrip_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("saved");

    QTest::newRow("semicolons") << "V0;S0=#;B0" << QStringList{"V0", "S0=#", "B0"} << "V0;S0=#;B0";
    QTest::newRow("commas only") << "V0,E0,&D0" << QStringList{"V0", "E0", "&D0"} << "V0;E0;&D0";
    QTest::newRow("modulation alone") << "+MS=V#,0" << QStringList{"+MS=V#", "0"} << "+MS=V#;0";
    QTest::newRow("one semicolon decides") << "V0;+MS=V#,0" << QStringList{"V0", "+MS=V#,0"}
                                           << "V0;+MS=V#,0";
    QTest::newRow("no separator") << "ATZ" << QStringList{"ATZ"} << "ATZ";
    QTest::newRow("empty middle entry") << "V0;;E0" << QStringList{"V0", "", "E0"} << "V0;;E0";
    QTest::newRow("empty first entry") << ";V0" << QStringList{"", "V0"} << ";V0";
    QTest::newRow("trailing separator") << "V0;" << QStringList{"V0"} << "V0";
    QTest::newRow("inner spaces kept") << "V0; E0 ;x y" << QStringList{"V0", " E0 ", "x y"}
                                       << "V0; E0 ;x y";
    QTest::newRow("letter case kept") << "v0;e0" << QStringList{"v0", "e0"} << "v0;e0";
}

void TestCfglisStore::roundTrip()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, entries);
    QFETCH(QString, saved);

    EDITOR_CHECK(WriteStored(stored));
    Editor editor;
    QVERIFY(editor.open());
    QCOMPARE(editor.entries(), entries);
    QCOMPARE(editor.selected(), 0);
    EDITOR_CHECK(VerifyInvariants(editor));
    Editor::key(Qt::Key_Return);
    QVERIFY(!editor.window->isVisible());
    QCOMPARE(StoredValue(), saved);
}

void TestCfglisStore::firstOpeningWithoutFile()
{
    QVERIFY(!QFile::exists(IniPath()));
    Editor editor;
    QVERIFY(editor.open());
    QCOMPARE(editor.entries(), QStringList({"V0", "S0=#", "B0", "L2", "M1", "E0", "Y1", "N1",
                                            "&D0", "&S0"}));
    QCOMPARE(editor.selected(), 0);
    QCOMPARE(editor.txt->text(), QStringLiteral("V0"));
    QVERIFY(!QFile::exists(IniPath())); // opening alone creates nothing
    Editor::key(Qt::Key_Return);
    QVERIFY(QFile::exists(IniPath()));
    QCOMPARE(StoredValue(), SystemTexts::BuiltInCommandList);
    QVERIFY(ReadIni().contains("CmdAT=V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0"));
}

void TestCfglisStore::emptyList()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0")));
    {
        Editor editor;
        QVERIFY(editor.open());
        editor.click("del");
        editor.click("del");
        editor.click("del"); // nothing left to delete
        EDITOR_CHECK(VerifyInvariants(editor));
        editor.Lista->setFocus();
        Editor::key(Qt::Key_Return);
        QVERIFY(!editor.window->isVisible());
    }
    QVERIFY(KeyPresent());
    QCOMPARE(StoredValue(), QString()); // present and empty: not the fallback

    Editor again;
    QVERIFY(again.open());
    QCOMPARE(again.entries(), QStringList());
    QVERIFY(!again.txt->isEnabled());
    QCOMPARE(again.txt->text(), QString());

    // An empty new entry is stored as an empty last body, which the next opening drops.
    again.click("apn");
    Editor::type(QStringLiteral("V0"));
    again.click("apn");
    Editor::key(Qt::Key_Return);
    QCOMPARE(StoredValue(), QStringLiteral("V0;"));
    Editor third;
    QCOMPARE(third.entries(), QStringList{"V0"});
}

void TestCfglisStore::typedSeparator()
{
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0")));
    {
        Editor editor;
        QVERIFY(editor.open());
        editor.clickEntry(1);
        Editor::key(Qt::Key_Tab);
        Editor::type(QStringLiteral("E1;Q0"));
        Editor::key(Qt::Key_Return);
    }
    QCOMPARE(StoredValue(), QStringLiteral("V0;E1;Q0"));
    Editor again;
    QCOMPARE(again.entries(), QStringList({"V0", "E1", "Q0"}));
}

void TestCfglisStore::chipsetListSaved_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("count");

    QTest::newRow("Rockwell") << "dflRkw" << SystemTexts::RockwellCommandList << 12;
    QTest::newRow("Motorola") << "dflMot" << SystemTexts::BuiltInCommandList << 10;
    QTest::newRow("Zoom") << "dflZoo" << SystemTexts::ZoomCommandList << 9;
}

void TestCfglisStore::chipsetListSaved()
{
    QFETCH(QString, buttonName);
    QFETCH(QString, list);
    QFETCH(int, count);

    EDITOR_CHECK(WriteStored(QStringLiteral("ATZ")));
    {
        Editor editor;
        QVERIFY(editor.open());
        editor.click(buttonName.toLatin1().constData());
        editor.Lista->setFocus();
        Editor::key(Qt::Key_Return);
    }
    QCOMPARE(StoredValue(), list);
    Editor again;
    QCOMPARE(again.entries().size(), count);
    QCOMPARE(again.entries().join(QLatin1Char(';')), list);
}

void TestCfglisStore::closingWithoutAcceptWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancelo";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("window closed") << "close";
}

void TestCfglisStore::closingWithoutAcceptWritesNothing()
{
    QFETCH(QString, how);

    const QByteArray file = "; kept as it is\r\n[" + BaseName().toUtf8() + "]\r\nCmdAT=V0,E0\r\n";
    EDITOR_CHECK(WriteIni(file));
    {
        Editor editor;
        QVERIFY(editor.open());
        editor.click("dflRkw");
        editor.click("apn");
        Editor::type(QStringLiteral("Q0"));
        if (how == QLatin1String("cancelo"))
            editor.click("cancelo");
        else if (how == QLatin1String("Escape"))
            Editor::key(Qt::Key_Escape);
        else
            editor.window->close();
        QVERIFY(!editor.window->isVisible());
        QCOMPARE(editor.window->result(), int(QDialog::Rejected));
    }
    QCOMPARE(ReadIni(), file);
    Editor again;
    QCOMPARE(again.entries(), QStringList({"V0", "E0"}));
}

void TestCfglisStore::restOfFileKept()
{
    const QByteArray section = BaseName().toUtf8();
    const QByteArray head = "; Tavoli\r\n[Other]\r\nCmdAT=not ours\r\n\r\n[" + section
                            + "]\r\n; the list\r\nPort=2\r\n";
    const QByteArray tail = "Speed = 9600\r\n[Last]\r\nx=1\r\n";
    EDITOR_CHECK(WriteIni(head + "CmdAT=V0;E0\r\n" + tail));
    {
        Editor editor;
        QVERIFY(editor.open());
        QCOMPARE(editor.entries(), QStringList({"V0", "E0"}));
        editor.click("dflZoo");
        editor.Lista->setFocus(); // Enter on a focused button would press that button
        Editor::key(Qt::Key_Return);
    }
    const QByteArray after = ReadIni();
    QVERIFY2(after.startsWith(head), after.constData());
    QVERIFY2(after.endsWith(tail), after.constData());
    const QByteArray line = after.mid(head.size(), after.size() - head.size() - tail.size());
    QCOMPARE(line.trimmed(), "CmdAT=" + SystemTexts::ZoomCommandList.toUtf8());
}

void TestCfglisStore::workingDirectoryOfTheMoment()
{
    QTemporaryDir elsewhere(QDir::current().filePath(QStringLiteral("elsewhereXXXXXX")));
    QVERIFY(elsewhere.isValid());
    EDITOR_CHECK(WriteStored(QStringLiteral("V0;E0")));
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    {
        Editor editor; // nothing stored here yet: the built-in list
        QCOMPARE(editor.entries().size(), 10);
        QVERIFY(editor.open());
        editor.click("del");
        editor.Lista->setFocus();
        Editor::key(Qt::Key_Return);
    }
    QVERIFY(QFile::exists(elsewhere.filePath(BaseName() + QStringLiteral(".INI"))));
    QCOMPARE(StoredValue(), SystemTexts::BuiltInCommandList.mid(3));
    QVERIFY(QDir::setCurrent(m_startDir));
    QCOMPARE(StoredValue(), QStringLiteral("V0;E0"));
}

void TestCfglisStore::failedSaveKeepsTheEdits()
{
    // A directory where the file should be: no write can succeed, not even as root.
    QVERIFY(QDir().mkdir(IniPath()));
    Editor editor;
    QVERIFY(editor.open());
    editor.click("apn");
    Editor::type(QStringLiteral("X1"));
    const QStringList edited = editor.entries();

    const AnsweredBox box = AnswerMessageBox([] { Editor::key(Qt::Key_Return); });
    QVERIFY(box.shown);
    QCOMPARE(box.icon, QMessageBox::Critical);
    const QString lead = SystemTexts::SaveFailed.section(QStringLiteral("%1"), 0, 0);
    QVERIFY2(box.text.startsWith(lead + QDir::toNativeSeparators(IniPath())), qPrintable(box.text));
    QVERIFY2(box.text.size() > lead.size() + IniPath().size() + 2, "no reason given");

    // Still open, with every edit, and able to go on.
    QVERIFY(editor.window->isVisible());
    QCOMPARE(editor.entries(), edited);
    EDITOR_CHECK(VerifyInvariants(editor));
    QVERIFY(editor.open()); // the offscreen platform does not hand activation back by itself

    // Once the cause is gone, accepting again saves and closes.
    QVERIFY(QDir().rmdir(IniPath()));
    editor.Lista->setFocus();
    Editor::key(Qt::Key_Return);
    QVERIFY(!editor.window->isVisible());
    QCOMPARE(StoredValue(), edited.join(QLatin1Char(';')));
}

// Shown modally as the main window does, the editor still lets timers and other events of
// the program run, and Escape ends it.
void TestCfglisStore::modalWindowKeepsEventsFlowing()
{
    cfglis editor;
    int ticks = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++ticks; });
    other.start(10);
    QTimer::singleShot(300, &editor, [&] {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &editor,
                        Qt::Key_Escape);
    });
    const int result = editor.exec();
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    QVERIFY(!QFile::exists(IniPath()));
}

QTEST_MAIN(TestCfglisStore)
#include "tst_cfglisstore.moc"
