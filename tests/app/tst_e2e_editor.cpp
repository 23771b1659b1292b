// The command-list editor and the configuration together: a list chosen in the editor goes
// down the line at the next configuration, and a configuration already running goes on behind
// the open editor with the list stored before it.
#include "e2efixture.h"

#include <QAbstractButton>
#include <QListWidget>

class TestE2eEditor : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void zoomListFromTheEditor();
    void configurationBehindTheEditor();
};

namespace {

void click(QDialog *editor, const char *name)
{
    auto *button = editor->findChild<QAbstractButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList entries(QDialog *editor)
{
    QStringList shown;
    if (auto *list = editor->findChild<QListWidget *>(QStringLiteral("Lista")))
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
    return shown;
}

QString storedFile()
{
    QFile file(E2e::iniPath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

const QStringList MotorolaCommands{"AT&F0E0Q0V0", "AT&F0E0Q0V0", "ATV0", "ATS0=1", "ATB0",
                                   "ATL2", "ATM1", "ATE0", "ATY1", "ATN1", "AT&D0", "AT&S0",
                                   "ATQ1", "AT&W0"};

} // namespace

void TestE2eEditor::init()
{
    E2e::removeStoredList();
}

void TestE2eEditor::cleanup()
{
    E2e::removeStoredList();
}

void TestE2eEditor::zoomListFromTheEditor()
{
    E2e::Bench bench(E2e::poweredOn());
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    bench.setSpeed(3); // 1200

    QStringList before;
    QStringList chosen;
    E2e::inNextModalDialog(&bench.form(), [&](QDialog *editor) {
        before = entries(editor);
        click(editor, "dflZoo");
        chosen = entries(editor);
        click(editor, "acepto");
    });
    bench.press(QStringLiteral("LaLista"));
    QCOMPARE(before, (QStringList{"V0", "S0=#", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"}));
    QCOMPARE(chosen, (QStringList{"V0", "S0=#", "B0", "L2", "M1", "E0", "&D0", "&S0", "+MS=V#,0"}));
    const QString file = storedFile();
    QVERIFY2(file.contains(QStringLiteral("[tst_e2e_editor]")), qPrintable(file));
    QVERIFY2(file.contains(QStringLiteral("CmdAT=V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0")), qPrintable(file));

    bench.press(QStringLiteral("Configuro"));
    QVERIFY(bench.waitIdle());
    const QStringList expected{"AT&F0E0Q0V0", "AT&F0E0Q0V0", "ATV0", "ATS0=1", "ATB0", "ATL2",
                               "ATM1", "ATE0", "AT&D0", "AT&S0", "AT+MS=V22,0", "ATQ1", "AT&W0"};
    QCOMPARE(bench.commands(), expected);
    // The window opens with odd parity.
    QCOMPARE(bench.rawCommands().at(10), E2e::withParity("AT+MS=V22,0\r", E2e::Odd));
    QCOMPARE(bench.boxes().texts(), QStringList{QStringLiteral("Modem configurado con éxito")});
    QCOMPARE(QString::fromStdString(bench.modem().modulation()), QStringLiteral("V22,0"));
    QVERIFY(bench.closedAndIdle());
}

void TestE2eEditor::configurationBehindTheEditor()
{
    E2e::Bench bench(E2e::poweredOn());
    QVERIFY2(bench.start(), qPrintable(bench.error()));

    QPointer<QDialog> open;
    bool editorShownUnderTheBox = false;
    bench.onBox([&](QMessageBox *) { editorShownUnderTheBox = open && open->isVisible(); });
    bool finished = false;
    bool stillOpen = false;

    bench.press(QStringLiteral("Configuro"));
    E2e::inNextModalDialog(&bench.form(), [&](QDialog *editor) {
        open = editor;
        // A different list in the editor, not yet accepted: the configuration must not see it.
        click(editor, "dflZoo");
        finished = QTest::qWaitFor([&] { return bench.form().engine().DialogueState == Dialogue::Idle; },
                                   E2e::DialogueTimeoutMs);
        stillOpen = editor->isVisible();
        click(editor, "cancelo");
    });
    bench.press(QStringLiteral("LaLista"));

    QVERIFY(finished);
    QVERIFY(stillOpen);
    QVERIFY(editorShownUnderTheBox);
    QVERIFY(bench.states().contains(Dialogue::ConfigSendList));
    QCOMPARE(bench.boxes().texts(), QStringList{QStringLiteral("Modem configurado con éxito")});
    QCOMPARE(bench.commands(), MotorolaCommands);
    // Paced behind the modal window as in front of it.
    E2E_VERIFY_PACED(bench.msBetweenCommands(0, 1));
    E2E_VERIFY_PACED(bench.msBetweenCommands(12, 13));
    QCOMPARE(bench.modem().storedRegister(0), 1);
    QVERIFY(bench.closedAndIdle());
    // Cancelled: nothing written.
    QVERIFY(!QFile::exists(E2e::iniPath()));
}

QTEST_MAIN(TestE2eEditor)
#include "tst_e2e_editor.moc"
