// SPDX-License-Identifier: GPL-3.0-or-later
#include "identificationtext.h"

#include "dialoguetexts.h"
#include "textutils.h"

#include <QRegularExpression>

namespace IdentificationText {

QString visible(const QString &line)
{
    return TextUtils::ShowControls(line);
}

namespace {

// To the nearest second: a paced second that came a few milliseconds late is still one.
int seconds(int ms)
{
    return (ms + 500) / 1000;
}

} // namespace

QString format(const Identification &result)
{
    QString text;
    for (const IdentificationAnswer &answer : result.answers()) {
        text += answer.command;
        switch (answer.result) {
        case IdentificationAnswer::Result::Answered:
            break;
        case IdentificationAnswer::Result::Refused:
            text += QLatin1String("  ") + DialogueTexts::IdentifyRefused;
            break;
        case IdentificationAnswer::Result::Silent:
            text += QLatin1String("  ") + silent(answer);
            break;
        }
        text += QLatin1Char('\n');
        for (const QString &line : answer.lines)
            text += QLatin1String("    ") + visible(line) + QLatin1Char('\n');
        if (answer.cut)
            text += QLatin1String("    ") + DialogueTexts::IdentifyCut + QLatin1Char('\n');
    }
    if (result.stoppedAfterMs() > 0)
        text += DialogueTexts::IdentifyStopped.arg(seconds(result.stoppedAfterMs()))
                + QLatin1Char('\n');
    return text;
}

QString silent(const IdentificationAnswer &answer)
{
    return DialogueTexts::IdentifySilent.arg(seconds(answer.waitedMs));
}

QString chipsetFamily(const Identification &result)
{
    // Names as modems print them in ATI and +GMI answers; Conexant took over Rockwell's modems.
    static const QList<QPair<QRegularExpression, QString>> families = {
        {QRegularExpression(QStringLiteral("rockwell|conexant|\\bRC(V|144|288|336|56)"),
                            QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("Rockwell")},
        {QRegularExpression(QStringLiteral("motorola"), QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("Motorola")},
        {QRegularExpression(QStringLiteral("\\bzoom\\b"),
                            QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("Zoom")},
    };
    for (const IdentificationAnswer &answer : result.answers()) {
        for (const QString &line : answer.lines) {
            for (const auto &[pattern, family] : families) {
                if (pattern.match(line).hasMatch())
                    return family;
            }
        }
    }
    return QString();
}

QString suggestion(const Identification &result)
{
    const QString family = chipsetFamily(result);
    return family.isEmpty() ? QString() : DialogueTexts::IdentifySuggestion.arg(family);
}

} // namespace IdentificationText
