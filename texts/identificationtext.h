// SPDX-License-Identifier: GPL-3.0-or-later
// What the modem said about itself, as text a technician reads, and the chipset family its
// answers point to.
#pragma once

#include "identification.h"

#include <QString>

namespace IdentificationText {

// Each command on a line of its own, then its answer lines indented, or how it ended.
// Control characters are shown as <xNN>.
QString format(const Identification &result);

// "Rockwell", "Motorola" or "Zoom" when an answer names a family the command list editor has a
// list for; empty otherwise.
QString chipsetFamily(const Identification &result);

// The line a technician reads: which editor list to try, or empty.
QString suggestion(const Identification &result);

// How long a silent inquiry was waited for, as the answer's note says it.
QString silent(const IdentificationAnswer &answer);

// One answer line with its control characters shown visibly.
QString visible(const QString &line);

} // namespace IdentificationText
