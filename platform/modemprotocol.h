// SPDX-License-Identifier: GPL-3.0-or-later
// The modem protocol: the commands sent, the replies understood, the stored command lists with
// their placeholders.
#pragma once

#include <QString>
#include <array>

namespace ModemProtocol {

// Commands sent to the modem (without the carriage return).
inline const QString CmdPrefix = QStringLiteral("AT");
inline const QString CmdQueryWake = QStringLiteral("ATE0Q0V0");
inline const QString CmdQueryRings = QStringLiteral("ATS0?");
inline const QString CmdQuerySpeed = QStringLiteral("ATS37?");
inline const QString CmdConfigWake = QStringLiteral("AT&F0E0Q0V0");
inline const QString CmdQuiet = QStringLiteral("ATQ1");
inline const QString CmdStoreProfile = QStringLiteral("AT&W0");
inline const QString CmdFactory = QStringLiteral("AT&F");
// Back to the stored profile: after a verifying query turned result codes on again.
inline const QString CmdResetStored = QStringLiteral("ATZ");

// Asked in turn to identify a modem; a command it refuses or ignores is noted and skipped.
inline const std::array<QString, 12> IdentifyCommands = {
    QStringLiteral("ATI0"),   QStringLiteral("ATI1"),   QStringLiteral("ATI2"),
    QStringLiteral("ATI3"),   QStringLiteral("ATI4"),   QStringLiteral("ATI5"),
    QStringLiteral("ATI6"),   QStringLiteral("ATI7"),   QStringLiteral("AT+GMI"),
    QStringLiteral("AT+GMM"), QStringLiteral("AT+GMR"), QStringLiteral("AT&V")};

// The highest S37 code modems document (9: 9600 bit/s); a query may read others.
inline constexpr qint16 HighestS37 = 9;
// What an S register holds at most (one byte); a query may read others.
inline constexpr qint16 HighestRegister = 255;

// Replies understood.
inline const QString ReplyOk = QStringLiteral("0");
inline const QString ReplyOkVerbose = QStringLiteral("OK\r");
inline const QString ReplyErrorNumeric = QStringLiteral("4");
inline const QString ReplyErrorVerbose = QStringLiteral("ERROR");

// Stored command lists. The Motorola list is also the store's fallback.
inline const QString BuiltInCommandList = QStringLiteral("V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0");
inline const QString RockwellCommandList =
    QStringLiteral("V0;S0=#;B0;L2;M1;E0;Y1;&Q5;N0;S37=#;&D0;&S0");
inline const QString MotorolaCommandList = BuiltInCommandList;
inline const QString ZoomCommandList = QStringLiteral("V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0");

// Placeholders filled in just before sending.
inline const QString RingPlaceholder = QStringLiteral("S0=#");
inline const QString RingFilled = QStringLiteral("S0=");
inline const QString S37Placeholder = QStringLiteral("S37=#");
inline const QString S37Filled = QStringLiteral("S37=");
inline const QString ModulationPlaceholder = QStringLiteral("+MS=V#");
inline const QString ModulationFilled = QStringLiteral("+MS=V");

} // namespace ModemProtocol
