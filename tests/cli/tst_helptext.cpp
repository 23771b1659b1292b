// SPDX-License-Identifier: GPL-3.0-or-later
// --help: Spanish headings whatever Qt catalogues are installed (none is loaded here), and a
// layout help2man can read: names in one column, descriptions wrapped beside them.
#include "commandline.h"
#include "helptext.h"

#include <QTest>

class TestHelpText : public QObject
{
    Q_OBJECT
private slots:
    void layout()
    {
        QCommandLineOption hidden(QStringLiteral("secret"), QStringLiteral("no"));
        hidden.setFlags(QCommandLineOption::HiddenFromHelp);
        const QString longWord(70, u'x'); // wider than the room beside the names
        const QString text = HelpText::render(
            "prog", "a|b", "Hace algo.",
            {QCommandLineOption({"q", "quiet"}, QString("palabra ").repeated(30).trimmed()),
             QCommandLineOption("value", longWord, "N"), hidden},
            {{"orden", "a o b."}}, "Cola.\n");
        const QStringList lines = text.split(u'\n');
        QCOMPARE(lines.mid(0, 5),
                 (QStringList{"Uso: prog [opciones] a|b", "", "Hace algo.", "", "Opciones:"}));
        // Descriptions start two blanks after the longest name, "--value <N>".
        QVERIFY2(lines.at(5).startsWith("  -q, --quiet  palabra palabra"), qPrintable(text));
        int continued = 0;
        for (const QString &line : lines) {
            if (line.contains(longWord))
                QCOMPARE(line, "  --value <N>  " + longWord);
            else
                QVERIFY2(line.size() <= 79, qPrintable(line));
            continued += line.startsWith(QString(15, u' ') + "palabra");
        }
        QCOMPARE(continued, 3); // 8 words of 7 letters fill the 64 columns beside the names
        QCOMPARE(text.count("palabra"), 30);
        QVERIFY(!text.contains("secret"));
        QVERIFY(text.endsWith("\nArgumentos:\n  orden        a o b.\n\nCola.\n"));
    }

    // The real help, as help2man and a reader get it: Spanish headings, nothing of Qt's own.
    void commandLineHelp()
    {
        const CommandLine::Parsed parsed = CommandLine::parse({"./build/tavoli", "--help"});
        QCOMPARE(parsed.kind, CommandLine::Parsed::Kind::Help);
        QVERIFY(parsed.text.startsWith("Uso: tavoli [opciones] query|configure|"));
        for (const char *heading : {"\nOpciones:\n", "\nArgumentos:\n", "\nEstado de salida:\n",
                                    "\nEjemplos:\n", "  -v, --version "})
            QVERIFY2(parsed.text.contains(heading), heading);
        for (const char *english : {"Usage", "Options", "Arguments", "Displays", "*"})
            QVERIFY2(!parsed.text.contains(english), english);
    }
};

QTEST_GUILESS_MAIN(TestHelpText)
#include "tst_helptext.moc"
