// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's --log file: written in batches, never losing or reordering a line.
#include "linelog.h"
#include "transcripttexts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace {

Transcript::Line traffic(int i)
{
    Transcript::Line line;
    line.direction = i % 2 ? Transcript::Direction::Received : Transcript::Direction::Sent;
    line.bytes = "ATS7=" + QByteArray::number(i) + '\r';
    return line;
}

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
}

} // namespace

class TestLineLog : public QObject
{
    Q_OBJECT
private slots:
    void batchedInOrder();
    void lateLineWithinDeadline();
    void fullDiskSaysWhy();
};

// 1,000 lines of traffic and an event: a handful of writes, every line there in its order.
void TestLineLog::batchedInOrder()
{
    QFile::remove("batched.log");
    constexpr int Lines = 1000;
    {
        LineLog log;
        QVERIFY(log.open("batched.log"));
        for (int i = 0; i < Lines; ++i)
            log.write("/dev/a", traffic(i));
        Transcript::Line end;
        end.text = "the end";
        log.write("/dev/b", end);
        // The header, a batch each time BatchBytes was passed, the event's.
        QVERIFY2(log.batches() <= 2 + Lines * 40 / BatchedLog::BatchBytes,
                 qPrintable(QString::number(log.batches())));
        // The event went out at once, with everything before it.
        const QList<QByteArray> lines = fileLines("batched.log");
        QCOMPARE(lines.size(), 1 + Lines + 1 + 1); // header, lines, event, "" after the last \n
        for (int i = 0; i < Lines; ++i)
            QVERIFY2(lines.at(1 + i).startsWith("/dev/a")
                         && lines.at(1 + i).endsWith("ATS7=" + QByteArray::number(i) + "<CR>"),
                     lines.at(1 + i).constData());
        QVERIFY(lines.at(1 + Lines).startsWith("/dev/b")
                && lines.at(1 + Lines).endsWith("the end"));
        // What is left when the log goes is written too.
        log.write("/dev/a", traffic(Lines));
    }
    QCOMPARE(fileLines("batched.log").size(), 1 + Lines + 2 + 1);
}

// A lone line of traffic waits for company, but never longer than LongestWaitMs.
void TestLineLog::lateLineWithinDeadline()
{
    QFile::remove("late.log");
    LineLog log;
    QVERIFY(log.open("late.log"));
    QElapsedTimer clock;
    clock.start();
    log.write("/dev/a", traffic(0));
    QCOMPARE(fileLines("late.log").size(), 2);
    QVERIFY(QTest::qWaitFor([] { return fileLines("late.log").size() == 3; }, 5000));
    QVERIFY2(clock.elapsed() >= BatchedLog::LongestWaitMs - 1,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(log.batches(), 2);
}

// A disk that fills up in the middle of a batch: the failure is told once, with the system's
// reason rather than Qt's "Unknown error" for the write that came back short.
void TestLineLog::fullDiskSaysWhy()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=16k") != 0)
        QSKIP("needs to mount a small tmpfs (root)");
    const auto unmount =
        qScopeGuard([&dir] { ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH); });
    const QString path = dir.filePath("full.log");
    QStringList failures;
    {
        BatchedLog log([&failures](const QString &message) { failures << message; });
        QVERIFY(log.open(path, "start").ok());
        for (int i = 0; i < 100 && failures.isEmpty(); ++i)
            log.append(QString(1000, u'x'), true);
        log.append("after", true);
    }
    QCOMPARE(failures, QStringList{TranscriptTexts::TranscriptLogWriteFailed.arg(
                           path, QString::fromLocal8Bit(std::strerror(ENOSPC)))});
}

QTEST_GUILESS_MAIN(TestLineLog)
#include "tst_linelog.moc"
