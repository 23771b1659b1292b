// SPDX-License-Identifier: GPL-3.0-or-later
// What the command list editor says in its own words.
#pragma once

#include <QString>

namespace EditorTexts {

inline const QString EditorCaption = QStringLiteral("Comandos");
inline const QString EditorListUnreadable = QStringLiteral(
    "La ventana no muestra la lista guardada, y no guardará nada sobre ese archivo.");
inline const QString EditorWillNotSave = QStringLiteral(
    "No se ha guardado nada: el archivo no se pudo leer al abrir esta ventana y guardar lo "
    "sobrescribiría. Corrija el archivo y vuelva a abrir la ventana, o cancele.");
// Another program or window saved the list after this window read it; %1 is the file.
inline const QString ListChangedMeanwhile = QStringLiteral(
    "La lista de comandos de %1 ha cambiado desde que se abrió esta ventana: otro programa u "
    "otra ventana la ha guardado.\n¿Guardar esta lista en su lugar?\nSi contesta que no, la "
    "ventana sigue abierta; ciérrela sin guardar y ábrala de nuevo para ver la lista guardada.");
// Saving the command list; %1 is the file, %2 why (StoreTexts::whyNotSaved).
inline const QString SaveFailed =
    QStringLiteral("No se ha podido guardar la lista de comandos en %1:\n%2");

} // namespace EditorTexts
