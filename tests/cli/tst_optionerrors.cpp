// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line says of options Qt's parser refuses: its own Spanish, found from the
// arguments themselves, never the parser's English.
#include "clitexts.h"
#include "commandline.h"

#include <QTest>

class TestOptionErrors : public QObject
{
    Q_OBJECT
private slots:
    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after "tavoli query --device /dev/null"
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown long") << QStringList{"--fast"} << "Opción desconocida: --fast.";
        QTest::newRow("unknown, with a value, and short among known ones")
            << QStringList{"--fast=3", "-hxv"} << "Opciones desconocidas: --fast, -x.";
        QTest::newRow("value missing at the end")
            << QStringList{"--log"} << "Falta el valor de --log: se escribe --log ARCHIVO.";
        // The parser reports a value before unknown options.
        QTest::newRow("value missing after an unknown option")
            << QStringList{"--fast", "--speed"}
            << "Falta el valor de --speed: se escribe --speed BAUDIOS.";
        QTest::newRow("value given to a switch")
            << QStringList{"--verify=yes"}
            << "--verify no lleva valor: quite el \"=\" y lo que le sigue.";
        QTest::newRow("value given to a short switch")
            << QStringList{"-h="} << "-h no lleva valor: quite el \"=\" y lo que le sigue.";
    }
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CommandLine::Parsed parsed =
            CommandLine::parse(QStringList{"tavoli", "query", "--device", "/dev/null"} + arguments);
        QCOMPARE(parsed.kind, CommandLine::Parsed::Kind::UsageError);
        QCOMPARE(parsed.text, message);
        QCOMPARE(parsed.request.action, CommandLine::Action::Query);
    }

    // What the parser takes is no error here: a value that looks like an option, options after
    // "--" (then the command's extra word), a lone "-".
    void accepted()
    {
        using Kind = CommandLine::Parsed::Kind;
        QCOMPARE(CommandLine::parse({"tavoli", "query", "--log", "--fast", "--device", "/dev/null"})
                     .kind,
                 Kind::Run);
        QCOMPARE(
            CommandLine::parse({"tavoli", "query", "--device", "/dev/null", "--", "--fast"}).text,
            CliTexts::ExtraArgument.arg("--fast"));
        QCOMPARE(CommandLine::parse({"tavoli", "query", "-", "--device", "/dev/null"}).text,
                 CliTexts::ExtraArgument.arg("-"));
    }
};

QTEST_GUILESS_MAIN(TestOptionErrors)
#include "tst_optionerrors.moc"
