// SPDX-License-Identifier: GPL-3.0-or-later
#include "typinglimit.h"

#include <QLineEdit>

#include <limits>

// True when `after` is `before` with one run of characters taken out.
static bool OnlyDeletes(const QString &before, const QString &after)
{
    if (after.size() >= before.size())
        return false;
    qsizetype head = 0;
    while (head < after.size() && after.at(head) == before.at(head))
        ++head;
    const qsizetype removed = before.size() - after.size();
    return QStringView(after).mid(head) == QStringView(before).mid(head + removed);
}

// True when `after` holds more of some character of `refused` than `before` does.
static bool AddsRefused(const QString &before, const QString &after, const QString &refused)
{
    for (const QChar c : refused) {
        if (after.count(c) > before.count(c))
            return true;
    }
    return false;
}

TypingLimit::TypingLimit(QLineEdit *box, int limit, const QString &refused)
    : QValidator(box), m_box(box), m_limit(limit), m_refused(refused), m_before(box->text())
{
    // The line edit validates a change before it announces it, so m_before still holds the
    // previous text while validate() runs.
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_before = text; });
    box->setValidator(this);
    // The line edit's own length limit would cut what the program sets; this class is the limit.
    box->setMaxLength(std::numeric_limits<int>::max());
}

void TypingLimit::setText(const QString &text)
{
    m_byProgram = true;
    m_box->setText(text);
    m_byProgram = false;
}

QValidator::State TypingLimit::validate(QString &input, int &) const
{
    if (m_byProgram || input == m_before || OnlyDeletes(m_before, input))
        return Acceptable;
    if (input.size() > m_limit || AddsRefused(m_before, input, m_refused))
        return Invalid;
    return Acceptable;
}
