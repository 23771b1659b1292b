// SPDX-License-Identifier: GPL-3.0-or-later
// What the program sets up once, around its first window: font substitutes and Qt's own
// Spanish texts. Shared by the program and the screenshot tool so both look the same.
// All of it on the program's main thread, where its application object is made.
#pragma once

#include <QStringList>

class QCoreApplication;

namespace ApplicationSetup {

// The forms ask for "MS Sans Serif"; where it is missing Liberation Sans has the same metrics
// class and keeps the captions inside their boxes. Before the first window.
void InstallFormFontSubstitute();
// Qt's own boxes and menus use the application font, "Sans Serif": where fontconfig finds no
// sans-serif family for it (only Liberation fonts installed), it falls on Liberation Mono, so a
// proportional family that is installed takes its place. The forms have fonts of their own: the
// program does this once its window is on screen, sparing the first frame a font it does not
// show.
void AvoidMonospaceApplicationFont();
// Both, once the application exists.
void InstallFontSubstitutes();
// Qt's standard buttons, dialogs and command-line messages in Spanish ("Aceptar"), whatever
// the system language. The main window shows none of them: the program installs them once it
// is on screen.
void InstallQtTranslations(QCoreApplication &app);

// Whether a window has anywhere to go: a platform named (QT_QPA_PLATFORM, -platform) or a
// Wayland or X display. Without one, Qt would abort with a message of its own.
bool GraphicalSessionNamed(int argc, char *argv[]);

// While it lives (around the QApplication's construction), a display that cannot be reached
// ends the program with NoGraphicalSession on stderr and status 1, where Qt would abort with
// its own lines and status 134. Qt's other messages meanwhile are held and written when it
// ends.
class NoDisplayGuard
{
public:
    NoDisplayGuard();
    ~NoDisplayGuard();
    NoDisplayGuard(const NoDisplayGuard &) = delete;
    NoDisplayGuard &operator=(const NoDisplayGuard &) = delete;

private:
    QStringList m_held;
};

} // namespace ApplicationSetup
