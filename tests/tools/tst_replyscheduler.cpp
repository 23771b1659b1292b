// SPDX-License-Identifier: GPL-3.0-or-later
// When the simulated modem's bytes fall due, on a clock the test moves: exact times, no line.
#include "replyscheduler.h"

#include <QByteArray>
#include <QList>
#include <QtTest>

using B = QByteArray;
using Clock = ReplyScheduler::Clock;

namespace {

// Takes all that falls due as a line that reads everything at once, the clock jumping to each
// due time: "ms bytes" for every write, "ms hang-up" when the line drops, and the start of the
// first two flood pieces ("ms flood 0123").
QList<B> drain(ReplyScheduler &s, Clock::time_point t0, int unread)
{
    QList<B> writes;
    auto stamp = [&](Clock::time_point at, const B &what) {
        writes << B::number(qint64(
                      std::chrono::duration_cast<std::chrono::milliseconds>(at - t0).count()))
                      + ' ' + what;
    };
    int floods = 0;
    for (int step = 0; step < 2000 && floods < 2 && s.wakeAt(); ++step) {
        const Clock::time_point now = *s.wakeAt();
        switch (s.due(now)) {
        case ReplyScheduler::Due::Bytes: {
            const B bytes(s.pending().data(), qsizetype(s.pending().size()));
            s.wrote(std::size_t(bytes.size()), now);
            stamp(now, bytes);
            break;
        }
        case ReplyScheduler::Due::HangUp:
            if (!s.holdHangUp(now, unread)) {
                stamp(now, "hang-up");
                s.clear();
            }
            break;
        case ReplyScheduler::Due::Nothing:
            if (const std::string piece = s.floodPiece(now); !piece.empty()) {
                stamp(now, "flood " + B::fromStdString(piece.substr(0, 4)));
                ++floods;
            }
            break;
        }
    }
    return writes;
}

} // namespace

class TestReplyScheduler : public QObject
{
    Q_OBJECT

private slots:
    // Shape: "delay=", "chunk=", "gap=" (between chunks), "split=" (gap between CR and LF),
    // "parity=". Queued all at once: "echo X", "reply X", "hangup", "flood". `unread`: what the
    // other side leaves unread when the line should drop.
    void schedule_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QList<B>>("queued");
        QTest::addColumn<int>("unread");
        QTest::addColumn<QList<B>>("writes");
        QTest::newRow("echo at once, reply late")
            << "delay=200" << QList<B>{"echo AT\r", "reply 0\r"} << 0
            << QList<B>{"0 AT\r", "200 0\r"};
        QTest::newRow("chunks") << "chunk=2 gap=60" << QList<B>{"reply \r\nOK\r\n"} << 0
                                << QList<B>{"0 \r\n", "60 OK", "120 \r\n"};
        QTest::newRow("CR and LF apart, then chunks")
            << "split=20 chunk=3 gap=5" << QList<B>{"reply \r\nOK\r\n"} << 0
            << QList<B>{"0 \r", "20 \nOK", "25 \r", "45 \n"};
        QTest::newRow("odd parity on echo and reply")
            << "parity=1" << QList<B>{"echo A", "reply 0\r"} << 0 << QList<B>{"0 \xC1", "0 \xB0\r"};
        QTest::newRow("hang-up once the reply is taken")
            << "" << QList<B>{"reply 0\r", "hangup"} << 0 << QList<B>{"0 0\r", "10 hang-up"};
        QTest::newRow("hang-up at last when nobody reads")
            << "" << QList<B>{"reply 0\r", "hangup"} << 2 << QList<B>{"0 0\r", "2000 hang-up"};
        QTest::newRow("flood after the reply, paced")
            << "" << QList<B>{"reply 0\r", "flood"} << 0
            << QList<B>{"0 0\r", "0 flood 0123", "10 flood STUV"};
    }
    void schedule()
    {
        QFETCH(QString, shape);
        QFETCH(QList<B>, queued);
        QFETCH(int, unread);
        QFETCH(QList<B>, writes);
        ReplyShape options;
        for (const QString &token : shape.split(' ', Qt::SkipEmptyParts)) {
            const int value = token.section('=', 1).toInt();
            const QString name = token.section('=', 0, 0);
            options.replyDelayMs = name == "delay" ? value : options.replyDelayMs;
            options.chunk = name == "chunk" ? std::size_t(value) : options.chunk;
            options.chunkGapMs = name == "gap" ? value : options.chunkGapMs;
            options.splitCrLf = options.splitCrLf || name == "split";
            options.splitGapMs = name == "split" ? value : options.splitGapMs;
            options.replyParity = name == "parity" ? value : options.replyParity;
        }
        ReplyScheduler scheduler(options);
        const Clock::time_point t0 = Clock::now();
        for (const B &item : queued) {
            const std::string bytes = item.mid(item.indexOf(' ') + 1).toStdString();
            if (item.startsWith("echo "))
                scheduler.echo(bytes, t0);
            else if (item.startsWith("reply "))
                scheduler.reply(bytes, t0);
            else if (item == "hangup")
                scheduler.hangUp(t0);
            else
                scheduler.flood(t0);
        }
        QCOMPARE(drain(scheduler, t0, unread), writes);
    }
};

QTEST_GUILESS_MAIN(TestReplyScheduler)
#include "tst_replyscheduler.moc"
