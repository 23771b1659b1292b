// SPDX-License-Identifier: GPL-3.0-or-later
// The command list between the editor and the modem. The rest of the input is read twice:
// - as the entries the editor holds (cut at U+001F, any ";" taken out, since none can be
//   typed): Join then SplitStored gives them back, less one empty last entry, and Expand of
//   the stored text sends exactly those entries with the placeholders filled: for any list the
//   editor saves, the configuration sends the entries it showed;
// - as a stored text: SplitStored cuts it at every ";" (or, without any, at every ","), less
//   one empty last piece, and what the editor opens it saves so that it reads back the same;
//   Expand cuts it at every ";" only (a text without ";" is one entry), less one empty last
//   piece, and sends those entries, filled.
// The typed ring count goes through RingText on its way into "S0=#".
#include "fuzzcheck.h"

#include "commandlistbuilder.h"
#include "commandlisttext.h"
#include "linesettings.h"
#include "modemprotocol.h"

namespace {

QString decoded(const QByteArray &bytes, bool utf16)
{
    if (utf16) // lone surrogates included
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    return QString::fromUtf8(bytes);
}

QStringList withoutEmptyLast(QStringList entries)
{
    if (!entries.isEmpty() && entries.constLast().isEmpty())
        entries.removeLast();
    return entries;
}

// Every occurrence of `placeholder`, left to right, becomes `filled`.
QString fillEach(const QString &text, const QString &placeholder, const QString &filled)
{
    QString out;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(placeholder, from)) >= 0; from = at + placeholder.size())
        out += text.mid(from, at - from) + filled;
    return out + text.mid(from);
}

struct Codes
{
    QString ring, s37, modulation;

    QStringList filled(const QStringList &entries) const
    {
        using namespace ModemProtocol;
        QStringList out;
        for (const QString &entry : entries) {
            QString command = fillEach(entry, RingPlaceholder, RingFilled + ring);
            command = fillEach(command, S37Placeholder, S37Filled + s37);
            out.append(fillEach(command, ModulationPlaceholder, ModulationFilled + modulation));
        }
        return out;
    }
    QStringList expand(const QString &stored) const
    {
        return CommandListBuilder::Expand(stored, ring, s37, modulation);
    }
};

} // namespace

// First byte: the speed (bits 0-1), UTF-16 rather than UTF-8 (bit 2). Then the length of the
// typed ring count, its characters (Latin-1), and the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace CommandListText;
    FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const QString typed = QString::fromLatin1(in.bytes(in.byte()));
    const QString text = decoded(in.rest(), flags & 4);

    const qint16 rings = CommandListBuilder::RingCount(typed);
    if (CommandListBuilder::RingCountValid(typed)) {
        bool ok = false;
        FUZZ_CHECK(typed.trimmed().toInt(&ok) == rings && ok && rings >= 0 && rings <= 99);
    }
    const SpeedRow &speed = LineSpeeds::Table.at(flags % LineSpeeds::Table.size());
    const Codes codes{CommandListBuilder::RingText(typed), speed.s37Code, speed.modulationCode};
    FUZZ_CHECK(codes.ring == QString::number(rings));

    // The editor's entries.
    QStringList entries = text.split(QChar(0x1f));
    for (QString &entry : entries)
        entry.remove(Separator);
    const QString stored = Join(entries);
    FUZZ_CHECK(SplitStored(stored) == withoutEmptyLast(entries));
    FUZZ_CHECK(codes.expand(stored) == codes.filled(withoutEmptyLast(entries)));

    // A stored text, from any source.
    const QString separator = text.contains(Separator) ? QString(Separator) : QStringLiteral(",");
    const QStringList shown = SplitStored(text);
    FUZZ_CHECK(shown == withoutEmptyLast(text.split(separator)));
    FUZZ_CHECK(SplitStored(Join(shown)) == withoutEmptyLast(shown));
    FUZZ_CHECK(codes.expand(text) == codes.filled(withoutEmptyLast(text.split(Separator))));
    return 0;
}
