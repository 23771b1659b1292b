// SPDX-License-Identifier: GPL-3.0-or-later
// The list a configuration is about to send, or why it cannot send one. Whatever the reason,
// the dialogue ends with the message before any entry goes out.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct CommandListResult
{
    // Typed, so that the command line maps each to its exit status without reading the text.
    enum class Problem : quint8 {
        None,
        Unreadable,       // the INI file is there but could not be read
        RingCountInvalid, // the list has "S0=#" and the ring count is not 0 to 99
        Empty,            // nothing to send
        TooLong,          // more entries than the 16-bit entry index reaches
    };
    static constexpr qsizetype MostEntries = 32767;

    QStringList entries;
    Problem problem = Problem::None;
    QString message; // for the operator; empty without a problem

    bool ok() const { return problem == Problem::None; }

    static CommandListResult failure(Problem problem, const QString &message);
    // The entries, or Empty or TooLong when they cannot be sent as they are.
    static CommandListResult checked(QStringList entries);
};
