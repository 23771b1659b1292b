// SPDX-License-Identifier: GPL-3.0-or-later
// Pure tests on the modem's reply lines. A line is the text before its carriage return, already
// stripped of parity; it may begin with a line feed left over from the line before it.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace ReplyLine {

// A line feed at the front of a line is the tail of the previous line end, split from its
// carriage return by the way the bytes arrived; it carries nothing.
QByteArray withoutLeadingLineFeeds(const QByteArray &line);

// The line is the single character "0" (the numeric result code for success).
bool isExactlyZero(const QByteArray &line);

// The modem's error result, numeric ("4") or verbose ("ERROR").
bool isRefusal(const QByteArray &line);

// The character just before the carriage return is "0". An empty line has no such character
// and does not end in zero.
bool endsInZero(const QByteArray &line);

// The leading decimal number of a line: blanks, tabs and line feeds at its front are skipped,
// then an optional sign and the digits up to the first other character ("002" reads 2,
// "2.5" reads 2). A line without a leading number reads 0. Values beyond 16 bits are held at
// -32768 or 32767 so that an oversized reply never wraps round into a small, valid-looking one.
qint16 leadingNumber(const QByteArray &line);
// Whether the line has a number where leadingNumber() looks for one: its 0 for a line without
// one is no reading of a register.
bool hasLeadingNumber(const QByteArray &line);

// Position of the first "OK" immediately followed by a carriage return at or after `from`
// (exact, upper case), or -1.
qsizetype findVerboseOk(const QByteArray &text, qsizetype from = 0);

} // namespace ReplyLine
