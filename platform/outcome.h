// SPDX-License-Identifier: GPL-3.0-or-later
// The one way this program's steps report failure: nothing on success, else the text to show
// the operator, in Spanish. [[nodiscard]]: a failure that nobody looks at is a bug.
#pragma once

#include <QString>

class [[nodiscard]] Outcome
{
public:
    static Outcome success() { return Outcome(); }
    static Outcome failure(const QString &message) { return Outcome(message); }

    bool ok() const { return m_message.isEmpty(); }
    explicit operator bool() const { return ok(); }
    // The text to show; empty on success.
    const QString &message() const { return m_message; }

private:
    Outcome() = default;
    explicit Outcome(const QString &message) : m_message(message) {}

    QString m_message;
};
