// SPDX-License-Identifier: GPL-3.0-or-later
// A typing limit for a one-line text box that, unlike QLineEdit::setMaxLength, never cuts
// text the program puts there: an entry stored longer than the limit is shown whole, and a
// write-back of the box's text cannot shorten it behind the operator's back. It can also keep
// the operator from typing or pasting some characters, such as a separator.
// Lives on the window's thread, with its box.
#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

class TypingLimit : public QValidator
{
    Q_OBJECT
public:
    // Installs itself as the box's validator. The characters of `refused` cannot be typed.
    TypingLimit(QLineEdit *box, int limit, const QString &refused = QString());

    // Sets the box's text without any limit.
    void setText(const QString &text);

    // A change by the operator is refused when it leaves more than `limit` characters or adds
    // a refused character, unless it only deletes characters (a longer entry can always be
    // shortened). A paste is refused whole.
    State validate(QString &input, int &pos) const override;

private:
    QLineEdit *m_box;
    int m_limit;
    QString m_refused;
    QString m_before; // the box's text before the change being validated
    bool m_byProgram = false;
};
