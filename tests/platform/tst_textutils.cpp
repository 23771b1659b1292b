#include "textutils.h"

#include <QTest>

using namespace TextUtils;

class TstTextUtils : public QObject
{
    Q_OBJECT
private slots:
    void takeTokenSplitsLikeTheCallers_data();
    void takeTokenSplitsLikeTheCallers();
    void takeTokenOnLastEntry();
    void replaceAll_data();
    void replaceAll();
    void incrementIndex_data();
    void incrementIndex();
    void numberText_data();
    void numberText();
    void labelText_data();
    void labelText();
};

void TstTextUtils::takeTokenSplitsLikeTheCallers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("tokens");

    QTest::newRow("built-in list") << "V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0" << ";"
                                   << QStringList{"V0", "S0=#", "B0", "L2", "M1", "E0", "Y1",
                                                  "N1", "&D0", "&S0"};
    QTest::newRow("empty text") << "" << ";" << QStringList{};
    QTest::newRow("one entry") << "ATZ" << ";" << QStringList{"ATZ"};
    QTest::newRow("trailing separator adds nothing") << "V0;" << ";" << QStringList{"V0"};
    QTest::newRow("leading separator") << ";V0" << ";" << QStringList{"", "V0"};
    QTest::newRow("empty in the middle") << "V0;;E0" << ";" << QStringList{"V0", "", "E0"};
    QTest::newRow("only separators") << ";;" << ";" << QStringList{"", ""};
    QTest::newRow("comma is no separator for ;") << "+MS=V#,0;E0" << ";"
                                                 << QStringList{"+MS=V#,0", "E0"};
    QTest::newRow("comma separator") << "+MS=V#,0" << "," << QStringList{"+MS=V#", "0"};
    QTest::newRow("blanks kept") << " V0 ; E0" << ";" << QStringList{" V0 ", " E0"};
    QTest::newRow("separator of two characters") << "a\r\nb\r\n" << "\r\n"
                                                 << QStringList{"a", "b"};
}

// The callers loop until the text is empty: the loop must end and yield every entry.
void TstTextUtils::takeTokenSplitsLikeTheCallers()
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

void TstTextUtils::takeTokenOnLastEntry()
{
    QString text = QStringLiteral("&S0");
    QCOMPARE(TakeToken(text, QStringLiteral(";")), QStringLiteral("&S0"));
    QCOMPARE(text, QString());

    text = QStringLiteral("E0;&S0");
    QCOMPARE(TakeToken(text, QStringLiteral(";")), QStringLiteral("E0"));
    QCOMPARE(text, QStringLiteral("&S0"));

    // An empty separator never matches: the whole text is the token.
    text = QStringLiteral("a;b");
    QCOMPARE(TakeToken(text, QString()), QStringLiteral("a;b"));
    QVERIFY(text.isEmpty());
}

void TstTextUtils::replaceAll_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expected");

    QTest::newRow("CRLF to CR") << "\r\n" << "\r" << "a\r\nb\r\n\r\n" << "a\rb\r\r";
    QTest::newRow("ring placeholder, every occurrence")
        << "S0=#" << "S0=12" << "V0;S0=#;B0;S0=#" << "V0;S0=12;B0;S0=12";
    QTest::newRow("modulation placeholder keeps the rest")
        << "+MS=V#" << "+MS=V22" << "E0;+MS=V#,0" << "E0;+MS=V22,0";
    QTest::newRow("absent placeholder") << "S37=#" << "S37=9" << "V0;E0" << "V0;E0";
    QTest::newRow("empty search changes nothing") << "" << "x" << "abc" << "abc";
    QTest::newRow("replacement holds the search") << "#" << "##" << "a#b#" << "a##b##";
    QTest::newRow("overlapping, left to right") << "aa" << "b" << "aaa" << "ba";
    QTest::newRow("replace by nothing") << ";" << "" << ";a;;b;" << "ab";
    QTest::newRow("case matters") << "at" << "AT" << "AT at" << "AT AT";
}

void TstTextUtils::replaceAll()
{
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QString, target);
    QFETCH(QString, expected);

    ReplaceAll(search, replacement, target);
    QCOMPARE(target, expected);
}

void TstTextUtils::incrementIndex_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::newRow("zero") << 0 << 1;
    QTest::newRow("minus one") << -1 << 0;
    QTest::newRow("bottom") << -32768 << -32767;
    QTest::newRow("below top") << 32766 << 32767;
    QTest::newRow("top saturates") << 32767 << 32767;
}

void TstTextUtils::incrementIndex()
{
    QFETCH(int, start);
    QFETCH(int, expected);
    qint16 index = qint16(start);
    IncrementIndex(index);
    QCOMPARE(int(index), expected);
}

void TstTextUtils::numberText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("ring count") << 12 << "12";
    QTest::newRow("negative") << -5 << "-5";
    QTest::newRow("top") << 32767 << "32767";
    QTest::newRow("bottom") << -32768 << "-32768";
}

void TstTextUtils::numberText()
{
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(NumberText(qint16(value)), expected);
}

void TstTextUtils::labelText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("doubled ampersand") << "Enviando AT&&F" << "Enviando AT&F";
    QTest::newRow("access key") << "&Configurar" << "Configurar";
    QTest::newRow("no ampersand") << "inicializando..." << "inicializando...";
    QTest::newRow("three in a row") << "a&&&b" << "a&b";
    QTest::newRow("four in a row") << "&&&&" << "&&";
    QTest::newRow("lone at the end") << "fin&" << "fin";
    QTest::newRow("empty") << "" << "";
}

void TstTextUtils::labelText()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QCOMPARE(LabelText(caption), shown);
}

QTEST_GUILESS_MAIN(TstTextUtils)
#include "tst_textutils.moc"
