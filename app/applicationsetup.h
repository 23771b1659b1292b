// What the program sets up once, before its first window: font substitutes and Qt's own
// Spanish texts. Shared by the program and the screenshot tool so both look the same.
#pragma once

class QCoreApplication;

namespace ApplicationSetup {

// The forms ask for "MS Sans Serif"; where it is missing Liberation Sans has the same metrics
// class and keeps the captions inside their boxes. Qt's own boxes and menus use the
// application font, "Sans Serif": where fontconfig finds no sans-serif family for it (only
// Liberation fonts installed), it falls on Liberation Mono, so a proportional family that is
// installed takes its place. Call once the application exists.
void InstallFontSubstitutes();
// Qt's standard buttons, dialogs and command-line messages in Spanish ("Aceptar"), whatever
// the system language.
void InstallQtTranslations(QCoreApplication &app);

} // namespace ApplicationSetup
