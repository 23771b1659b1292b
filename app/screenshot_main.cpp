// Renders the program's windows into PNG files on Qt's offscreen platform, for the docs.
// Usage: tavoli-screenshots MAIN_WINDOW.png [EDITOR.png]
// The editor shows the list stored in the working directory (the built-in list when none is).
#include "applicationsetup.h"
#include "cfglis.h"
#include "form1.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

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
        std::fprintf(stderr, "Uso: tavoli-screenshots VENTANA_PRINCIPAL.png [EDITOR.png]\n");
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
    return 0;
}
