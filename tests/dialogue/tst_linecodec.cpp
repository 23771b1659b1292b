// SPDX-License-Identifier: GPL-3.0-or-later
// Software parity and the reply-line tests: pure functions. Which lines count as a "0" result is
// checked row by row in the state table.
#include "encodedlist.h"
#include "linecodec.h"
#include "replyline.h"

#include <QTest>

#include <bit>

using namespace LineCodec;

class TestLineCodec : public QObject
{
    Q_OBJECT
private slots:
    // Every code, every mode: the low seven bits survive and the eight bits hold the promised
    // count of ones (none: bit 7 clear); stripping gives back the low seven bits. Modes other
    // than 0, 1 and 2 leave the bytes alone.
    void parityOnEveryCode()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int k = 0; k < 256; ++k)
            all[k] = char(k);
        const QByteArray odd = ApplyParity(Parity::Odd, all);
        const QByteArray even = ApplyParity(Parity::Even, all);
        const QByteArray none = ApplyParity(Parity::None, all);
        QCOMPARE(odd.size(), 256);
        QCOMPARE(even.size(), 256);
        for (int k = 0; k < 256; ++k) {
            const unsigned o = quint8(odd[k]), e = quint8(even[k]), n = quint8(none[k]);
            QCOMPARE(o & 0x7Fu, unsigned(k) & 0x7Fu);
            QCOMPARE(e & 0x7Fu, unsigned(k) & 0x7Fu);
            QCOMPARE(n, unsigned(k) & 0x7Fu);
            QCOMPARE(std::popcount(o) % 2, 1);
            QCOMPARE(std::popcount(e) % 2, 0);
        }
        QCOMPARE(StripParity(odd), none);
        QCOMPARE(StripParity(even), none);
        QCOMPARE(StripParity(all), none);
        QByteArray inPlace = odd;
        StripParity(inPlace, 128); // the bytes before the offset stay as they are
        QCOMPARE(inPlace, odd.first(128) + none.sliced(128));
        QCOMPARE(ApplyParity(Parity(3), all), all);
        QCOMPARE(ApplyParity(Parity(-1), all), all);
        QCOMPARE(ApplyParity(Parity::Odd, QByteArray()), QByteArray());
        QCOMPARE(StripParity(QByteArray()), QByteArray());
    }

    // Past 16 bits the number is held at the end of the range, never wrapped round.
    // A list encoded once gives each entry as it would have been encoded alone: unequal
    // lengths (an empty body among them), the first and the last slice, parity included.
    void encodedListSlices()
    {
        const QStringList entries{QStringLiteral("S0=2"), QString(), QStringLiteral("&C1&D2X4"),
                                  QStringLiteral("X\u00e9\u20ac")}; // beyond ASCII, beyond Latin-1
        const EncodedList list(entries, Parity::Odd);
        QCOMPARE(list.size(), 4);
        for (qsizetype i = 0; i < entries.size(); ++i)
            QCOMPARE(list.line(i),
                     ApplyParity(Parity::Odd, "AT" + entries.at(i).toLatin1() + '\r'));
        QCOMPARE(EncodedList().size(), 0);
        // A character whose seven bits are a carriage return never ends the command early.
        QCOMPARE(EncodedList({QStringLiteral("S7\u008d=1")}, Parity::None).line(0),
                 QByteArray("ATS7?=1\r"));
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("number");
        QTest::addRow("leading zeros") << QByteArray("002") << 2;
        QTest::addRow("blanks tabs LF skipped") << QByteArray(" \t\n 9") << 9;
        QTest::addRow("stops at other character") << QByteArray("12ab") << 12;
        QTest::addRow("decimal point") << QByteArray("2.5") << 2;
        QTest::addRow("no number") << QByteArray("ERROR") << 0;
        QTest::addRow("empty") << QByteArray() << 0;
        QTest::addRow("negative") << QByteArray("-3") << -3;
        QTest::addRow("plus sign") << QByteArray("+7") << 7;
        QTest::addRow("lone sign") << QByteArray("-") << 0;
        QTest::addRow("blank inside ends it") << QByteArray("1 2") << 1;
        QTest::addRow("top of 16 bits") << QByteArray("32767") << 32767;
        QTest::addRow("bottom of 16 bits") << QByteArray("-32768") << -32768;
        QTest::addRow("just past the top") << QByteArray("32768") << 32767;
        QTest::addRow("would wrap to 2") << QByteArray("65538") << 32767;
        QTest::addRow("would wrap to 0") << QByteArray("65536") << 32767;
        QTest::addRow("far below") << QByteArray("-99999") << -32768;
        QTest::addRow("hundred digits") << QByteArray(100, '9') << 32767;
    }
    void leadingNumber()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, number);
        QCOMPARE(int(ReplyLine::leadingNumber(line)), number);
    }

    void verboseOk_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("position");
        QTest::addRow("after echo") << QByteArray("AT&F\rOK\r") << 0 << 5;
        QTest::addRow("no CR yet") << QByteArray("AT&F\rOK") << 0 << -1;
        QTest::addRow("lower case") << QByteArray("ok\r") << 0 << -1;
        QTest::addRow("OK with LF between") << QByteArray("OK\n\r") << 0 << -1;
        QTest::addRow("inside a longer word") << QByteArray("NOOK\r") << 0 << 2;
        QTest::addRow("before from is not seen") << QByteArray("OK\rX\rOK\r") << 1 << 5;
    }
    void verboseOk()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, from);
        QFETCH(int, position);
        QCOMPARE(int(ReplyLine::findVerboseOk(text, from)), position);
    }
};

QTEST_GUILESS_MAIN(TestLineCodec)
#include "tst_linecodec.moc"
