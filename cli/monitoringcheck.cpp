// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitoringcheck.h"

#include "checktexts.h"
#include "dialoguetexts.h"
#include "modemprotocol.h"
#include "textutils.h"

#include <algorithm>

namespace MonitoringCheck {

namespace {

using Kind = DialogueResult::Kind;

// Registers are bytes: what the performance data gives as their range.
constexpr int RegisterMax = 255;

int rank(Status status)
{
    switch (status) {
    case Status::Ok:
        return 0;
    case Status::Unknown:
        return 1;
    case Status::Warning:
        return 2;
    case Status::Critical:
        break;
    }
    return 3;
}

QString keyword(Status status)
{
    switch (status) {
    case Status::Ok:
        return CheckTexts::Ok;
    case Status::Warning:
        return CheckTexts::Warning;
    case Status::Critical:
        return CheckTexts::Critical;
    case Status::Unknown:
        break;
    }
    return CheckTexts::Unknown;
}

// A status line is one line, and its "|" starts the performance data: neither may come from a
// device's name or a message. A message's lines are joined; what control characters are left
// (a device's name holds them as it was given) are shown.
QString plain(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    return TextUtils::ShowControls(lines.join(QLatin1Char(' ')))
        .replace(QLatin1Char('|'), QChar(0x00A6));
}

// 'label'=value;warn;crit;min;max, "U" for a value that could not be read. A label of several
// words is quoted; a quote in it is doubled and "=" cannot be in it at all.
QString performance(const QString &label, bool quoted, std::optional<qint16> value,
                    const QString &warn, const QString &critical)
{
    QString name = label;
    if (quoted) {
        name.replace(QLatin1Char('\''), QLatin1String("''")).replace(QLatin1Char('='), u'_');
        name = QLatin1Char('\'') + name + QLatin1Char('\'');
    }
    return QStringLiteral("%1=%2;%3;%4;0;%5")
        .arg(name, value ? QString::number(*value) : QStringLiteral("U"), warn, critical,
             QString::number(RegisterMax));
}

QString exactly(int value)
{
    return QStringLiteral("%1:%1").arg(value);
}

QString readValue(int reg, int value)
{
    return CheckTexts::ReadValue.arg(reg).arg(value);
}

QString differs(int reg, int read, int expected)
{
    return CheckTexts::Differs.arg(reg).arg(read).arg(expected);
}

} // namespace

Status worst(Status a, Status b)
{
    return rank(a) >= rank(b) ? a : b;
}

Verdict judge(const Reading &reading, const Expected &expected)
{
    const DialogueResult &result = reading.result;
    if (!reading.signalName.isEmpty())
        return {Status::Unknown, CheckTexts::Interrupted.arg(reading.signalName)};
    switch (result.kind) {
    // The modem could not be looked at: nothing is known about it.
    case Kind::PortUnavailable:
    case Kind::PortHeld:
    case Kind::PortLost:
    case Kind::ListRefused: // a query sends no list
    case Kind::Stopped:     // stopped before it ended: by a signal, said above
        return {Status::Unknown, DialogueTexts::message(result)};
    // Without CTS and DSR the modem is off or not connected: it answers no call.
    case Kind::NoSignal:
        return {Status::Critical, DialogueTexts::message(result)};
    case Kind::Success:
    case Kind::ModemRefused:
    case Kind::NoReply:
    case Kind::SpeedUnknown:
        break;
    }
    if (!result.rings && result.ringsReason == DialogueResult::Reason::NoNumber)
        return {Status::Critical, CheckTexts::NoNumber.arg(ModemProtocol::CmdQueryRings)};
    if (!result.rings) {
        return {Status::Critical,
                (result.kind == Kind::ModemRefused ? CheckTexts::Refused : CheckTexts::NoReply)
                    .arg(result.command)};
    }
    const int rings = *result.rings;
    const bool s37Differs = expected.s37 && result.s37 && *result.s37 != *expected.s37;
    if (rings != expected.rings) {
        QString words = CheckTexts::RingsDiffer.arg(differs(0, rings, expected.rings));
        if (s37Differs)
            words += QLatin1String("; ") + differs(37, *result.s37, *expected.s37);
        return {Status::Critical, words};
    }
    if (expected.s37 && !result.s37)
        return {Status::Warning,
                CheckTexts::SpeedUnread.arg(result.command, QString::number(rings))};
    if (s37Differs) {
        return {Status::Warning,
                CheckTexts::SpeedDiffers.arg(differs(37, *result.s37, *expected.s37))
                    .arg(expected.bitRate)
                    .arg(rings)};
    }
    QString read = readValue(0, rings);
    if (result.s37)
        read += QLatin1String(", ") + readValue(37, *result.s37);
    return {Status::Ok, CheckTexts::AsExpected.arg(read)};
}

Report report(const QList<Reading> &readings, const Expected &expected)
{
    struct Line
    {
        Status status;
        QString text;
    };
    QList<Line> lines;
    QStringList performanceData;
    Report made;
    const bool several = readings.size() > 1;
    for (const Reading &reading : readings) {
        const Verdict verdict = judge(reading, expected);
        made.status = worst(made.status, verdict.status);
        lines.append({verdict.status,
                      CheckTexts::StatusLine.arg(keyword(verdict.status),
                                                 plain(TextUtils::ShowControls(reading.device)),
                                                 plain(verdict.words))});
        const QString prefix =
            several ? TextUtils::ShowControls(reading.device) + QLatin1Char(' ') : QString();
        performanceData << performance(prefix + QLatin1String("S0"), several, reading.result.rings,
                                       QString(), exactly(expected.rings));
        performanceData << performance(prefix + QLatin1String("S37"), several, reading.result.s37,
                                       expected.s37 ? exactly(*expected.s37) : QString(),
                                       QString());
    }
    // The worst first, so that the line a monitoring system shows is the one that matters.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line &a, const Line &b) { return rank(a.status) > rank(b.status); });
    for (qsizetype i = 0; i < lines.size(); ++i) {
        made.text += lines.at(i).text;
        if (i == 0)
            made.text += QLatin1String(" | ") + performanceData.join(QLatin1Char(' '));
        made.text += QLatin1Char('\n');
    }
    return made;
}

Report usageError(const QString &message)
{
    return {CheckTexts::UsageLine.arg(plain(message), CheckTexts::SeeHelp) + QLatin1Char('\n'),
            Status::Unknown};
}

} // namespace MonitoringCheck
