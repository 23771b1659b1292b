// Software parity and the reply-line tests: pure functions, checked on worked values and on
// every byte value.
#include "linecodec.h"
#include "replyline.h"

#include <QTest>

#include <bit>

using namespace LineCodec;

class TestLineCodec : public QObject
{
    Q_OBJECT
private slots:
    void applyParity_data();
    void applyParity();
    void parityOnEveryCode();
    void stripParity_data();
    void stripParity();

    void exactlyZeroAndEndsInZero_data();
    void exactlyZeroAndEndsInZero();
    void leadingNumber_data();
    void leadingNumber();
    void verboseOk_data();
    void verboseOk();
};

void TestLineCodec::applyParity_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::addRow("A odd") << 1 << QByteArray("A") << QByteArray("\xC1");
    QTest::addRow("A even") << 2 << QByteArray("A") << QByteArray("A");
    QTest::addRow("A none") << 0 << QByteArray("A") << QByteArray("A");
    QTest::addRow("CR odd") << 1 << QByteArray("\r") << QByteArray("\r");
    QTest::addRow("CR even") << 2 << QByteArray("\r") << QByteArray("\x8D");
    QTest::addRow("CR none") << 0 << QByteArray("\r") << QByteArray("\r");
    QTest::addRow("high bit cleared in none") << 0 << QByteArray("\xC1") << QByteArray("A");
    QTest::addRow("input bit 7 ignored in odd") << 1 << QByteArray("\xC1\x41") << QByteArray("\xC1\xC1");
    QTest::addRow("input bit 7 ignored in even") << 2 << QByteArray("\xC1\x41") << QByteArray("AA");
    QTest::addRow("0x00 odd") << 1 << QByteArray(1, '\0') << QByteArray("\x80");
    QTest::addRow("0x00 even") << 2 << QByteArray(1, '\0') << QByteArray(1, '\0');
    QTest::addRow("0x7F odd") << 1 << QByteArray("\x7F") << QByteArray("\x7F");
    QTest::addRow("0x7F even") << 2 << QByteArray("\x7F") << QByteArray("\xFF");
    QTest::addRow("ATS0? odd") << 1 << QByteArray("ATS0?\r") << QByteArray("\xC1\x54\xD3\xB0\xBF\x0D");
    QTest::addRow("ATS0? even") << 2 << QByteArray("ATS0?\r") << QByteArray("\x41\xD4\x53\x30\x3F\x8D");
    QTest::addRow("ATS0? none") << 0 << QByteArray("ATS0?\r") << QByteArray("\x41\x54\x53\x30\x3F\x0D");
    QTest::addRow("other mode 3 untouched") << 3 << QByteArray("\xC1\x00\xFF", 3) << QByteArray("\xC1\x00\xFF", 3);
    QTest::addRow("other mode -1 untouched") << -1 << QByteArray("A\x8D") << QByteArray("A\x8D");
    QTest::addRow("empty odd") << 1 << QByteArray() << QByteArray();
    QTest::addRow("empty none") << 0 << QByteArray() << QByteArray();
}

void TestLineCodec::applyParity()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(ApplyParity(mode, input).toHex(' '), expected.toHex(' '));
}

// Every code, both parity modes: the low seven bits survive and the eight bits hold the
// promised count of ones; stripping gives back the low seven bits.
void TestLineCodec::parityOnEveryCode()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int k = 0; k < 256; ++k)
        all[k] = char(k);
    const QByteArray odd = ApplyParity(ParityOdd, all);
    const QByteArray even = ApplyParity(ParityEven, all);
    const QByteArray none = ApplyParity(ParityNone, all);
    QCOMPARE(odd.size(), 256);
    for (int k = 0; k < 256; ++k) {
        const unsigned o = quint8(odd[k]), e = quint8(even[k]), n = quint8(none[k]);
        QCOMPARE(o & 0x7Fu, unsigned(k) & 0x7Fu);
        QCOMPARE(e & 0x7Fu, unsigned(k) & 0x7Fu);
        QCOMPARE(n, unsigned(k) & 0x7Fu);
        QCOMPARE(std::popcount(o) % 2, 1);
        QCOMPARE(std::popcount(e) % 2, 0);
    }
    QCOMPARE(StripParity(odd), StripParity(all));
    QCOMPARE(StripParity(even), none);
}

void TestLineCodec::stripParity_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addRow("parity replies read the same") << QByteArray("\x8D\xB0\x30") << QByteArray("\r00");
    QTest::addRow("plain text unchanged") << QByteArray("OK\r\n") << QByteArray("OK\r\n");
    QTest::addRow("nul and 0xFF kept, not dropped") << QByteArray("\x00\xFF", 2) << QByteArray("\x00\x7F", 2);
    QTest::addRow("empty") << QByteArray() << QByteArray();
}

void TestLineCodec::stripParity()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(StripParity(input), expected);
}

void TestLineCodec::exactlyZeroAndEndsInZero_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("exactlyZero");
    QTest::addColumn<bool>("endsInZero");
    QTest::addRow("0") << QByteArray("0") << true << true;
    QTest::addRow("00") << QByteArray("00") << false << true;
    QTest::addRow("blank 0") << QByteArray(" 0") << false << true;
    QTest::addRow("late LF 0") << QByteArray("\n0") << false << true;
    QTest::addRow("10") << QByteArray("10") << false << true;
    QTest::addRow("4") << QByteArray("4") << false << false;
    QTest::addRow("0 blank") << QByteArray("0 ") << false << false;
    QTest::addRow("empty") << QByteArray() << false << false;
    QTest::addRow("OK") << QByteArray("OK") << false << false;
}

void TestLineCodec::exactlyZeroAndEndsInZero()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, exactlyZero);
    QFETCH(bool, endsInZero);
    QCOMPARE(ReplyLine::isExactlyZero(line), exactlyZero);
    QCOMPARE(ReplyLine::endsInZero(line), endsInZero);
}

void TestLineCodec::leadingNumber_data()
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

void TestLineCodec::leadingNumber()
{
    QFETCH(QByteArray, line);
    QFETCH(int, number);
    QCOMPARE(int(ReplyLine::leadingNumber(line)), number);
}

void TestLineCodec::verboseOk_data()
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

void TestLineCodec::verboseOk()
{
    QFETCH(QByteArray, text);
    QFETCH(int, from);
    QFETCH(int, position);
    QCOMPARE(int(ReplyLine::findVerboseOk(text, from)), position);
}

QTEST_GUILESS_MAIN(TestLineCodec)
#include "tst_linecodec.moc"
