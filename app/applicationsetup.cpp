#include "applicationsetup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace ApplicationSetup {

void InstallFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));

    QFont font = QApplication::font();
    if (!QFontInfo(font).fixedPitch())
        return; // the desktop's own choice, left alone
    // DejaVu Sans first: the screenshots' boxes are drawn with it.
    for (const QString &family :
         {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamilies({family});
            QApplication::setFont(font);
            return;
        }
    }
}

void InstallQtTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_es"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator; // English buttons are the only consequence
}

} // namespace ApplicationSetup
