// SPDX-License-Identifier: GPL-3.0-or-later
// The "Comandos" window and its INI file: what it shows at opening, what Enter writes, what
// Escape leaves alone, and a save that fails.
#include "commandlistbuilder.h"
#include "commandliststore.h"
#include "editorharness.h"
#include "editortexts.h"
#include "inistore.h"
#include "modemprotocol.h"
#include "storetexts.h"

#include <QTemporaryDir>

using namespace EditorHarness;
using L = QStringList;

namespace {

// What the main window's own store reads from the same file.
QString StoredValue(const QString &fallback = ModemProtocol::BuiltInCommandList)
{
    IniStore store(CommandListStore::Key);
    store.setFileName(IniPath());
    store.setSection(BaseName());
    store.setFallback(fallback);
    return store.value();
}

} // namespace

class TestCfglisStore : public QObject
{
    Q_OBJECT
    QString m_startDir;

private slots:
    void init()
    {
        m_startDir = QDir::currentPath();
        QFile::remove(IniPath());
    }
    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        QDir().rmdir(IniPath());
    }

    // Opening splits the stored text (no file: the built-in list, and nothing created); Enter
    // without any edit writes it back joined by ";", and the next opening shows the same entries
    // (an empty last one is dropped). A configuration sends one command per entry shown.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("stored"); // null: no file
        QTest::addColumn<L>("entries");
        QTest::addColumn<QString>("saved");
        QTest::newRow("semicolons") << "V0;S0=#;B0" << L{"V0", "S0=#", "B0"} << "V0;S0=#;B0";
        QTest::newRow("commas only") << "V0,E0,&D0" << L{"V0", "E0", "&D0"} << "V0;E0;&D0";
        QTest::newRow("modulation alone") << "+MS=V#,0" << L{"+MS=V#", "0"} << "+MS=V#;0";
        QTest::newRow("one semicolon decides")
            << "V0;+MS=V#,0" << L{"V0", "+MS=V#,0"} << "V0;+MS=V#,0";
        QTest::newRow("no separator") << "ATZ" << L{"ATZ"} << "ATZ";
        QTest::newRow("empty middle entry") << "V0;;E0" << L{"V0", "", "E0"} << "V0;;E0";
        QTest::newRow("empty first entry") << ";V0" << L{"", "V0"} << ";V0";
        QTest::newRow("trailing separator") << "V0;" << L{"V0"} << "V0";
        QTest::newRow("inner spaces kept")
            << "V0; E0 ;x y" << L{"V0", " E0 ", "x y"} << "V0; E0 ;x y";
        QTest::newRow("letter case kept") << "v0;e0" << L{"v0", "e0"} << "v0;e0";
        // Longer than the typing limit: shown whole, saved whole.
        QTest::newRow("long entry") << "+MS=V34,1,300,33600;V0" << L{"+MS=V34,1,300,33600", "V0"}
                                    << "+MS=V34,1,300,33600;V0";
        QTest::newRow("one entry with a comma") << "+MS=V34,1;" << L{"+MS=V34,1"} << "+MS=V34,1;";
        QTest::newRow("comma entry, then an empty one")
            << "+MS=V34,1;;" << L{"+MS=V34,1", ""} << "+MS=V34,1;";
        QTest::newRow("one empty entry") << ";" << L{""} << "";
        QTest::newRow("empty list") << "" << L() << "";
        QTest::newRow("no file") << QString() << ModemProtocol::BuiltInCommandList.split(';')
                                 << ModemProtocol::BuiltInCommandList;
    }
    void roundTrip()
    {
        QFETCH(QString, stored);
        QFETCH(L, entries);
        QFETCH(QString, saved);
        Editor editor(stored.isNull() ? std::nullopt : std::optional(stored));
        QVERIFY(editor.open());
        QCOMPARE(editor.entries(), entries);
        QCOMPARE(editor.selected(), entries.isEmpty() ? -1 : 0);
        QCOMPARE(editor.brokenRule(), QString());
        QCOMPARE(QFile::exists(IniPath()), !stored.isNull());
        editor.accept();
        QVERIFY(!editor.window->isVisible());
        QCOMPARE(StoredValue(QString()), saved);
        L again = entries;
        if (!again.isEmpty() && again.last().isEmpty())
            again.removeLast();
        QCOMPARE(Editor().entries(), again);

        // Every placeholder filled with "#" stays as it is: what the editor saved, a
        // configuration sends as the entries it showed.
        QCOMPARE(CommandListBuilder::Expand(saved, QStringLiteral("#"), QStringLiteral("#"),
                                            QStringLiteral("#")),
                 again);
    }

    // An empty list is stored present and empty, not taken for the fallback; an empty new entry
    // is stored as an empty last body, which the next opening drops.
    void emptyList()
    {
        {
            Editor editor(QStringLiteral("V0;E0"));
            QVERIFY(editor.open());
            for (int i = 0; i < 3; ++i) // the third has nothing left to delete
                editor.click("del");
            QCOMPARE(editor.brokenRule(), QString());
            editor.accept();
        }
        QCOMPARE(StoredValue(QStringLiteral("<absent>")), QString());
        Editor again;
        QVERIFY(again.open());
        QCOMPARE(again.entries(), L());
        QCOMPARE(again.brokenRule(), QString());
        again.click("apn");
        Editor::type(QStringLiteral("V0"));
        again.click("apn");
        Editor::key(Qt::Key_Return);
        QCOMPARE(StoredValue(), QStringLiteral("V0;"));
        QCOMPARE(Editor().entries(), L{"V0"});
    }

    // Enter saves (and closes) wherever the focus is; Escape, Cancel and the window's close box
    // close without touching the file.
    void closing_data()
    {
        QTest::addColumn<QString>("how"); // the control with the focus, or the way to close
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("saved"); // null: the file is left alone
        QTest::newRow("Enter in list") << "Lista" << Qt::Key_Return << "V0;E0;X1";
        QTest::newRow("keypad Enter in list") << "Lista" << Qt::Key_Enter << "V0;E0;X1";
        QTest::newRow("Enter in text box") << "txt" << Qt::Key_Return << "V0;E0;X1";
        // The button takes the focus, then hands it to txt.
        QTest::newRow("Enter after Insertar") << "ins" << Qt::Key_Return << "X1;V0;E0";
        QTest::newRow("Escape in list") << "Lista" << Qt::Key_Escape << QString();
        QTest::newRow("Escape in text box") << "txt" << Qt::Key_Escape << QString();
        QTest::newRow("cancel button") << "cancelo" << Qt::Key_unknown << QString();
        QTest::newRow("window closed") << "close" << Qt::Key_unknown << QString();
    }
    void closing()
    {
        QFETCH(QString, how);
        QFETCH(Qt::Key, key);
        QFETCH(QString, saved);
        const QByteArray file = "; kept as it is\r\n" + StoredFile(QStringLiteral("V0,E0"));
        QVERIFY(WriteIni(file));
        Editor editor;
        QVERIFY(editor.open());
        editor.click(how == QLatin1String("ins") ? "ins" : "apn");
        Editor::type(QStringLiteral("X1"));
        if (how == QLatin1String("cancelo"))
            editor.click("cancelo");
        else if (how == QLatin1String("close"))
            editor.window->close();
        else if (how != QLatin1String("ins"))
            editor.window->findChild<QWidget *>(how)->setFocus();
        if (key != Qt::Key_unknown)
            Editor::key(key);
        QVERIFY(!editor.window->isVisible());
        QCOMPARE(editor.window->result(),
                 saved.isNull() ? int(QDialog::Rejected) : int(QDialog::Accepted));
        if (saved.isNull())
            QCOMPARE(ReadIni(), file);
        else
            QCOMPARE(StoredValue(), saved);
    }

    void restOfFileKept()
    {
        const QByteArray head = "; Tavoli\r\n[Other]\r\nCmdAT=not ours\r\n\r\n["
                                + BaseName().toUtf8() + "]\r\n; the list\r\nPort=2\r\n";
        const QByteArray tail = "Speed = 9600\r\n[Last]\r\nx=1\r\n";
        QVERIFY(WriteIni(head + "CmdAT=V0;E0\r\n" + tail));
        Editor editor;
        QVERIFY(editor.open());
        QCOMPARE(editor.entries(), L({"V0", "E0"}));
        editor.click("dflZoo");
        editor.accept();
        QCOMPARE(ReadIni(),
                 head + "CmdAT=" + ModemProtocol::ZoomCommandList.toUtf8() + "\r\n" + tail);
    }

    // The file is the one of the working directory at the moment of opening and of saving.
    void workingDirectoryOfTheMoment()
    {
        QTemporaryDir elsewhere(QDir::current().filePath(QStringLiteral("elsewhereXXXXXX")));
        QVERIFY(elsewhere.isValid());
        QVERIFY(WriteIni(StoredFile(QStringLiteral("V0;E0"))));
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        Editor editor; // nothing stored here yet: the built-in list
        QVERIFY(editor.open());
        editor.click("del");
        editor.accept();
        QVERIFY(QFile::exists(elsewhere.filePath(BaseName() + QStringLiteral(".INI"))));
        QCOMPARE(StoredValue(), ModemProtocol::BuiltInCommandList.mid(3));
        QVERIFY(QDir::setCurrent(m_startDir));
        QCOMPARE(StoredValue(), QStringLiteral("V0;E0"));
    }

    // A file that cannot be read is said at opening, naming it; nothing is saved over it.
    void unreadableFileIsNotSavedOver()
    {
        QVERIFY(QDir().mkdir(IniPath())); // a folder where the file should be fails even for root
        Editor editor;
        // The box comes once the window is up; then the window is made active again, which the
        // offscreen platform does not do by itself.
        const AnsweredBox opened = AnswerMessageBox([&] {
            editor.window->show();
            QTest::qWait(500);
        });
        QVERIFY(opened.shown);
        QVERIFY(editor.open());
        QVERIFY2(opened.text.contains(QDir::toNativeSeparators(IniPath()))
                     && opened.text.contains(StoreTexts::IniReadNotFile),
                 qPrintable(opened.text));
        QCOMPARE(editor.entries(), L());
        editor.click("dflZoo");
        QVERIFY(QDir().rmdir(IniPath())); // even once it is gone: what was there was never seen
        const AnsweredBox refused = AnswerMessageBox([&] { editor.accept(); });
        QVERIFY(refused.text.endsWith(EditorTexts::EditorWillNotSave));
        QVERIFY(editor.window->isVisible());
        QVERIFY(!QFile::exists(IniPath()));
    }

    // A save that fails says why and keeps the window open with every edit, able to go on.
    void failedSaveKeepsTheEdits()
    {
        Editor editor;
        QVERIFY(editor.open());
        QVERIFY(QDir().mkdir(IniPath())); // a folder where the file should be fails even for root
        editor.click("apn");
        Editor::type(QStringLiteral("X1"));
        const L edited = editor.entries();

        const AnsweredBox box = AnswerMessageBox([] { Editor::key(Qt::Key_Return); });
        QVERIFY(box.shown);
        QCOMPARE(box.icon, QMessageBox::Critical);
        const QString lead = EditorTexts::SaveFailed.section(QStringLiteral("%1"), 0, 0);
        QVERIFY2(box.text.startsWith(lead + QDir::toNativeSeparators(IniPath())),
                 qPrintable(box.text));
        QVERIFY2(box.text.size() > lead.size() + IniPath().size() + 2, "no reason given");
        QVERIFY(editor.window->isVisible());
        QCOMPARE(editor.entries(), edited);
        QCOMPARE(editor.brokenRule(), QString());

        QVERIFY(editor.open()); // the offscreen platform does not hand activation back by itself
        QVERIFY(QDir().rmdir(IniPath()));
        editor.accept();
        QVERIFY(!editor.window->isVisible());
        QCOMPARE(StoredValue(), edited.join(QLatin1Char(';')));
    }

    // A list another window or program saved after this one read it is not written over
    // unseen: asked, "no" keeps the window open and the other list stored; "yes" saves.
    void listSavedMeanwhileIsAskedAbout()
    {
        Editor editor(QStringLiteral("V0"));
        QVERIFY(editor.open());
        editor.click("apn");
        Editor::type(QStringLiteral("X1"));
        QVERIFY(CommandListStore().write(QStringLiteral("E0")).ok());

        const auto enter = [] { Editor::key(Qt::Key_Return); };
        const AnsweredBox no = AnswerMessageBox(enter, QMessageBox::No);
        QVERIFY(no.shown);
        QCOMPARE(no.icon, QMessageBox::Warning);
        QCOMPARE(no.text,
                 EditorTexts::ListChangedMeanwhile.arg(QDir::toNativeSeparators(IniPath())));
        QVERIFY(editor.window->isVisible());
        QCOMPARE(StoredValue(), QStringLiteral("E0"));

        QVERIFY(editor.open());
        QVERIFY(AnswerMessageBox(enter, QMessageBox::Yes).shown);
        QVERIFY(!editor.window->isVisible());
        QCOMPARE(StoredValue(), QStringLiteral("V0;X1"));
    }

    // Shown modally as the main window does, the editor still lets timers and other events of
    // the program run, and Escape ends it.
    void modalWindowKeepsEventsFlowing()
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
        QCOMPARE(editor.exec(), int(QDialog::Rejected));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

QTEST_MAIN(TestCfglisStore)
#include "tst_cfglisstore.moc"
