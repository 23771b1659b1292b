// SPDX-License-Identifier: GPL-3.0-or-later
#include "textutils.h"

#include <QTest>

using namespace TextUtils;

class TstTextUtils : public QObject
{
    Q_OBJECT
private slots:
    void takeToken_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("built-in list")
            << "V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0"
            << ";" << QStringList{"V0", "S0=#", "B0", "L2", "M1", "E0", "Y1", "N1", "&D0", "&S0"};
        QTest::newRow("empty text") << ""
                                    << ";" << QStringList{};
        QTest::newRow("one entry") << "ATZ"
                                   << ";" << QStringList{"ATZ"};
        QTest::newRow("trailing separator adds nothing") << "V0;"
                                                         << ";" << QStringList{"V0"};
        QTest::newRow("empty first and middle") << ";V0;;E0"
                                                << ";" << QStringList{"", "V0", "", "E0"};
        QTest::newRow("only separators") << ";;"
                                         << ";" << QStringList{"", ""};
        QTest::newRow("comma is no separator for ;") << "+MS=V#,0;E0"
                                                     << ";" << QStringList{"+MS=V#,0", "E0"};
        QTest::newRow("blanks kept") << " V0 ; E0"
                                     << ";" << QStringList{" V0 ", " E0"};
        QTest::newRow("two-character separator") << "a\r\nb\r\n"
                                                 << "\r\n"
                                                 << QStringList{"a", "b"};
        QTest::newRow("empty separator never matches") << "a;b"
                                                       << "" << QStringList{"a;b"};
    }
    // The callers loop until the text is empty: the loop must end and yield every entry.
    void takeToken()
    {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, tokens);
        QStringList got;
        while (!text.isEmpty() && got.size() <= tokens.size())
            got << TakeToken(text, separator);
        QCOMPARE(got, tokens);
        QVERIFY(text.isEmpty());
    }

    void replaceAll_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CRLF to CR") << "\r\n"
                                    << "\r"
                                    << "a\r\nb\r\n\r\n"
                                    << "a\rb\r\r";
        QTest::newRow("every occurrence, rest kept") << "+MS=V#"
                                                     << "+MS=V22"
                                                     << "+MS=V#,0;E0;+MS=V#"
                                                     << "+MS=V22,0;E0;+MS=V22";
        QTest::newRow("absent placeholder") << "S37=#"
                                            << "S37=9"
                                            << "V0;E0"
                                            << "V0;E0";
        QTest::newRow("empty search changes nothing") << ""
                                                      << "x"
                                                      << "abc"
                                                      << "abc";
        QTest::newRow("replacement holds the search") << "#"
                                                      << "##"
                                                      << "a#b#"
                                                      << "a##b##";
        QTest::newRow("overlapping, left to right") << "aa"
                                                    << "b"
                                                    << "aaa"
                                                    << "ba";
        QTest::newRow("replace by nothing") << ";"
                                            << ""
                                            << ";a;;b;"
                                            << "ab";
        QTest::newRow("case matters") << "at"
                                      << "AT"
                                      << "AT at"
                                      << "AT AT";
    }
    void replaceAll()
    {
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        ReplaceAll(search, replacement, target);
        QCOMPARE(target, expected);
    }

    // A 16-bit counter: its increment saturates, its text has no blanks.
    void counter_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("incremented");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << 1 << "0";
        QTest::newRow("ring count") << 12 << 13 << "12";
        QTest::newRow("minus one") << -1 << 0 << "-1";
        QTest::newRow("bottom") << -32768 << -32767 << "-32768";
        QTest::newRow("below top") << 32766 << 32767 << "32766";
        QTest::newRow("top saturates") << 32767 << 32767 << "32767";
    }
    void counter()
    {
        QFETCH(int, start);
        QFETCH(int, incremented);
        QFETCH(QString, text);
        qint16 index = qint16(start);
        QCOMPARE(NumberText(index), text);
        IncrementIndex(index);
        QCOMPARE(int(index), incremented);
    }

    void labelText_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("doubled ampersand") << "Enviando AT&&F"
                                           << "Enviando AT&F";
        QTest::newRow("access key") << "&Configurar"
                                    << "Configurar";
        QTest::newRow("no ampersand") << "inicializando..."
                                      << "inicializando...";
        QTest::newRow("three in a row") << "a&&&b"
                                        << "a&b";
        QTest::newRow("four in a row") << "&&&&"
                                       << "&&";
        QTest::newRow("lone at the end") << "fin&"
                                         << "fin";
        QTest::newRow("empty") << ""
                               << "";
    }
    void labelText()
    {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        QCOMPARE(LabelText(caption), shown);
    }

    // Every control character, and only those, at the edges of each range: printable text
    // (accented letters, the no-break space just past C1) stays as it is.
    void showControls()
    {
        QCOMPARE(ShowControls(QString()), QString());
        QCOMPARE(ShowControls(QStringLiteral("a\nb\r")), QStringLiteral("a<x0A>b<x0D>"));
        QCOMPARE(ShowControls(QString(QChar(0)) + QStringLiteral("\x1f \x7e\x7f")),
                 QStringLiteral("<x00><x1F> ~<x7F>"));
        QCOMPARE(ShowControls(QStringLiteral("\u0080\u009f\u00a0é\u2028")),
                 QStringLiteral("<x80><x9F>\u00a0é\u2028"));
    }
};

QTEST_GUILESS_MAIN(TstTextUtils)
#include "tst_textutils.moc"
