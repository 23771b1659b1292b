// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader announces for the main window's controls that show a value without a
// caption of their own; the value itself follows as the description.
#pragma once

#include <QString>

namespace AccessibleTexts {

inline const QString RingsRead = QStringLiteral("Número de rings leído del modem");
inline const QString SpeedRead = QStringLiteral("Velocidad fijada leída del modem");
inline const QString StatusLine = QStringLiteral("Línea de estado");

} // namespace AccessibleTexts
