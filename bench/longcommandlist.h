// SPDX-License-Identifier: GPL-3.0-or-later
// The stored command list the benchmark configures with: many short AT bodies the modem takes
// with "0", placeholders included, so every step is an ordinary list step.
#pragma once

#include <QString>

namespace LongCommandList {

// `entries` bodies joined by ";".
QString make(int entries);
// Stores the list where the program reads it: <cwd>/<executable base name>.INI, section named
// after the executable, key CmdAT. Returns "" or the store's reason.
QString store(const QString &list);

} // namespace LongCommandList
