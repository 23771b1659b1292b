// SPDX-License-Identifier: GPL-3.0-or-later
// The line's transcript of a real query through the window, its port and the simulated modem;
// the transcript window opened from its shortcut; and `tavoli --log` refusing a file it cannot
// write.
#include "e2efixture.h"
#include "extras.h"
#include "ser2netserver.h"
#include "serialtexts.h"
#include "transcriptwindow.h"

#include <QAbstractItemModel>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Marks and text of every kept line, without the two time columns.
QStringList marksAndText(const Transcript &t)
{
    QStringList out;
    for (quint64 s = t.firstSerial(); s < t.endSerial(); ++s)
        out << Transcript::format(t.line(s)).mid(24);
    return out;
}

// A line as sent with odd parity: the text, then the bytes on the wire.
QString odd(const QString &direction, const QByteArray &text)
{
    const QByteArray wire = E2e::withParity(text, E2e::Odd);
    return direction + QLatin1String("  ") + Transcript::visible(text) + QLatin1String("  [")
           + QString::fromLatin1(wire.toHex(' ').toUpper()) + QLatin1Char(']');
}

} // namespace

class TestE2eTranscript : public QObject
{
    Q_OBJECT
private slots:
    void query();
    void terminalServer();
    void logFileRefused();
};

void TestE2eTranscript::query()
{
    HayesOptions modem = E2e::poweredOn({{0, 2}, {37, 9}});
    modem.replyParity = E2e::Odd;
    E2e::Bench bench(modem);
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    Transcript &transcript = bench.form().transcript();
    bench.setParity(E2e::Odd);
    bench.press(QStringLiteral("Pregunto"));
    QVERIFY(bench.waitIdle());
    QCOMPARE(bench.label("answ2"), "9600");

    QStringList expected{
        "---  Puerto abierto: " + bench.device() + ", 9600,N,8,1, paridad impar (en el bit 7)",
        odd("-->", "ATE0Q0V0\r"),
        "---  Estado 1: preguntar, despertar el modem",
        odd("<--", "ATE0Q0V0\r"), // the echo of a powered-on modem
        odd("<--", "0\r"),
        "---  Paso del temporizador",
        "---  Entrada sin leer descartada",
        odd("-->", "ATE0Q0V0\r"),
        "---  Estado 2: preguntar, comprobar el modo",
        odd("<--", "0\r"),
        odd("-->", "ATS0?\r"),
        "---  Estado 3: preguntar, número de rings",
        odd("<--", "002\r"),
        odd("<--", "\n0\r"),
        odd("-->", "ATS37?\r"),
        "---  Estado 4: preguntar, velocidad de la línea",
        odd("<--", "009\r"),
        odd("<--", "\n0\r"),
        "---  Puerto cerrado",
        "---  Estado 0: sin diálogo",
    };
    const QStringList actual = marksAndText(transcript);
    // Where some processes cannot be looked at (not root), opening says so first.
    const QString partial = SerialTexts::TranscriptHoldersPartial.arg(bench.device());
    const int skip = actual.value(0).startsWith("---  " + partial.section('%', 0, 0)) ? 1 : 0;
    if (skip)
        expected.prepend(actual.first());
    QCOMPARE(actual, expected);

    // Shown from its shortcut, once however often it is asked for, with every line.
    Extras::install(bench.form());
    QTest::keySequence(&bench.form(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QTest::keySequence(&bench.form(), QKeySequence(Qt::CTRL | Qt::Key_L));
    const auto windows = bench.form().findChildren<TranscriptWindow *>();
    QCOMPARE(windows.size(), 1);
    TranscriptWindow *window = windows.first();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), "Registro de la línea");
    QAbstractItemModel *rows = window->findChild<QListView *>(QStringLiteral("lines"))->model();
    QTRY_COMPARE(rows->rowCount(), expected.size());
    const auto colour = [rows](int row) { return rows->index(row, 0).data(Qt::ForegroundRole); };
    QCOMPARE_NE(colour(skip + 1), colour(skip + 3)); // sent and received
    QCOMPARE_NE(colour(skip + 1), colour(skip + 0)); // sent and an event

    // A file it cannot write is said so in a box.
    QTemporaryDir dir;
    window->saveTo(dir.path());
    QVERIFY(bench.boxes().waitForCount(1));
    QVERIFY2(
        bench.boxes().at(0).text.startsWith("No se ha podido guardar el registro en " + dir.path()),
        qPrintable(bench.boxes().at(0).text));

    window->findChild<QAbstractButton *>(QStringLiteral("clear"))->click();
    QCOMPARE(transcript.size(), 0);
    QCOMPARE(rows->rowCount(), 0);
}

// Port 1 on a terminal server: the window connects without waiting, refuses a second press while
// connecting as for an open port, runs the query through ser2net (its status line left as a
// local port leaves it) and records the connection.
void TestE2eTranscript::terminalServer()
{
    if (Ser2net::program().isEmpty())
        QSKIP(Ser2net::Missing);
    HayesModem modem(E2e::poweredOn({{0, 2}, {37, 9}}));
    QVERIFY(modem.start());
    Ser2net server(modem.devicePath(), true);
    QVERIFY(server.listening);
    qputenv("TAVOLI_COM1", server.address.toLocal8Bit());
    MessageBoxWatcher boxes(5);
    Form1 form;
    form.show();
    form.Pregunto_Click();
    QCOMPARE(form.dialogueState(), Dialogue::Idle); // connecting, not waiting
    form.Pregunto_Click();
    QVERIFY(boxes.waitForCount(1));
    QVERIFY2(boxes.at(0).text.contains(SerialTexts::PortAlreadyOpen.section(u' ', -3)),
             qPrintable(boxes.at(0).text));
    QTRY_VERIFY_WITH_TIMEOUT(form.dialogueState() != Dialogue::Idle, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(form.dialogueState() == Dialogue::Idle, E2e::DialogueTimeoutMs);
    QCOMPARE(boxes.count(), 1);
    QTRY_COMPARE(caption(control(form, "answ1")), "2");
    QCOMPARE(form.infoText(), QString()); // as a local port leaves it, "Conectando..." gone
    const QString lines = marksAndText(form.transcript()).join(u'\n');
    for (const char *event : {"Conectando con 127.0.0.1", "COM-PORT-OPTION aceptada",
                              "Puerto abierto: rfc2217://", "Conexión cerrada"})
        QVERIFY2(lines.contains(QString::fromUtf8(event)), qPrintable(lines.right(900)));

    // Nobody listens there any more: the window's box, and the settings free again.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    qputenv("TAVOLI_COM1",
            QByteArray("socket://127.0.0.1:") + QByteArray::number(probe.serverPort()));
    probe.close();
    form.Pregunto_Click();
    QVERIFY(boxes.waitForCount(2));
    QVERIFY2(boxes.at(1).text.contains(QString::fromUtf8("rechaza la conexión")),
             qPrintable(boxes.at(1).text));
    QVERIFY(control(form, "CanMrc")->isEnabled());
    QCOMPARE(form.dialogueState(), Dialogue::Idle);
}

void TestE2eTranscript::logFileRefused()
{
    QTemporaryDir dir;
    QProcess tavoli;
    tavoli.start(QStringLiteral(TAVOLI_PROGRAM), {QStringLiteral("--log"), dir.path()});
    QVERIFY(tavoli.waitForFinished(20000));
    QCOMPARE(tavoli.exitCode(), 64);
    const QString said = QString::fromUtf8(tavoli.readAllStandardError());
    QVERIFY2(said.contains("No se puede abrir el archivo de registro " + dir.path()),
             qPrintable(said));
}

QTEST_MAIN(TestE2eTranscript)
#include "tst_e2e_transcript.moc"
