// SPDX-License-Identifier: GPL-3.0-or-later
// Software parity: the port runs 8N1 and bit 7 of each byte carries the parity of the low seven.
#pragma once

#include "linesettings.h"

#include <QByteArray>

namespace LineCodec {

// Each byte keeps bits 0-6; bit 7 becomes the parity bit of the mode (0 for none).
// Any other value passes the bytes unchanged.
QByteArray ApplyParity(Parity parity, const QByteArray &text);
// One byte of ApplyParity.
char WithParity(Parity parity, char byte);
// Clears bit 7 of every byte; received parity is never checked.
QByteArray StripParity(const QByteArray &text);
// The same, in place, on the bytes of `text` from `from` on.
void StripParity(QByteArray &text, qsizetype from);

} // namespace LineCodec
