// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandlistbuilder.h"

#include "commandlisttext.h"
#include "modemprotocol.h"
#include "textutils.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace CommandListBuilder {

namespace {

// The blanks RingCount skips before the number; RingCountValid allows the same ones around it.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

qint16 RingCount(const QString &typed)
{
    qsizetype i = 0;
    const qsizetype n = typed.size();
    while (i < n && isBlank(typed[i]))
        ++i;

    QString number;
    if (i < n && (typed[i] == u'+' || typed[i] == u'-'))
        number += typed[i++];
    bool digits = false;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = typed[i];
        if (c >= u'0' && c <= u'9') {
            number += c;
            digits = true;
        } else if (c == u'.' && !point) {
            number += c;
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;

    bool ok = false;
    const double value = number.toDouble(&ok); // "1." and "-.5" are both accepted
    if (!ok || std::isnan(value))
        return 0;
    // Halves go to the even neighbour: the default rounding mode of nearbyint.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    // The box takes two characters, so this only matters for text set by other means.
    if (rounded >= std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    if (rounded <= std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    return static_cast<qint16>(rounded);
}

QString RingText(const QString &typed)
{
    return TextUtils::NumberText(RingCount(typed));
}

bool RingCountValid(const QString &typed)
{
    static constexpr int Highest = 99;
    // What an operator means by " 2" or "+2" is plain; RingCount reads both the same way.
    QStringView digits(typed);
    while (!digits.isEmpty() && isBlank(digits.front()))
        digits = digits.mid(1);
    while (!digits.isEmpty() && isBlank(digits.back()))
        digits.chop(1);
    if (digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.isEmpty())
        return false;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
        if (value > Highest)
            return false;
    }
    return true;
}

bool NeedsRingCount(const QString &stored)
{
    return stored.contains(ModemProtocol::RingPlaceholder);
}

QStringList Expand(const QString &stored, const QString &ringText, const QString &s37Code,
                   const QString &modulationCode)
{
    using namespace ModemProtocol;
    // Split before filling, so that what is filled in can never move a separator. Only ";"
    // separates: a body may hold "," ("+MS=V#,0"), and the editor saves a lone such body with a
    // trailing ";" only out of care for its own reading of old texts.
    QStringList list = CommandListText::SplitWith(stored, QString(CommandListText::Separator));
    for (QString &entry : list) {
        TextUtils::ReplaceAll(RingPlaceholder, RingFilled + ringText, entry);
        TextUtils::ReplaceAll(S37Placeholder, S37Filled + s37Code, entry);
        TextUtils::ReplaceAll(ModulationPlaceholder, ModulationFilled + modulationCode, entry);
    }
    return list;
}

CommandListResult Build(const StoreResult &read, const QString &stored, const QString &typedRings,
                        const QString &s37Code, const QString &modulationCode)
{
    using Problem = CommandListResult::Problem;
    if (!read) {
        CommandListResult result = CommandListResult::failure(Problem::Unreadable);
        result.unreadable = read;
        return result;
    }
    // Checked again here, not only at the click: the box may have changed meanwhile.
    if (NeedsRingCount(stored) && !RingCountValid(typedRings))
        return CommandListResult::failure(Problem::RingCountInvalid);
    CommandListResult built =
        CommandListResult::checked(Expand(stored, RingText(typedRings), s37Code, modulationCode));
    // The one S37 value the list asks for is the one filled in here.
    if (built.ok() && stored.contains(ModemProtocol::S37Placeholder))
        built.s37 = s37Code.toInt();
    return built;
}

} // namespace CommandListBuilder
