// SPDX-License-Identifier: GPL-3.0-or-later
// Tavoli: prepares a Hayes modem on a serial port to answer calls by itself.
// Without arguments (or with only --log FILE) it opens the window; with a command
// (`tavoli query --device ...`, see CommandLine) it runs without one, on QCoreApplication.
// The lines and the commands are in the lines' module (LinesModule), loaded when first needed.
#include "applicationsetup.h"
#include "clitexts.h"
#include "commandline.h"
#include "extras.h"
#include "firstframe.h"
#include "form1.h"
#include "linesmodule.h"
#include "signalpipe.h"
#include "stylepixmaps.h"
#include "windowtexts.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <optional>

#ifndef TAVOLI_VERSION
#define TAVOLI_VERSION "0"
#endif

namespace {

void complain(const QString &message)
{
    std::fprintf(stderr, "tavoli: %s\n", qUtf8Printable(message));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // A reader that goes away (of the --log FIFO, of stdout) is a failed write to be dealt
    // with, not the end of the program with its dialogues half done.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVOLI_VERSION));
    if (CommandLine::wantsCommand(argumentList(argc, argv))) {
        // No display needed: the commands never make a window.
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tavoli"));
        ApplicationSetup::InstallQtTranslations(app);
        return LinesModule::runCommands(QCoreApplication::arguments());
    }

    if (!ApplicationSetup::GraphicalSessionNamed(argc, argv)) {
        complain(WindowTexts::NoGraphicalSession);
        return 1;
    }
    std::optional<ApplicationSetup::NoDisplayGuard> noDisplay(std::in_place);
    QApplication app(argc, argv);
    noDisplay.reset();
    QApplication::setApplicationName(QStringLiteral("Tavoli"));
    QGuiApplication::setDesktopFileName(QStringLiteral("es.tavoli.tavoli"));
    ApplicationSetup::InstallFormFontSubstitute();
    StylePixmaps::preloadGroupBoxFrame();
    // From here on a signal waits in its pipe until the window can act on it.
    SignalPipe signalPipe;

    // --help goes to the command mode, whose help tells of the window too.
    QCommandLineParser parser;
    const QCommandLineOption logOption(QStringLiteral("log"), WindowTexts::TranscriptLogOption,
                                       WindowTexts::TranscriptLogValue);
    parser.addOption(logOption);
    if (!parser.parse(QApplication::arguments())) {
        complain(parser.errorText());
        std::fprintf(stderr, "%s\n", qUtf8Printable(CliTexts::SeeHelp));
        return CommandLine::ExitUsage;
    }

    // The window carries its own icon (from its form); the program ends when it closes.
    Form1 window; // with the lines of LineAccess::standard(): the module, loaded when needed
    if (parser.isSet(logOption)) {
        // Refused before the window shows: a transcript asked for and not kept is no use.
        const Outcome opened = window.transcript().openLogFile(parser.value(logOption));
        if (!opened) {
            complain(opened.message());
            return CommandLine::ExitUsage;
        }
        QObject::connect(&window.transcript(), &Transcript::logFileFailed, &window, complain);
    }
    Extras::install(window);
    // What the window does not show waits until it is on screen (after the benchmark's probe).
    FirstFrame::afterPainted(&window, [&app] {
        ApplicationSetup::InstallQtTranslations(app);
        ApplicationSetup::AvoidMonospaceApplicationFont();
    });
    FirstFrame::reportWhenPainted(&window);
    // Asked to end (logout, kill, Ctrl+C in its terminal): as if the window were closed, so a
    // running dialogue ends and its port's lock file goes, with the signal's status.
    QObject::connect(&signalPipe, &SignalPipe::caught, &window, [&window](int signal) {
        window.close();
        QCoreApplication::exit(SignalPipe::exitStatus(signal));
    });
    window.show();
    return app.exec();
}
