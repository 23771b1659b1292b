// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program's windows into PNG files on Qt's offscreen platform, for the docs.
// Usage: tavoli-screenshots MAIN_WINDOW.png [EDITOR.png [PORTS.png [TRANSCRIPT.png
//        [IDENTIFICATION.png]]]]
// The editor shows the list stored in the working directory (the built-in list when none is).
// The ports window lists the machine's own ports (never opened) and a pseudo-terminal made for
// the picture, added by hand and put on port 1 as TAVOLI_COM1.
// The transcript shows a real query, with odd parity, of the simulated modem; the
// identification window what the simulated modem, stored quiet, says about itself.
#include "applicationsetup.h"
#include "cfglis.h"
#include "form1.h"
#include "hayesmodem.h"
#include "identificationwindow.h"
#include "portswindow.h"
#include "transcriptwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool save(QWidget &window, const QString &path)
{
    window.show();
    QApplication::processEvents();
    const QPixmap picture = window.grab();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "No se ha podido guardar %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Starts the simulated modem and makes it port 1.
bool putOnPort1(HayesModem &modem)
{
    std::string why;
    if (!modem.start(&why)) {
        std::fprintf(stderr, "No se ha podido poner en marcha el modem simulado: %s\n",
                     why.c_str());
        return false;
    }
    qputenv("TAVOLI_COM1", QByteArray::fromStdString(modem.devicePath()));
    return true;
}

bool saveTranscript(const QString &path)
{
    HayesOptions options; // as it comes out of the box, echo and word results on
    options.echo = true;
    options.verbose = true;
    options.registers = {{0, 2}, {37, 9}};
    options.replyParity = 1;
    HayesModem modem(options);
    if (!putOnPort1(modem))
        return false;
    Form1 window;
    window.show();
    window.findChild<QRadioButton *>(QStringLiteral("OpOdd"))->setChecked(true);
    QEventLoop loop;
    QObject::connect(&window, &Form1::stateChanged, &loop, [&loop](qint16 state) {
        if (state == Dialogue::Idle)
            loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    window.Pregunto_Click();
    loop.exec();
    const bool saved = save(*TranscriptWindow::showFor(window.transcript(), &window), path);
    modem.stop();
    return saved;
}

bool saveIdentification(const QString &path)
{
    HayesOptions options;
    options.quiet = true; // as a configuration leaves it
    HayesModem modem(options);
    if (!putOnPort1(modem))
        return false;
    Form1 window;
    window.show();
    bool saved = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *shown = qobject_cast<IdentificationWindow *>(QApplication::activeModalWidget());
        if (!shown)
            return;
        poll.stop();
        saved = save(*shown, path);
        shown->reject();
    });
    poll.start();
    QEventLoop loop;
    QObject::connect(&window, &Form1::stateChanged, &loop, [&loop](qint16 state) {
        if (state == Dialogue::Idle)
            loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    window.identifyModem();
    loop.exec();
    modem.stop();
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ApplicationSetup::InstallQtTranslations(app);
    ApplicationSetup::InstallFontSubstitutes();

    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "Uso: tavoli-screenshots VENTANA_PRINCIPAL.png [EDITOR.png "
                             "[PUERTOS.png [REGISTRO.png [IDENTIFICACION.png]]]]\n");
        return 2;
    }
    Form1 mainWindow;
    if (!save(mainWindow, args.at(1)))
        return 1;
    if (args.size() > 2) {
        cfglis editor;
        if (!save(editor, args.at(2)))
            return 1;
    }
    if (args.size() > 3) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char *slave = master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0
                                ? ::ptsname(master)
                                : nullptr;
        if (!slave) {
            std::fprintf(stderr, "No se ha podido crear un pseudoterminal\n");
            return 1;
        }
        qputenv("TAVOLI_COM1", slave);
        PortsWindow ports;
        const bool added = ports.addTyped(QString::fromLocal8Bit(slave));
        const bool saved = added && save(ports, args.at(3));
        ::close(master);
        if (!saved)
            return 1;
    }
    if (args.size() > 4 && !saveTranscript(args.at(4)))
        return 1;
    if (args.size() > 5 && !saveIdentification(args.at(5)))
        return 1;
    return 0;
}
