// SPDX-License-Identifier: GPL-3.0-or-later
// The line's transcript on its own: how bytes read (control characters, parity on the wire,
// lines cut at CR), the dialogue's clock, the bound on kept lines and the log file.
#include "tracing.h"
#include "transcript.h"
#include "transcripttexts.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each kept line without its two time columns: "-->  ATS0?<CR>".
QStringList marksAndText(const Transcript &t)
{
    QStringList out;
    for (quint64 s = t.firstSerial(); s < t.endSerial(); ++s)
        out << Transcript::format(t.line(s)).mid(24);
    return out;
}

// The "since the dialogue began" column of the last line.
QString sinceOfLast(const Transcript &t)
{
    return Transcript::format(t.line(t.endSerial() - 1)).mid(13, 9).trimmed();
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(unreadable)")};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestTranscript : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void sentViewIsCopied();
    void dialogueClock();
    void keepsTheLastLines();
    void bytesOfKeptLines();
    void logFile();
    void logFifo();
    void lateReply();
};

// A reply dropped as late is told in the transcript with its bytes shown.
void TestTranscript::lateReply()
{
    Transcript t;
    t.lateReplyDropped("0\x01");
    QCOMPARE(marksAndText(t).value(0),
             "---  " + TranscriptTexts::TranscriptLateReply.arg(QStringLiteral("0<x01>")));
}

void TestTranscript::lines_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<QStringList>("script"); // "S:" sent, "R:" received, "E:" event
    QTest::addColumn<QStringList>("shown");
    const QString flood(600, QLatin1Char('A'));

    QTest::newRow("command") << 0 << QStringList{"S:ATS0?\r"} << QStringList{"-->  ATS0?<CR>"};
    QTest::newRow("control and high bytes")
        << 0 << QStringList{QString::fromLatin1("R:\x01\x1b\x7f\xffOK\r")}
        << QStringList{"<--  <x01><x1B><x7F><xFF>OK<CR>"};
    QTest::newRow("odd parity on the wire")
        << 1 << QStringList{QString::fromLatin1("S:\xc1\x54\xd3\xb0\xbf\x0d")}
        << QStringList{"-->  ATS0?<CR>  [C1 54 D3 B0 BF 0D]"};
    QTest::newRow("even parity, CR with bit 7 ends the line, the rest waits")
        << 2 << QStringList{QString::fromLatin1("R:\x30\x8d\x30")}
        << QStringList{"<--  0<CR>  [30 8D]"};
    QTest::newRow("cut at CR across reads, the rest shown at the next event")
        << 0 << QStringList{"R:\r\n00", "R:2\r\n0\r\n", "E:Paso"}
        << QStringList{"<--  <CR>", "<--  <LF>002<CR>", "<--  <LF>0<CR>", "<--  <LF>", "---  Paso"};
    QTest::newRow("partial reply shown before the next command")
        << 0 << QStringList{"R:OK", "S:AT\r"} << QStringList{"<--  OK", "-->  AT<CR>"};
    QTest::newRow("flood without CR in bounded lines")
        << 0 << QStringList{"R:" + flood, "E:x"}
        << QStringList{"<--  " + flood.left(256), "<--  " + flood.left(256),
                       "<--  " + flood.left(88), "---  x"};
    QTest::newRow("event text on one line")
        << 0 << QStringList{"E:No hay respuesta\n  .... no sea un modem"}
        << QStringList{"---  No hay respuesta /   .... no sea un modem"};
}

void TestTranscript::lines()
{
    QFETCH(int, parity);
    QFETCH(QStringList, script);
    QFETCH(QStringList, shown);
    Transcript t;
    for (const QString &step : script) {
        const QByteArray bytes = step.mid(2).toLatin1();
        if (step.startsWith(u'S'))
            t.sent(bytes, Parity(parity));
        else if (step.startsWith(u'R'))
            t.received(bytes, Parity(parity));
        else
            t.happened(step.mid(2));
    }
    QCOMPARE(marksAndText(t), shown);
}

void TestTranscript::sentViewIsCopied()
{
    // The engine hands the port a view of its list buffer, which the next list overwrites.
    char list[] = "ATS0=2\r";
    Transcript t;
    t.sent(QByteArray::fromRawData(list, 7), Parity::None);
    list[4] = '9';
    QCOMPARE(t.line(t.endSerial() - 1).bytes, QByteArray("ATS0=2\r"));
}

void TestTranscript::dialogueClock()
{
    Transcript t;
    t.happened(QStringLiteral("antes"));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} {12}---  antes$"))
                 .match(Transcript::format(t.line(0)))
                 .hasMatch(),
             qPrintable(Transcript::format(t.line(0))));
    t.portOpened(QStringLiteral("/dev/pts/7"), LineSettings{}, Parity::Odd);
    QCOMPARE(marksAndText(t).last(),
             "---  Puerto abierto: /dev/pts/7, 9600,N,8,1, paridad impar (en el bit 7)");
    QVERIFY2(sinceOfLast(t).startsWith(QLatin1String("+0.0")), qPrintable(sinceOfLast(t)));
    QTest::qWait(30);
    t.stateChanged(7);
    QCOMPARE(marksAndText(t).last(), "---  Estado 7: configurar, lista de comandos");
    const double since = sinceOfLast(t).toDouble();
    QVERIFY2(since >= 0.030 && since < 5, qPrintable(sinceOfLast(t)));
    t.portClosed();
    t.boxShown(false, QStringLiteral("Modem configurado con éxito"));
    QVERIFY(!sinceOfLast(t).isEmpty()); // the dialogue goes on until its state is 0
    t.stateChanged(0);
    QVERIFY(!sinceOfLast(t).isEmpty());
    t.timerStep();
    QCOMPARE(sinceOfLast(t), QString());

    // A port closed again before any state (no CTS/DSR): no dialogue began.
    t.portOpened(QStringLiteral("/dev/pts/7"), LineSettings{}, Parity::None);
    t.portClosed();
    t.boxShown(true, QStringLiteral("No hay señal"));
    QCOMPARE(sinceOfLast(t), QString());
    t.stateChanged(99);
    QCOMPARE(marksAndText(t).last(), "---  Estado 99");
}

void TestTranscript::bytesOfKeptLines()
{
    // Lines of unequal lengths over many blocks of the store, one larger than a block, then
    // two more rounds: every kept line still reads its own bytes after older blocks have gone.
    Transcript t;
    const auto bytesOf = [](quint64 s) {
        return s == 100 ? QByteArray(70000, 'x') : "ATS" + QByteArray::number(s) + '\r';
    };
    for (quint64 s = 0; s < 3 * quint64(Transcript::Capacity); ++s) {
        t.sent(bytesOf(s), Parity::None);
        if (s == 200)
            QCOMPARE(t.line(100).bytes, bytesOf(100));
    }
    QCOMPARE(t.size(), Transcript::Capacity);
    for (quint64 s = t.firstSerial(); s < t.endSerial(); ++s)
        QCOMPARE(t.line(s).bytes, bytesOf(s));
}

void TestTranscript::keepsTheLastLines()
{
    // Past the bound by one line, then by a whole round and one more: every kept line is the
    // one recorded under its number, so no stale line comes back after a wrap.
    Transcript t;
    qsizetype recorded = 0;
    for (const qsizetype over : {qsizetype(1), Transcript::Capacity + 1}) {
        for (const qsizetype end = Transcript::Capacity + over; recorded < end; ++recorded)
            t.happened(QString::number(recorded));
        QCOMPARE(t.size(), Transcript::Capacity);
        QCOMPARE(t.firstSerial(), quint64(over));
        for (quint64 s = t.firstSerial(); s < t.endSerial(); ++s)
            QVERIFY2(t.line(s).text == QString::number(s),
                     qPrintable(QStringLiteral("line %1 reads \"%2\": stale after the wrap")
                                    .arg(s)
                                    .arg(t.line(s).text)));
        const QStringList shown = t.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(shown.size(), Transcript::Capacity);
        QVERIFY2(shown.first().endsWith(QLatin1String("---  ") + QString::number(over)),
                 qPrintable(shown.first()));
    }

    t.clear();
    QCOMPARE(t.size(), 0);
    QCOMPARE(t.text(), QString());
    t.happened(QStringLiteral("otra"));
    QCOMPARE(marksAndText(t), QStringList{"---  otra"});
}

void TestTranscript::logFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("linea.log"));
    {
        QFile before(path);
        QVERIFY(before.open(QIODevice::WriteOnly) && before.write("anterior\n") == 9);
    }
    Transcript t;
    t.happened(QStringLiteral("no va al archivo"));
    const Outcome opened = t.openLogFile(path);
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), "anterior");
    QVERIFY2(lines.at(1).contains(QLatin1String("---  Registro iniciado el ")),
             qPrintable(lines.at(1)));

    // Lines go out in batches, in UTF-8, as the window shows them: traffic waits for company
    // (at most a tenth of a second), an event takes everything before it along at once.
    t.sent("ATQ1\r", Parity::None);
    QCOMPARE(fileLines(path).size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(fileLines(path).size(), 3, 2000);
    t.received("0", Parity::None); // a partial reply waits for its CR or the next event
    t.stateChanged(9);
    lines = fileLines(path);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.mid(2),
             QStringList({Transcript::format(t.line(1)), Transcript::format(t.line(2)),
                          Transcript::format(t.line(3))}));
    QVERIFY(lines.last().endsWith(QStringLiteral("Estado 9: configurar, guardar el perfil")));

    const Outcome refused = Transcript().openLogFile(dir.path());
    QVERIFY(!refused.ok());
    QVERIFY2(refused.message().contains(dir.path()), qPrintable(refused.message()));
}

void TestTranscript::logFifo()
{
    std::signal(SIGPIPE, SIG_IGN); // as the program does
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo")));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);

    // Nobody reads it: refused at once (a blocking open would wait for ever; the alarm ends it).
    ::alarm(10);
    const Outcome noReader = Transcript().openLogFile(QFile::decodeName(fifo));
    ::alarm(0);
    QVERIFY2(noReader.message().contains(QStringLiteral("nadie está leyendo")),
             qPrintable(noReader.message()));

    // The reader goes away: said once, and recording goes on.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    Transcript t;
    QSignalSpy failed(&t, &Transcript::logFileFailed);
    const Outcome opened = t.openLogFile(QFile::decodeName(fifo));
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    ::close(reader);
    t.happened(QStringLiteral("uno"));
    t.happened(QStringLiteral("dos"));
    QTRY_COMPARE(failed.count(), 1);
    QVERIFY2(failed.at(0).at(0).toString().contains(QFile::decodeName(fifo)),
             qPrintable(failed.at(0).at(0).toString()));
    QCOMPARE(marksAndText(t), QStringList({"---  uno", "---  dos"}));
}

QTEST_GUILESS_MAIN(TestTranscript)
#include "tst_transcript.moc"
