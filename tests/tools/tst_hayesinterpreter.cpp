// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated modem's command set on its own: command lines in, reply texts out, no line.
#include "hayesinterpreter.h"

#include <QByteArray>
#include <QList>
#include <QtTest>

using B = QByteArray;
using Script = QList<B>; // command line (bit 7 clear, no CR), expected reply, ...

class TestHayesInterpreter : public QObject
{
    Q_OBJECT

private slots:
    // Options: "verbose", "crlf" (V0 framed in CR LF), "errorOn=X", "silentOn=X",
    // "noResultOn=X", "floodAfter=X", "hangupAfter=X" (fault patterns match the whole line, with
    // or without "AT", in any letter case). A line that floods or hangs up gets "<flood>" or
    // "<hang-up>" after its reply.
    void replies_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<Script>("script");
        QTest::newRow("numeric results, prefix and junk before it")
            << "" << Script{"AT",   "0\r", "at",    "0\r", "At",   "0\r",
                            "xyAT", "0\r", "hello", "",    "ATX9", "4\r"};
        QTest::newRow("verbose results and information text")
            << "verbose"
            << Script{"AT",   "\r\nOK\r\n",    "ATS0?",  "\r\n000\r\n\r\nOK\r\n",
                      "ATX9", "\r\nERROR\r\n", "AT+MS?", "\r\n+MS: V34,1\r\n\r\nOK\r\n"};
        QTest::newRow("S-registers")
            << "" << Script{"ATS0=2",   "0\r",       "ATS0?",      "002\r\n0\r", "ATS37=9",
                            "0\r",      "ATS37?",    "009\r\n0\r", "ATS0=255",   "0\r",
                            "ATS0=256", "4\r",       "ATS0?",      "255\r\n0\r", "ATS256=1",
                            "4\r",      "ATS0=7S0?", "007\r\n0\r", "AT S0 = 12", "0\r",
                            "ATS0?",    "012\r\n0\r"};
        QTest::newRow("unknown command aborts the rest of the line")
            << "" << Script{"ATS0=5JS0=6", "4\r", "ATS0?", "005\r\n0\r", "ATE2",   "4\r",
                            "ATL4",        "4\r", "AT&Q7", "4\r",        "AT&Z",   "4\r",
                            "AT+XY",       "4\r", "ATZ1",  "4\r",        "ATS0=#", "4\r"};
        QTest::newRow("quiet keeps information text")
            << "" << Script{"ATQ1", "", "ATS0?", "000\r\n", "ATX9", "", "ATQ0", "0\r"};
        QTest::newRow("chipset list bodies") << ""
                                             << Script{"AT&F0E0Q0V0",
                                                       "0\r",
                                                       "ATV0",
                                                       "0\r",
                                                       "ATS0=1",
                                                       "0\r",
                                                       "ATB0",
                                                       "0\r",
                                                       "ATL2",
                                                       "0\r",
                                                       "ATM1",
                                                       "0\r",
                                                       "ATE0",
                                                       "0\r",
                                                       "ATY1",
                                                       "0\r",
                                                       "AT&Q5",
                                                       "0\r",
                                                       "ATN0",
                                                       "0\r",
                                                       "ATS37=9",
                                                       "0\r",
                                                       "AT&D0",
                                                       "0\r",
                                                       "AT&S0",
                                                       "0\r",
                                                       "ATN1",
                                                       "0\r",
                                                       "ATB1L0M3X4&C1&D3&S1&Q0Y0H0&C",
                                                       "0\r",
                                                       "AT+MS=V22B,0",
                                                       "0\r",
                                                       "AT+MS?",
                                                       "+MS: V22B,0\r\n0\r",
                                                       "ATQ1",
                                                       "",
                                                       "AT&W0",
                                                       "",
                                                       "AT",
                                                       ""};
        QTest::newRow("identity, refused inquiries, profile listing")
            << "" << Script{"ATI3",   "Zoom V.92 External Modem 3049C\r\n0\r",
                            "ATI7",   "4\r",
                            "ATI10",  "4\r",
                            "AT+GMI", "Zoom Telephonics, Inc.\r\n0\r",
                            "AT+GMX", "4\r",
                            "ATI4",   "a007080284010000\r\nbc60000000\r\n20000000\r\n0\r"};
        QTest::newRow("identity, verbose")
            << "verbose" << Script{"ATI0", "\r\n56000\r\n\r\nOK\r\n"};
        QTest::newRow("error on, two patterns, without prefix")
            << "errorOn=AT errorOn=S37=9"
            << Script{"AT", "4\r", "ATS37=9", "4\r", "ATS37?", "000\r\n0\r"};
        QTest::newRow("error on, any case") << "errorOn=ats37=9" << Script{"ATs37=9", "4\r"};
        QTest::newRow("error on, verbose")
            << "verbose errorOn=ATS37=9" << Script{"ATS37=9", "\r\nERROR\r\n"};
        QTest::newRow("error on leaves other lines alone")
            << "errorOn=S37=9" << Script{"ATS37=8", "0\r", "ATS37?", "008\r\n0\r"};
        QTest::newRow("silent on: no reply, no effect")
            << "silentOn=S37=9" << Script{"ATS37=9", "", "ATS37?", "000\r\n0\r"};
        QTest::newRow("no result on") << "noResultOn=ATS37?" << Script{"ATS37?", "000\r\n"};
        QTest::newRow("no result on, verbose: applied")
            << "verbose noResultOn=S37=9"
            << Script{"ATS37=9", "", "ATS37?", "\r\n009\r\n\r\nOK\r\n"};
        QTest::newRow("numeric results framed in CR LF")
            << "crlf errorOn=S37=9"
            << Script{"AT",   "\r\n0\r\n", "ATS0?",   "\r\n000\r\n\r\n0\r\n",
                      "ATX9", "\r\n4\r\n", "ATS37=9", "\r\n4\r\n",
                      "ATV1", "\r\nOK\r\n"};
        QTest::newRow("flood instead of carrying out the line")
            << "floodAfter=S0=5" << Script{"ATS0=5", "<flood>", "ATS0?", "000\r\n0\r"};
        QTest::newRow("hang up after the reply, even a quiet one")
            << "hangupAfter=S0=1"
            << Script{"ATS0=1", "0\r<hang-up>", "ATQ1", "", "ATS0=1", "<hang-up>"};
    }
    void replies()
    {
        QFETCH(QString, options);
        QFETCH(Script, script);
        HayesPowerOn powerOn;
        HayesFaults faults;
        for (const QString &token : options.split(' ', Qt::SkipEmptyParts)) {
            const std::string pattern = token.section('=', 1).toStdString();
            powerOn.verbose = powerOn.verbose || token == "verbose";
            powerOn.numericCrLf = powerOn.numericCrLf || token == "crlf";
            const QString fault = token.section('=', 0, 0);
            if (fault == "errorOn")
                faults.errorOn.push_back(pattern);
            else if (fault == "silentOn")
                faults.silentOn.push_back(pattern);
            else if (fault == "noResultOn")
                faults.noResultOn.push_back(pattern);
            else if (fault == "floodAfter")
                faults.floodAfter = pattern;
            else if (fault == "hangupAfter")
                faults.hangupAfter = pattern;
        }
        HayesInterpreter modem(powerOn, faults);
        for (qsizetype i = 0; i + 1 < script.size(); i += 2) {
            const HayesAnswer answer = modem.answer(script[i].toStdString());
            const B got = B::fromStdString(answer.reply) + (answer.flood ? "<flood>" : "")
                          + (answer.hangUp ? "<hang-up>" : "");
            QVERIFY2(got == script[i + 1],
                     qPrintable(QStringLiteral("after %1: got %2, expected %3")
                                    .arg(QString::fromLatin1(script[i]),
                                         QString::fromLatin1(got.toPercentEncoding()),
                                         QString::fromLatin1(script[i + 1].toPercentEncoding()))));
        }
    }

    // What the modem reports of its state (the tests of the dialogue read it back this way).
    void commandsChangeTheModemState()
    {
        HayesInterpreter modem;
        QCOMPARE(modem.answer("ATS0=2S37=9&D0&Q5B0+MS=V22,0").reply, std::string("0\r"));
        QCOMPARE(modem.registerValue(0), 2);
        QCOMPARE(modem.registerValue(37), 9);
        QCOMPARE(modem.setting("&D"), 0);
        QCOMPARE(modem.setting("&q"), 5);
        QCOMPARE(modem.setting("B"), 0);
        QCOMPARE(modem.setting("W"), -1);
        QCOMPARE(modem.active().modulation, std::string("V22,0"));
        QCOMPARE(modem.storedRegister(0), 0);
        QCOMPARE(modem.answer("ATQ1&W0").reply, std::string());
        QCOMPARE(modem.storedRegister(37), 9);
        QVERIFY(modem.active().quiet);
        QCOMPARE(modem.answer("AT&F").reply, std::string("\r\nOK\r\n"));
        QVERIFY(modem.active().echo && modem.active().verbose && !modem.active().quiet);
        QCOMPARE(modem.registerValue(0), 0);
        QCOMPARE(modem.storedRegister(0), 2);
        QCOMPARE(modem.setting("&D"), 2);
    }
};

QTEST_GUILESS_MAIN(TestHayesInterpreter)
#include "tst_hayesinterpreter.moc"
