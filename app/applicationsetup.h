// What the program sets up once, before its first window: font substitutes and Qt's own
// Spanish texts. Shared by the program and the screenshot tool so both look the same.
#pragma once

class QCoreApplication;

namespace ApplicationSetup {

// The forms ask for "MS Sans Serif"; where it is missing Liberation Sans has the same metrics
// class and keeps the captions inside their boxes.
void InstallFontSubstitutes();
// Qt's standard buttons, dialogs and command-line messages in Spanish ("Aceptar"), whatever
// the system language.
void InstallQtTranslations(QCoreApplication &app);

} // namespace ApplicationSetup
