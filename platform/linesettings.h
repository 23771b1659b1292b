// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line's settings as values: the speed and stop bits the port runs with, the parity
// the line codec puts in bit 7, and the one table of the four speeds with their codes.
// The port always runs 8 data bits without parity: the operator's parity never reaches it.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

// In the order of the window's speed options: the value is the option's position.
enum class LineSpeed { Bps9600 = 0, Bps4800 = 1, Bps2400 = 2, Bps1200 = 3 };

enum class StopBits { One = 1, Two = 2 };

// Software parity, carried in bit 7 of each byte. The values are the ones stored and fuzzed.
enum class Parity { None = 0, Odd = 1, Even = 2 };

struct LineSettings
{
    LineSpeed speed = LineSpeed::Bps9600;
    StopBits stopBits = StopBits::One;

    qint32 bitRate() const;
    // For display and the line's transcript, e.g. "1200,N,8,2".
    QString text() const;

    bool operator==(const LineSettings &) const = default;
};

// One speed: what the window's option shows (also --speed and the JSON "speed"), and what the
// stored command list gets for S37=# and +MS=V#.
struct SpeedRow
{
    LineSpeed speed;
    qint32 bitRate;
    QString caption;
    QString s37Code;
    QString modulationCode;
};

namespace LineSpeeds {

inline const std::array<SpeedRow, 4> Table = {{
    {LineSpeed::Bps9600, 9600, QStringLiteral("9600"), QStringLiteral("9"), QStringLiteral("32")},
    {LineSpeed::Bps4800, 4800, QStringLiteral("4800"), QStringLiteral("8"), QStringLiteral("32")},
    {LineSpeed::Bps2400, 2400, QStringLiteral("2400"), QStringLiteral("6"), QStringLiteral("22B")},
    {LineSpeed::Bps1200, 1200, QStringLiteral("1200"), QStringLiteral("5"), QStringLiteral("22")},
}};

// The row of `speed`; a value outside the four gets the first row.
const SpeedRow &row(LineSpeed speed);
// The speed whose caption is exactly `caption` ("2400"), if any.
std::optional<LineSpeed> named(QStringView caption);

} // namespace LineSpeeds
