// Tavoli: prepares a Hayes modem on a serial port to answer calls by itself.
#include "applicationsetup.h"
#include "extras.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavoli"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavoli"));
    ApplicationSetup::InstallQtTranslations(app);
    ApplicationSetup::InstallFontSubstitutes();

    // The window carries its own icon (from its form); the program ends when it closes.
    Form1 window;
    Extras::install(window);
    window.show();
    return app.exec();
}
