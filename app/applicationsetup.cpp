// SPDX-License-Identifier: GPL-3.0-or-later
#include "applicationsetup.h"

#include "windowtexts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ApplicationSetup {

void InstallFormFontSubstitute()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

void InstallFontSubstitutes()
{
    InstallFormFontSubstitute();
    AvoidMonospaceApplicationFont();
}

void AvoidMonospaceApplicationFont()
{
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

bool GraphicalSessionNamed(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return true;
    }
    for (const char *name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

namespace {

QStringList *held = nullptr;

void holdOrEnd(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "tavoli: %s\n", qUtf8Printable(WindowTexts::NoGraphicalSession));
        std::_Exit(1); // nothing has been started that needs ending
    }
    held->append(qFormatLogMessage(type, context, message));
}

} // namespace

NoDisplayGuard::NoDisplayGuard()
{
    held = &m_held;
    qInstallMessageHandler(holdOrEnd);
}

NoDisplayGuard::~NoDisplayGuard()
{
    qInstallMessageHandler(nullptr);
    held = nullptr;
    for (const QString &line : std::as_const(m_held))
        std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

} // namespace ApplicationSetup
